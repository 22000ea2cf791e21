// The main window's commands: adding files, converting, pause, resume, stop, the rows, the
// output folder, the clip marks, and the component's events.
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QToolButton>
#include <QTreeWidget>
#include <QUrl>
#include <algorithm>

#include "form/time_text.h"
#include "ui/about_box.h"
#include "ui/application.h"
#include "ui/main_window.h"
#include "ui/option_window.h"
#include "ui/playback_panel.h"

namespace mirelk::ui {

namespace {

enum TColumn { colName, colDuration, colSize, colOutput, colProgress, colConverted, colOutputSize };

// Every ending the program reads, for the first filter of the add dialog.
const char kOpenFilter[] =
    "所有支持的格式 (*.avi *.asf *.wmv *.wma *.mp4 *.m4v *.m4a *.mov *.3gp *.3g2 *.mkv *.mka *.webm *.flv *.f4v "
    "*.rm *.rmvb *.ra *.mpg *.mpeg *.m1v *.m2v *.vob *.dat *.ts *.m2ts *.mts *.ogg *.ogv *.oga *.mp3 *.mp2 *.wav "
    "*.aac *.ac3 *.flac *.amr *.swf *.dv *.nut *.y4m);;"
    "Media Player Files (*.wmv *.asf);;DVD Files (*.vob);;MP4 Files (*.mp4 *.3gp);;所有文件 (*)";

QString FileNameOnly(const std::string& path) { return QFileInfo(QString::fromStdString(path)).fileName(); }

}  // namespace

int TfrmMain::TasksAtOnce() const { return m_config.TasksAtOnce(); }

void TfrmMain::LogBlock(const QString& line)
{
    m_log->appendPlainText("");
    m_log->appendPlainText(line);
    m_log->appendPlainText("");
}

bool TfrmMain::LoadLibraries()
{
    if (m_qelvan->LoadAVLib(QDir(m_programFolder).filePath("LibAV").toStdString())) return true;
    m_log->appendPlainText(QString::fromStdString(m_qelvan->LastErrMsg()));
    return false;
}

void TfrmMain::AddClicked()
{
    if (!m_add->isEnabled()) return;
    if (!LoadLibraries()) return;
    m_qelvan->SetLogLevel(llInfo);
    QFileDialog dialog(this, "添加文件");
    dialog.setObjectName("dlgOpen");
    dialog.setFileMode(QFileDialog::ExistingFiles);
    dialog.setNameFilter(kOpenFilter);
    dialog.setOption(QFileDialog::ReadOnly, false);
    if (dialog.exec() != QDialog::Accepted) return;
    AddFiles(dialog.selectedFiles());
}

void TfrmMain::AddFiles(const QStringList& files)
{
    if (!LoadLibraries()) return;
    m_qelvan->SetLogLevel(llInfo);
    TOptionForm& form = OptionForm();
    // An output folder the user chose holds the outputs from the start (beside a read-only input
    // no output could be made).
    if (!m_folder->text().isEmpty()) form.Settings.OutputFolder = m_folder->text().toStdString();
    TAVProbe& probe = m_qelvan->AVProbe();
    m_formInUse = true;
    for (const QString& file : files) {
        const std::string name = file.toStdString();
        if (!probe.Open(name, "")) {
            LogBlock("***File load error: " + QString::fromStdString(probe.LastErrMsg()));
            continue;
        }
        form.SetProber(&probe);
        TOutputOptions output;
        TInputOptions input;
        try {
            output = form.GetOutputOptions();
            input = form.GetInputOptions();
        } catch (const std::exception& error) {
            form.SetProber(nullptr);
            probe.Close();
            LogBlock("***Cannot do convert, error: " + QString::fromUtf8(error.what()));
            continue;
        }
        const std::int64_t duration = probe.GetFileInfo().Duration;
        form.SetProber(nullptr);
        probe.Close();
        m_rows.push_back({.InputFile = name, .DurationSeconds = duration > 0 ? duration / 1000000 : 0});
        // A file whose task cannot be made keeps no entry, so that the lists stay row by row.
        if (!AddToList(output, input, false)) m_rows.pop_back();
    }
    m_formInUse = false;
    if (m_files->topLevelItemCount() > 0) m_files->setCurrentItem(m_files->topLevelItem(0));
    HandRowToOptionWindow();
}

bool TfrmMain::AddToList(const TOutputOptions& output, const TInputOptions& input, bool keepFailedRow)
{
    TRowEntry& row = m_rows.back();
    const int index = m_qelvan->AddTask(input.FileName, &input);
    QString failure;
    if (index < 0) {
        failure = QString::fromStdString(m_qelvan->LastErrMsg());
        LogBlock("***File open error: " + failure);
    } else if (!m_qelvan->AddOutput(index, output.FileName, &output)) {
        failure = QString::fromStdString(m_qelvan->LastErrMsg());
        m_qelvan->RemoveTask(index);
        LogBlock("***Cannot do convert, error: " + failure);
    }
    if (!failure.isEmpty() && !keepFailedRow) return false;

    auto* item = new QTreeWidgetItem;
    item->setText(colName, FileNameOnly(row.InputFile));
    item->setText(colDuration, QString::number(row.DurationSeconds));
    item->setText(colSize, QString::number(QFileInfo(QString::fromStdString(row.InputFile)).size()));
    item->setText(colOutput, FileNameOnly(output.FileName));
    item->setToolTip(colName, QString::fromStdString(row.InputFile));
    item->setToolTip(colOutput, QString::fromStdString(output.FileName));
    for (int column = colDuration; column <= colOutputSize; ++column)
        if (column != colOutput) item->setTextAlignment(column, Qt::AlignRight | Qt::AlignVCenter);
    m_files->addTopLevelItem(item);
    if (!failure.isEmpty()) {
        // Kept in the list at Convert time, so that the user sees which file failed and why.
        item->setText(colProgress, "失败");
        item->setToolTip(colProgress, failure);
        return true;
    }
    row.Task = index;
    LogBlock("***File has been added to convert list.");
    m_clear->setEnabled(true);
    m_delete->setEnabled(true);
    m_convert->setEnabled(true);
    return true;
}

template <typename Field>
std::vector<std::string> TfrmMain::Column(Field field) const
{
    std::vector<std::string> column;
    for (const TRowEntry& row : m_rows) column.push_back(row.*field);
    return column;
}

std::vector<std::string> TfrmMain::InputFiles() const { return Column(&TRowEntry::InputFile); }
std::vector<std::string> TfrmMain::ClipStarts() const { return Column(&TRowEntry::ClipStart); }
std::vector<std::string> TfrmMain::ClipEnds() const { return Column(&TRowEntry::ClipEnd); }

void TfrmMain::ConvertFromToolBar() { Convert(true); }
void TfrmMain::ConvertFromMenu() { Convert(false); }

void TfrmMain::Convert(bool fromToolBar)
{
    if (m_rows.empty() || m_converting) return;
    // The rows are made anew from the files, each with the settings of now.
    m_playback->Close();
    m_qelvan->ClearTasks();
    m_files->clear();
    if (fromToolBar) SetToolStates(true, false, false, m_pause->isEnabled(), m_resume->isEnabled(), m_stop->isEnabled());
    m_delete->setEnabled(false);

    std::vector<TRowEntry> before;
    std::swap(before, m_rows);

    TOptionForm& form = OptionForm();
    form.ForgetOutputNames();
    TAVProbe& probe = m_qelvan->AVProbe();
    m_formInUse = true;
    for (TRowEntry& entry : before) {
        if (!LoadLibraries()) {
            m_formInUse = false;
            return;
        }
        m_qelvan->SetLogLevel(llInfo);
        // A file that cannot be read any more drops out of the list.
        if (!probe.Open(entry.InputFile, "")) continue;
        if (fromToolBar) {
            form.Settings.OutputFolder = m_folder->text().toStdString();
            ApplyPageChoices(form.Settings, ActivePage(), PageChoices());
        }
        form.SetProber(&probe);
        // The menu command converts a row's clip when "Cut Clip" was checked for it in the option
        // window.
        if (fromToolBar || entry.CutClip) ApplyRowClip(form, entry.ClipStart, entry.ClipEnd);
        entry.Task = -1;
        m_rows.push_back(std::move(entry));
        try {
            const TOutputOptions output = form.GetOutputOptions();
            const TInputOptions input = form.GetInputOptions();
            AddToList(output, input, true);
        } catch (const std::exception& error) {
            LogBlock("***Cannot do convert, error: " + QString::fromUtf8(error.what()));
            m_rows.pop_back();
        }
        form.SetProber(nullptr);
        probe.Close();
    }
    m_formInUse = false;
    m_qelvan->SetLogLevel(llInfo);
    m_qelvan->ThreadPriority = tpLower;
    if (fromToolBar) SetToolStates(false, false, false, true, false, true);
    m_delete->setEnabled(!fromToolBar && m_files->topLevelItemCount() > 0);
    if (m_files->topLevelItemCount() > 0) m_files->setCurrentItem(m_files->topLevelItem(0));
    m_converting = m_qelvan->TaskCount() > 0;
    // Building the records wrote the hook texts back into the form.
    HandRowToOptionWindow();
    m_qelvan->StartConvert(TasksAtOnce());
}

void TfrmMain::PauseClicked()
{
    m_pause->setEnabled(false);
    m_resume->setEnabled(true);
    m_qelvan->Pause();
}

void TfrmMain::ResumeClicked()
{
    m_pause->setEnabled(true);
    m_resume->setEnabled(false);
    m_qelvan->Resume();
}

void TfrmMain::StopClicked()
{
    m_stop->setEnabled(false);
    m_pause->setEnabled(false);
    m_resume->setEnabled(false);
    m_clear->setEnabled(true);
    m_qelvan->StopConvert();
}

void TfrmMain::DeleteRow()
{
    QTreeWidgetItem* current = m_files->currentItem();
    if (current == nullptr || m_converting) return;
    const int row = m_files->indexOfTopLevelItem(current);
    const int task = m_rows[static_cast<std::size_t>(row)].Task;
    if (task >= 0) {
        m_qelvan->RemoveTask(task);
        for (TRowEntry& other : m_rows)
            if (other.Task > task) --other.Task;
    }
    if (m_playback->IsOpen() && QString::fromStdString(m_rows[static_cast<std::size_t>(row)].InputFile) == m_playback->OpenFile())
        m_playback->Close();
    m_rows.erase(m_rows.begin() + row);
    delete m_files->takeTopLevelItem(row);
}

void TfrmMain::ClearAll()
{
    if (m_converting) m_qelvan->StopConvert();
    m_playback->Close();
    m_qelvan->ClearTasks();
    m_converting = false;
    m_rows.clear();
    m_files->clear();
    m_delete->setEnabled(false);
}

void TfrmMain::MoveRow(int delta)
{
    QTreeWidgetItem* current = m_files->currentItem();
    if (current == nullptr) return;
    const int row = m_files->indexOfTopLevelItem(current);
    const int other = row + delta;
    if (other < 0 || other >= m_files->topLevelItemCount()) return;
    QTreeWidgetItem* neighbour = m_files->topLevelItem(other);
    for (int column = colName; column <= colProgress; ++column) {
        const QString text = current->text(column);
        const QString tip = current->toolTip(column);
        current->setText(column, neighbour->text(column));
        current->setToolTip(column, neighbour->toolTip(column));
        neighbour->setText(column, text);
        neighbour->setToolTip(column, tip);
    }
    std::swap(m_rows[static_cast<std::size_t>(row)], m_rows[static_cast<std::size_t>(other)]);
    m_files->setCurrentItem(neighbour);
}

void TfrmMain::ChooseFolder()
{
    const QString folder = QFileDialog::getExistingDirectory(this, "Select Output Folder", m_folder->text(),
                                                             QFileDialog::ShowDirsOnly);
    if (folder.isEmpty()) return;
    m_folder->setText(folder.endsWith('/') ? folder : folder + '/');
}

void TfrmMain::OpenFolder()
{
    if (!m_folder->text().isEmpty()) QDesktopServices::openUrl(QUrl::fromLocalFile(m_folder->text()));
}

void TfrmMain::PlayClicked(bool play)
{
    QTreeWidgetItem* current = m_files->currentItem();
    if (current == nullptr) return;
    const TRowEntry& row = m_rows[static_cast<std::size_t>(m_files->indexOfTopLevelItem(current))];
    const QString file = QString::fromStdString(row.InputFile);
    if (play)
        m_playback->OpenAndPlay(file, row.DurationSeconds);
    else
        m_playback->OpenAndPause(file, row.DurationSeconds);
}

void TfrmMain::SetClipMark(bool start)
{
    QTreeWidgetItem* current = m_files->currentItem();
    if (!m_playback->IsOpen() || current == nullptr) return;
    TRowEntry& row = m_rows[static_cast<std::size_t>(m_files->indexOfTopLevelItem(current))];
    const int seconds = m_playback->PositionSeconds();
    const std::string clock = ClockText(seconds);
    const std::string time = TimeText(static_cast<std::int64_t>(seconds) * 1000000);
    if (start) {
        m_playback->MarkStart(seconds);
        row.ClipStart = time;
        row.ClipStartText = clock;
    } else {
        m_playback->MarkEnd(seconds);
        row.ClipEnd = time;
        row.ClipEndText = clock;
    }
    m_playback->ShowMarks(QString::fromStdString(row.ClipStartText), QString::fromStdString(row.ClipEndText));
    HandRowToOptionWindow();
}

void TfrmMain::ShowAbout()
{
    TAboutBox about(this);
    about.exec();
}

void TfrmMain::ShowHelp()
{
    const QString page = QDir(QString::fromStdString(DataFolderFor(m_programFolder.toStdString()))).filePath("help.html");
    if (!QFileInfo::exists(page) || !QDesktopServices::openUrl(QUrl::fromLocalFile(page)))
        LogBlock("***Cannot open the help page: " + page);
}

int TfrmMain::RowOfTask(int taskIndex) const
{
    for (std::size_t row = 0; row < m_rows.size(); ++row)
        if (m_rows[row].Task == taskIndex) return static_cast<int>(row);
    return -1;
}

void TfrmMain::OnProgress(int index, int currentDuration, std::int64_t currentSize, int totalDuration)
{
    const int row = RowOfTask(index);
    if (row < 0) return;
    QTreeWidgetItem* item = m_files->topLevelItem(row);
    if (totalDuration > 0) {
        const long long percent = static_cast<long long>(currentDuration) * 100 / totalDuration;
        item->setText(colProgress, QString("%1%").arg(qBound(0LL, percent, 99LL)));
    }
    item->setText(colConverted, QString::number(currentDuration / 1000));
    item->setText(colOutputSize, QString::number(currentSize));
}

void TfrmMain::OnTerminate(int index, bool finished, bool exception, const QString& message)
{
    if (index < 0) {
        m_converting = false;
        m_qelvan->ClearTasks();
        // The rows stay; their tasks are gone.
        for (TRowEntry& row : m_rows) row.Task = -1;
        return;
    }
    const int row = RowOfTask(index);
    if (row >= 0) {
        QTreeWidgetItem* item = m_files->topLevelItem(row);
        if (finished) {
            item->setText(colProgress, "100%");
        } else if (exception) {
            item->setText(colProgress, "失败");
            item->setToolTip(colProgress, message);
        }
    }
    if (exception) {
        // Not modal to the program's loop: the other rows go on updating while it is shown.
        auto* box = new QMessageBox(QMessageBox::Warning, QApplication::applicationName(), message, QMessageBox::Ok, this);
        box->setObjectName("TaskErrorBox");
        box->setAttribute(Qt::WA_DeleteOnClose);
        box->setWindowModality(Qt::NonModal);
        box->show();
    }
}

void TfrmMain::OnLog(int index, int level, const QString& message)
{
    m_log->appendPlainText(QString("#%1.%2: %3").arg(index).arg(level).arg(message));
}

}  // namespace mirelk::ui
