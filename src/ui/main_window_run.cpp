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
#include <QTableView>
#include <QTimer>
#include <QUrl>
#include <algorithm>

#include "binding/utilities.h"
#include "form/option_form_settings.h"
#include "form/time_text.h"
#include "ui/about_box.h"
#include "ui/application.h"
#include "ui/file_list_model.h"
#include "ui/host/event_relay.h"
#include "ui/host/frame_drawing.h"
#include "ui/language.h"
#include "ui/main_window.h"
#include "ui/option_window.h"
#include "ui/playback_panel.h"

namespace mirelk::ui {

namespace {

using enum TFileListModel::TColumn;

// Every ending the program reads, for the first filter of the add dialog.
QString OpenFilter()
{
    return Tr("TfrmMain", "All supported formats") +
           " (*.avi *.asf *.wmv *.wma *.mp4 *.m4v *.m4a *.mov *.3gp *.3g2 *.mkv *.mka *.webm *.flv *.f4v "
           "*.rm *.rmvb *.ra *.mpg *.mpeg *.m1v *.m2v *.vob *.dat *.ts *.m2ts *.mts *.ogg *.ogv *.oga *.mp3 *.mp2 *.wav "
           "*.aac *.ac3 *.flac *.amr *.swf *.dv *.nut *.y4m);;" +
           Tr("TfrmMain", "Media Player Files") + " (*.wmv *.asf);;" + Tr("TfrmMain", "DVD Files") + " (*.vob);;" +
           Tr("TfrmMain", "MP4 Files") + " (*.mp4 *.3gp);;" + Tr("TfrmMain", "All files") + " (*)";
}

QString SizeText(std::int64_t bytes) { return QString::fromStdString(FormatFileSize(bytes)); }

QString FileNameOnly(const std::string& path) { return QFileInfo(QString::fromStdString(path)).fileName(); }

}  // namespace

int TfrmMain::TasksAtOnce() const { return m_config.TasksAtOnce(); }

void TfrmMain::LogBlock(const QString& line)
{
    FlushLog();
    m_log->appendPlainText("");
    m_log->appendPlainText(line);
    m_log->appendPlainText("");
}

bool TfrmMain::LoadLibraries()
{
    if (m_qelvan->LoadAVLib(QDir(m_programFolder).filePath("LibAV").toStdString())) return true;
    FlushLog();
    m_log->appendPlainText(QString::fromStdString(m_qelvan->LastErrMsg()));
    return false;
}

void TfrmMain::AddClicked()
{
    if (!m_add->isEnabled()) return;
    if (!LoadLibraries()) return;
    m_qelvan->SetLogLevel(llInfo);
    QFileDialog dialog(this, Tr("TfrmMain", "Add Files"));
    dialog.setObjectName("dlgOpen");
    dialog.setFileMode(QFileDialog::ExistingFiles);
    dialog.setNameFilter(OpenFilter());
    dialog.setOption(QFileDialog::ReadOnly, false);
    if (dialog.exec() != QDialog::Accepted) return;
    AddFiles(dialog.selectedFiles());
}

bool TfrmMain::AddToList(int index, const TOutputOptions& output, bool keepFailedRow)
{
    TRowEntry& row = m_rows.back();
    QString failure;
    // Refused for a reason of its own, not because another row writes that name.
    bool outputUnwritable = false;
    if (index < 0) {
        failure = QString::fromStdString(m_qelvan->LastErrMsg());
        LogBlock("***File open error: " + failure);
    } else if (!m_qelvan->AddOutput(index, output.FileName, &output)) {
        failure = QString::fromStdString(m_qelvan->LastErrMsg());
        // The same file twice would write one output twice: that is no row of its own.
        outputUnwritable = !m_qelvan->OutputReserved(output.FileName);
        m_qelvan->RemoveTask(index);
        LogBlock("***Cannot do convert, error: " + failure);
    }
    // A file that reads but whose output cannot be written where it goes (a folder that cannot
    // be written, a name that is a folder) stays, failed, so that the user sees why.
    if (!failure.isEmpty() && !keepFailedRow && !outputUnwritable) return false;

    row.OutputFile = output.FileName;
    TFileListModel::TRow cells;
    cells.Cells[colName] = FileNameOnly(row.InputFile);
    cells.Cells[colDuration] = QString::number(row.DurationSeconds);
    cells.Cells[colSize] = SizeText(QFileInfo(QString::fromStdString(row.InputFile)).size());
    cells.Cells[colOutput] = FileNameOnly(output.FileName);
    cells.ToolTips[colName] = QString::fromStdString(row.InputFile);
    cells.ToolTips[colOutput] = QString::fromStdString(output.FileName);
    m_model->AppendRow(std::move(cells));
    if (!failure.isEmpty()) {
        // Kept in the list at Convert time, so that the user sees which file failed and why.
        m_clear->setEnabled(true);
        m_delete->setEnabled(true);
        row.State = rsFailed;
        row.Failure = failure;
        ShowRowState(m_model->rowCount() - 1);
        return true;
    }
    row.Task = m_qelvan->TaskId(index);
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
    // Tasks still being made are not started.
    if (m_build) m_build->Cancelled = true;
    m_stop->setEnabled(false);
    m_pause->setEnabled(false);
    m_resume->setEnabled(false);
    m_clear->setEnabled(true);
    m_qelvan->StopConvert();
}

void TfrmMain::DeleteRow()
{
    const int row = CurrentRow();
    if (row < 0 || m_converting) return;
    // The other rows keep their tasks' ids: removing a task changes no other id.
    const TTaskId task = m_rows[static_cast<std::size_t>(row)].Task;
    if (task != kNoTask) m_qelvan->RemoveTask(m_qelvan->IndexOfTask(task));
    if (m_playback->IsOpen() && QString::fromStdString(m_rows[static_cast<std::size_t>(row)].InputFile) == m_playback->OpenFile())
        m_playback->Close();
    m_rows.erase(m_rows.begin() + row);
    m_model->RemoveRow(row);
    MapTaskRows();
    ListChanged();
}

void TfrmMain::ClearAll()
{
    CancelAdding();
    DropBuild();
    if (m_converting) m_qelvan->StopConvert();
    m_playback->Close();
    m_qelvan->ClearTasks();
    m_converting = false;
    m_rows.clear();
    m_model->Clear();
    MapTaskRows();
    m_delete->setEnabled(false);
    ListChanged();
}

void TfrmMain::MoveRow(int delta)
{
    const int row = CurrentRow();
    if (row < 0) return;
    const int other = row + delta;
    if (other < 0 || other >= m_model->rowCount()) return;
    m_model->SwapCells(row, other, colProgress + 1);
    std::swap(m_rows[static_cast<std::size_t>(row)], m_rows[static_cast<std::size_t>(other)]);
    MapTaskRows();
    SelectRow(other);
    ListChanged();
}

void TfrmMain::ChooseFolder()
{
    const QString folder = QFileDialog::getExistingDirectory(this, Tr("TfrmMain", "Select Output Folder"), m_folder->text(),
                                                             QFileDialog::ShowDirsOnly);
    if (folder.isEmpty()) return;
    m_folder->setText(folder.endsWith('/') ? folder : folder + '/');
}

void TfrmMain::OpenFolder()
{
    if (m_folder->text().isEmpty()) {
        ShowStatus([=] { return Tr("TfrmMain", "No output folder is chosen: outputs go beside each input file."); });
        return;
    }
    const QString folder = m_folder->text();
    if (!QDesktopServices::openUrl(QUrl::fromLocalFile(folder)))
        ShowStatus([folder] { return Tr("TfrmMain", "The desktop has no program to open %1.").arg(folder); });
}

void TfrmMain::PlayClicked(bool play)
{
    const int current = CurrentRow();
    if (current < 0) return;
    const TRowEntry& row = m_rows[static_cast<std::size_t>(current)];
    const QString file = QString::fromStdString(row.InputFile);
    if (play)
        m_playback->OpenAndPlay(file, row.DurationSeconds);
    else
        m_playback->OpenAndPause(file, row.DurationSeconds);
}

void TfrmMain::SetClipMark(bool start)
{
    const int current = CurrentRow();
    if (!m_playback->IsOpen() || current < 0) return;
    TRowEntry& row = m_rows[static_cast<std::size_t>(current)];
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
    ListChanged();
}

void TfrmMain::ShowAbout()
{
    TAboutBox about(this);
    about.exec();
}

void TfrmMain::ShowHelp()
{
    // One page a language; English when a language has none.
    const QDir pages(QString::fromStdString(DataFolderFor(m_programFolder.toStdString())));
    QString page = pages.filePath("help_" + CurrentLanguage() + ".html");
    if (!QFileInfo::exists(page)) page = pages.filePath("help_en.html");
    if (!QFileInfo::exists(page) || !QDesktopServices::openUrl(QUrl::fromLocalFile(page))) {
        LogBlock("***Cannot open the help page: " + page);
        ShowStatus([=] { return Tr("TfrmMain", "The desktop has no program to open %1.").arg(page); });
    }
}

int TfrmMain::RowOfTask(TTaskId task) const
{
    const auto found = m_taskRows.find(task);
    return found != m_taskRows.end() ? found->second : -1;
}

void TfrmMain::MapTaskRows()
{
    m_taskRows.clear();
    for (std::size_t row = 0; row < m_rows.size(); ++row)
        if (m_rows[row].Task != kNoTask) m_taskRows[m_rows[row].Task] = static_cast<int>(row);
}

int TfrmMain::CurrentRow() const
{
    const QModelIndex current = m_files->currentIndex();
    return current.isValid() && current.row() < static_cast<int>(m_rows.size()) ? current.row() : -1;
}

void TfrmMain::SelectRow(int row)
{
    if (row >= 0 && row < m_model->rowCount()) m_files->setCurrentIndex(m_model->index(row, 0));
}

void TfrmMain::OnProgress(TTaskId task, int currentDuration, std::int64_t currentSize, int totalDuration)
{
    const int row = RowOfTask(task);
    if (row < 0) return;
    // The list keeps a running row in sight until it ends, then the next one that reports.
    if (m_followRow < 0 || m_followRow >= static_cast<int>(m_rows.size()) ||
        m_rows[static_cast<std::size_t>(m_followRow)].State != rsReady) {
        m_followRow = row;
        m_files->scrollTo(m_model->index(row, 0));
    }
    if (totalDuration > 0) {
        const long long percent = static_cast<long long>(currentDuration) * 100 / totalDuration;
        m_model->SetCell(row, colProgress, QString("%1%").arg(qBound(0LL, percent, 99LL)));
    }
    m_model->SetCell(row, colConverted, QString::number(currentDuration / 1000));
    m_model->SetCell(row, colOutputSize, SizeText(currentSize));
}

void TfrmMain::OnTerminate(TTaskId task, bool finished, bool exception, const QString& message, const QString& kept)
{
    if (task == kNoTask) {
        m_converting = false;
        m_qelvan->ClearTasks();
        // The rows stay; their tasks are gone.
        for (TRowEntry& row : m_rows) row.Task = kNoTask;
        MapTaskRows();
        RunEnded();
        ListChanged();
        return;
    }
    const int row = RowOfTask(task);
    if (row < 0) return;
    TRowEntry& entry = m_rows[static_cast<std::size_t>(row)];
    // A failure shows in its row; the run's end sums them up in one box.
    entry.State = finished ? rsFinished : exception ? rsFailed : rsStopped;
    entry.Failure = exception ? message : QString();
    if (!kept.isEmpty()) {
        // A stopped run keeps its piece under a name that says so; the row shows that name.
        entry.OutputFile = kept.toStdString();
        m_model->SetCell(row, colOutput, FileNameOnly(entry.OutputFile));
        m_model->SetToolTip(row, colOutput, kept);
    }
    ShowRowState(row);
    ListChanged();
}

void TfrmMain::OnLog(int index, int level, const QString& message)
{
    // Thousands of tasks log tens of thousands of lines: they go into the memo together.
    m_logBuffer << QString("#%1.%2: %3").arg(index).arg(level).arg(message);
    if (!m_logFlush->isActive()) m_logFlush->start();
}

void TfrmMain::FlushLog()
{
    if (m_logBuffer.isEmpty()) return;
    m_log->appendPlainText(m_logBuffer.join('\n'));
    m_logBuffer.clear();
}

void TfrmMain::ConnectComponent()
{
    std::shared_ptr<TEventRelay> relay = m_relay;
    // The events carry the task's index of their moment; the window goes by the task's id, which
    // stays whatever rows are removed before the relayed call runs.
    m_qelvan->OnProgress = [relay, this](int index, int, int, int currentDuration, float, float, std::int64_t size,
                                         int total) {
        const TTaskId task = m_qelvan->TaskId(index);
        relay->Post([this, task, currentDuration, size, total] { OnProgress(task, currentDuration, size, total); });
    };
    m_qelvan->OnTerminate = [relay, this](int index, bool finished, bool exception, const std::string& message) {
        const QString text = QString::fromStdString(message);
        const TTaskId task = index >= 0 ? m_qelvan->TaskId(index) : kNoTask;
        if (index >= 0 && task == kNoTask) return;
        // Told while the task is still in the list: the name a stopped run kept its output under.
        QString kept;
        if (index >= 0 && !finished && !exception)
            if (const std::vector<std::string> names = m_qelvan->Task(index)->KeptOutputNames; !names.empty())
                kept = QString::fromStdString(names.front());
        relay->Post([this, task, finished, exception, text, kept] { OnTerminate(task, finished, exception, text, kept); });
    };
    m_qelvan->OnLog = [relay, this](int index, TLogLevel level, const std::string& message) {
        const QString text = QString::fromStdString(message);
        relay->Post([this, index, level, text] { OnLog(index, static_cast<int>(level), text); });
    };
    // The hooks work on the picture they are given, in the task's thread.
    const QImage icon = m_hookIcon;
    m_qelvan->OnCustomHook = [icon](int, TBitmap24& bitmap, int frameNumber, std::int64_t pts, bool& update,
                                    bool& stopHook) { DrawCustomHookFrame(bitmap, frameNumber, pts, icon, update, stopHook); };
    m_qelvan->OnBeforeHook = [](int, std::int64_t pts, THookAction& action) {
        action = pts < 5000000 ? haContinue : pts < 10000000 ? haIgnore : pts < 15000000 ? haContinue : haStop;
    };
}

void TfrmMain::DetachComponent()
{
    if (!m_qelvan) return;
    m_relay->Detach();
    m_qelvan->OnProgress = nullptr;
    m_qelvan->OnTerminate = nullptr;
    m_qelvan->OnLog = nullptr;
    m_qelvan->OnCustomHook = nullptr;
    m_qelvan->OnBeforeHook = nullptr;
}

}  // namespace mirelk::ui
