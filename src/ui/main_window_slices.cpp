// The main window's long work in slices on the main thread: adding files (from the dialog, a
// drop, the command line or a folder) and making the tasks at Convert. Each slice takes a few
// tens of milliseconds, so that the window keeps answering with thousands of files; the status
// bar shows how far it is and offers to cancel. (The component and its prober are used from the
// main thread only, so the work cannot move to a worker thread.)
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTableView>
#include <QTimer>
#include <QToolButton>

#include "form/main_window_pages.h"
#include "form/option_form_settings.h"
#include "ui/file_list_model.h"
#include "ui/language.h"
#include "ui/main_window.h"
#include "ui/option_window.h"
#include "ui/playback_panel.h"

namespace mirelk::ui {

namespace {

// A slice ends once it has taken this long (after at least one file). Qt may run the slice
// timer twice before another timer or a repaint gets its turn, so a hold of the loop can be
// twice this and more.
constexpr qint64 kSliceMilliseconds = 25;

// While the window makes rows and tasks the form decodes no preview picture: no one looks at
// them, and they would cost more than the rest of a row.
class TNoPreviewPictures {
public:
    explicit TNoPreviewPictures(TOptionForm& form) : m_form(form) { form.SetPreviewPictures(false); }
    ~TNoPreviewPictures() { m_form.SetPreviewPictures(true); }
    TNoPreviewPictures(const TNoPreviewPictures&) = delete;
    TNoPreviewPictures& operator=(const TNoPreviewPictures&) = delete;

private:
    TOptionForm& m_form;
};

}  // namespace

void TfrmMain::BuildSliceWidgets()
{
    m_sliceTimer = new QTimer(this);
    m_sliceTimer->setInterval(0);
    connect(m_sliceTimer, &QTimer::timeout, this, &TfrmMain::RunSlice);
    m_sliceProgress = new QProgressBar(this);
    m_sliceProgress->setObjectName("pbWork");
    m_sliceProgress->setMaximumWidth(160);
    m_sliceProgress->hide();
    m_sliceCancel = new QPushButton(this);
    m_sliceCancel->setObjectName("btnCancelWork");
    SetTrText(m_sliceCancel, "TfrmMain", QT_TRANSLATE_NOOP("TfrmMain", "Cancel"));
    m_sliceCancel->hide();
    connect(m_sliceCancel, &QPushButton::clicked, this, [this] {
        if (Adding()) CancelAdding();
        if (m_build) m_build->Cancelled = true;
    });
}

void TfrmMain::ShowSliceProgress(int done, int total)
{
    const bool working = total > 0 && done < total;
    m_sliceProgress->setVisible(working);
    m_sliceCancel->setVisible(working);
    if (!working) return;
    m_sliceProgress->setRange(0, total);
    m_sliceProgress->setValue(done);
}

void TfrmMain::AddFiles(const QStringList& files)
{
    for (const QString& file : files) m_pending.push_back({file, QString(), nullptr});
    StartAdding(static_cast<int>(files.size()));
}

void TfrmMain::AddFolder(const QString& folder)
{
    const QDir top(folder);
    int found = 0;
    // Links are not followed, so that a link to a folder above cannot make the walk endless.
    QDirIterator walk(folder, QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
    QStringList files;
    while (walk.hasNext()) files << walk.next();
    files.sort();
    for (const QString& file : files) {
        const QString below = QFileInfo(top.relativeFilePath(file)).path();
        m_pending.push_back({file, below == "." ? QString() : below + '/', nullptr});
        ++found;
    }
    if (found == 0) {
        const QString shown = folder;
        ShowStatus([shown] { return Tr("TfrmMain", "No files in %1.").arg(shown); });
        return;
    }
    StartAdding(found);
}

void TfrmMain::StartAdding(int count)
{
    if (count <= 0) return;
    if (m_converting) {
        // As with the tool bar's Add, which a run turns off.
        m_pending.clear();
        ShowStatus([] { return Tr("TfrmMain", "Files are added once the run is over."); });
        return;
    }
    // Loading the libraries (the first time) is part of the first slice's time.
    QElapsedTimer hold;
    hold.start();
    if (!LoadLibraries()) {
        m_pending.clear();
        return;
    }
    m_addTotal += count;
    m_convert->setEnabled(false);
    ShowSliceProgress(m_addDone, m_addTotal);
    // The first slice at once: a few files are in the list when the call returns.
    RunSliceFrom(hold);
    if (!m_sliceTimer->isActive() && (Adding() || m_build)) m_sliceTimer->start();
}

void TfrmMain::CancelAdding()
{
    if (!Adding()) return;
    const int total = m_addTotal;
    const int added = total - m_addSkipped - static_cast<int>(m_pending.size());
    m_pending.clear();
    FinishAdding();
    ShowStatus([added, total] { return Tr("TfrmMain", "Adding cancelled: %1 of %2 files added.").arg(added).arg(total); });
}

void TfrmMain::RunSlice()
{
    QElapsedTimer slice;
    slice.start();
    RunSliceFrom(slice);
}

void TfrmMain::RunSliceFrom(const QElapsedTimer& slice)
{
    if (Adding()) {
        do {
            const TPendingFile file = m_pending.front();
            m_pending.pop_front();
            if (!AddOneFile(file)) ++m_addSkipped;
            ++m_addDone;
        } while (Adding() && slice.elapsed() < kSliceMilliseconds);
        ShowSliceProgress(m_addDone, m_addTotal);
        if (!Adding()) {
            const int skipped = m_addSkipped;
            const int refused = m_addRefused;
            const int given = m_addTotal;
            const std::size_t rows = m_rows.size();
            FinishAdding();
            if (skipped > 0)
                ShowStatus([skipped, given] {
                    return Tr("TfrmMain", "Files not added: %1 of %2; the log says why.").arg(skipped).arg(given);
                });
            else if (refused > 0)
                ShowStatus([rows, refused] {
                    return Tr("TfrmMain", "Files in the list: %1; the outputs of %2 cannot be written where they go, "
                                          "as their rows say.")
                        .arg(rows)
                        .arg(refused);
                });
            else
                ShowStatus([rows] { return Tr("TfrmMain", "Files in the list: %1.").arg(rows); });
        } else {
            const int done = m_addDone;
            const int total = m_addTotal;
            ShowStatus([done, total] { return Tr("TfrmMain", "Adding files: %1 of %2...").arg(done).arg(total); });
            // Not while files are still coming.
            m_convert->setEnabled(false);
        }
    } else if (m_build) {
        BuildSlice(slice);
    }
    if (!Adding() && !m_build) m_sliceTimer->stop();
}

void TfrmMain::FinishAdding()
{
    m_addTotal = 0;
    m_addDone = 0;
    m_addSkipped = 0;
    m_addRefused = 0;
    ShowSliceProgress(0, 0);
    MapTaskRows();
    const bool rows = !m_rows.empty();
    m_convert->setEnabled(rows && !m_converting);
    if (rows && CurrentRow() < 0) SelectRow(0);
    HandRowToOptionWindow();
    ListChanged();
}

QString TfrmMain::OutputFolderOf(const std::string& subFolder, bool make) const
{
    // Files from a folder keep its layout below the output folder; beside their inputs, they
    // keep it anyway.
    if (m_folder->text().isEmpty()) return QString(kSameAsInput);
    const QString folder = m_folder->text() + QString::fromStdString(subFolder);
    if (make && !subFolder.empty()) QDir().mkpath(folder);
    return folder;
}

bool TfrmMain::AddOneFile(const TPendingFile& file)
{
    const std::string name = file.Path.toStdString();
    m_qelvan->SetLogLevel(llInfo);
    TOptionForm& form = OptionForm();
    const TNoPreviewPictures noPictures(form);
    // The row's output name is the one Convert from the tool bar writes: the page's format, in
    // the chosen folder or beside the input. The folder stays in the form, where the menu
    // command finds it.
    form.Settings.OutputFolder = OutputFolderOf(file.SubFolder.toStdString()).toStdString();
    const TPageSettingsScope scope(form, ActivePage(), PageChoices());
    // The task reads the file once and its prober answers the form: a file is not opened twice.
    TInputOptions input;
    int task = -1;
    try {
        input = form.InputOptionsFor(name);
        task = m_qelvan->AddTask(name, &input);
    } catch (const std::exception& error) {
        LogBlock("***Cannot do convert, error: " + QString::fromUtf8(error.what()));
        return false;
    }
    if (task < 0) {
        LogBlock("***File load error: " + QString::fromStdString(m_qelvan->LastErrMsg()));
        return false;
    }
    // Held here: the task (and the prober in it) stays while the form reads it.
    const std::shared_ptr<TVantrelTask> made = m_qelvan->Task(task);
    TAVProbe& probe = made->Probe;
    m_formInUse = true;
    form.SetProber(&probe);
    TOutputOptions output;
    try {
        output = form.GetOutputOptions();
    } catch (const std::exception& error) {
        form.SetProber(nullptr);
        m_formInUse = false;
        m_qelvan->RemoveTask(task);
        LogBlock("***Cannot do convert, error: " + QString::fromUtf8(error.what()));
        return false;
    }
    const std::int64_t duration = probe.GetFileInfo().Duration;
    form.SetProber(nullptr);
    m_formInUse = false;
    TRowEntry entry;
    entry.InputFile = name;
    entry.SubFolder = file.SubFolder.toStdString();
    entry.DurationSeconds = duration > 0 ? duration / 1000000 : 0;
    m_rows.push_back(std::move(entry));
    // A file whose task cannot be made keeps no entry, so that the lists stay row by row.
    if (AddToList(task, output, false)) {
        if (file.Saved) RestoreKeptRow(*file.Saved, duration);
        if (m_rows.back().State == rsFailed) ++m_addRefused;
        return true;
    }
    m_rows.pop_back();
    return false;
}

void TfrmMain::DropBuild()
{
    if (!m_build) return;
    // Rows not made yet stay as they were.
    for (std::size_t index = m_build->Next; index < m_build->Before.size(); ++index) {
        m_rows.push_back(std::move(m_build->Before[index]));
        m_model->AppendRow(index < m_build->Cells.size() ? m_build->Cells[index] : TFileListModel::TRow());
    }
    m_build.reset();
    m_formInUse = false;
    ShowSliceProgress(0, 0);
}

void TfrmMain::Convert(bool fromToolBar, const std::vector<bool>* only)
{
    if (m_rows.empty() || m_converting || Adding()) return;
    // The rows are made anew from the files, each with the settings of now; finished rows (and
    // those left out) stay as they are. The menu command converts every row with the option
    // window's settings, as it always did.
    const auto keep = [only, fromToolBar](const TRowEntry& entry, std::size_t row) {
        if (only != nullptr) return row >= only->size() || !(*only)[row];
        return fromToolBar && entry.State == rsFinished;
    };
    // Letting go of the old tasks is part of the first slice's time.
    QElapsedTimer hold;
    hold.start();
    auto build = std::make_unique<TConvertBuild>();
    build->FromToolBar = fromToolBar;
    bool any = false;
    for (std::size_t row = 0; row < m_rows.size(); ++row) {
        build->Keep.push_back(keep(m_rows[row], row));
        any = any || !build->Keep.back();
    }
    if (!any) {
        ShowStatus([] {
            return Tr("TfrmMain", "Every file is converted; choose \"Convert Again\" on the rows to convert them again.");
        });
        return;
    }
    m_playback->Close();
    m_qelvan->ClearTasks();
    for (int row = 0; row < m_model->rowCount(); ++row) build->Cells.push_back(m_model->Row(row));
    build->Selected = CurrentRow();
    m_model->Clear();
    std::swap(build->Before, m_rows);
    // While the tasks are made only Stop acts (it cancels).
    if (fromToolBar) SetToolStates(false, false, false, false, false, true);
    m_delete->setEnabled(false);
    OptionForm().ForgetOutputNames();
    m_converting = true;
    m_build = std::move(build);
    ShowSliceProgress(0, static_cast<int>(m_build->Before.size()));
    RunSliceFrom(hold);
    if (m_build && !m_sliceTimer->isActive()) m_sliceTimer->start();
}

void TfrmMain::BuildSlice(const QElapsedTimer& slice)
{
    TConvertBuild& build = *m_build;
    TOptionForm& form = OptionForm();
    const TNoPreviewPictures noPictures(form);
    TAVProbe& probe = m_qelvan->AVProbe();
    while (build.Next < build.Before.size() && !build.Cancelled && slice.elapsed() < kSliceMilliseconds) {
        const std::size_t index = build.Next++;
        TRowEntry& entry = build.Before[index];
        if (!build.Loaded || build.Keep[index]) {
            entry.Task = kNoTask;
            entry.InRun = false;
            m_rows.push_back(std::move(entry));
            m_model->AppendRow(index < build.Cells.size() ? build.Cells[index] : TFileListModel::TRow());
            continue;
        }
        if (!LoadLibraries()) {
            // The rest stay as they are; nothing more can be made.
            build.Loaded = false;
            --build.Next;
            continue;
        }
        m_qelvan->SetLogLevel(llInfo);
        // A file that cannot be read any more drops out of the list.
        if (!probe.Open(entry.InputFile, "")) continue;
        m_formInUse = true;
        if (build.FromToolBar) {
            form.Settings.OutputFolder = OutputFolderOf(entry.SubFolder).toStdString();
            ApplyPageChoices(form.Settings, ActivePage(), PageChoices());
        }
        form.SetProber(&probe);
        // The menu command converts a row's clip when "Cut Clip" was checked for it in the option
        // window.
        if (build.FromToolBar || entry.CutClip) ApplyRowClip(form, entry.ClipStart, entry.ClipEnd);
        entry.Task = kNoTask;
        entry.State = rsReady;
        entry.Failure.clear();
        entry.InRun = true;
        m_rows.push_back(std::move(entry));
        try {
            const TOutputOptions output = form.GetOutputOptions();
            const TInputOptions input = form.GetInputOptions();
            AddToList(m_qelvan->AddTask(input.FileName, &input), output, true);
        } catch (const std::exception& error) {
            LogBlock("***Cannot do convert, error: " + QString::fromUtf8(error.what()));
            m_rows.pop_back();
        }
        form.SetProber(nullptr);
        probe.Close();
        m_formInUse = false;
    }
    ShowSliceProgress(static_cast<int>(build.Next), static_cast<int>(build.Before.size()));
    if (build.Next < build.Before.size() && !build.Cancelled) {
        const int done = static_cast<int>(build.Next);
        const int total = static_cast<int>(build.Before.size());
        ShowStatus([done, total] { return Tr("TfrmMain", "Preparing files: %1 of %2...").arg(done).arg(total); });
        return;
    }
    FinishBuild();
}

void TfrmMain::FinishBuild()
{
    const bool fromToolBar = m_build->FromToolBar;
    const bool cancelled = m_build->Cancelled;
    const int selected = m_build->Selected;
    DropBuild();
    m_qelvan->SetLogLevel(llInfo);
    m_qelvan->ThreadPriority = tpLower;
    if (fromToolBar) SetToolStates(false, false, false, true, false, true);
    MapTaskRows();
    m_followRow = -1;
    m_delete->setEnabled(!fromToolBar && m_model->rowCount() > 0);
    if (m_model->rowCount() > 0) SelectRow(selected >= 0 && selected < m_model->rowCount() ? selected : 0);
    m_converting = m_qelvan->TaskCount() > 0;
    // Building the records wrote the hook texts back into the form.
    HandRowToOptionWindow();
    ListChanged();
    if (!m_converting) {
        // Nothing could be started: the run is over before it began.
        RunEnded();
        return;
    }
    const int tasks = m_qelvan->TaskCount();
    ShowStatus([tasks] { return Tr("TfrmMain", "Converting files: %1...").arg(tasks); });
    m_qelvan->StartConvert(TasksAtOnce());
    // A Stop while the tasks were made stops what was made, and the run ends as stopped.
    if (cancelled) m_qelvan->StopConvert();
}

}  // namespace mirelk::ui
