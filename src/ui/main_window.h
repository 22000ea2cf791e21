// The main window: the list of files to convert, the output folder, the playback panel for
// clip times, the format pages, and the conversion run with its progress. Conversion rules
// live in the option form and the component; the window fills the form, adds the tasks and
// shows the component's events, which reach it as queued calls on the main thread.
#pragma once

#include <QMainWindow>
#include <QStringList>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "component/vantrel.h"
#include "form/main_window_pages.h"
#include "form/option_form.h"
#include "ui/config_file.h"
#include "ui/file_list_model.h"
#include "ui/list_journal.h"

class QAction;
class QButtonGroup;
class QComboBox;
class QDialog;
class QElapsedTimer;
class QProgressBar;
class QLabel;
class QLineEdit;
class QMenu;
class QPlainTextEdit;
class QPushButton;
class QTabWidget;
class QToolButton;
class QTimer;
class QTableView;

namespace mirelk::ui {

class TModernFormatPage;
class TPlaybackPanel;
class TEventRelay;
class TfrmOption;

class TfrmMain final : public QMainWindow {
    Q_OBJECT
public:
    // The component's timers and previews run on the given main thread; programFolder holds
    // "LibAV" and "vhook", its data folder the help page; "Config.ini" is beside the program in a
    // build tree, else in the user's configuration folder.
    TfrmMain(IMainThreadDispatcher& mainThread, const QString& programFolder);
    ~TfrmMain() override;

    // The steps of the Add command for files already chosen (the dialog's, or dropped ones),
    // in slices on the main loop: the first files are in the list on return, the rest follow.
    void AddFiles(const QStringList& files);
    // Every file in the folder and its subfolders (links not followed); the outputs keep the
    // subfolders' layout below the output folder.
    void AddFolder(const QString& folder);
    bool Adding() const { return !m_pending.empty(); }
    void CancelAdding();
    // True while Convert makes the tasks, before the run starts.
    bool Building() const { return m_build != nullptr; }
    // The Convert tool button, and the menu command "转换".
    void ConvertFromToolBar();
    void ConvertFromMenu();

    TVantrel& Qelvan() { return *m_qelvan; }
    TOptionForm& OptionForm();
    // The option window (made on first use) shown, with the selected row's file.
    TfrmOption& ShowOptionWindow();
    TfrmOption* OptionWindow() const { return m_optionWindow.get(); }
    // Writes the option form's settings to "Config.ini" now rather than shortly after a change.
    void SaveOptionSettings();
    // The per-row lists, row by row.
    std::vector<std::string> InputFiles() const;
    std::vector<std::string> ClipStarts() const;
    std::vector<std::string> ClipEnds() const;
    // True between the start of a run and its end-of-run report.
    bool Converting() const { return m_converting; }
    int TasksAtOnce() const;
    const TConfigFile& Config() const { return m_config; }

    // The windows' language ("zh_CN" or "en"): switched at once and kept in "Config.ini".
    void SetLanguage(const QString& language);
    // The status bar's text.
    QString StatusText() const;
    // Per-row commands, also on the rows' context menu. Stop stops the row's file while the others
    // go on; retry converts a failed or stopped row again; convert again does so for finished ones.
    void StopRow(int row);
    void RetryRow(int row);
    void ConvertRowsAgain(const std::vector<int>& rows);
    void RemoveRow(int row);
    bool OpenRowFolder(int row);
    bool PlayRowOutput(int row);
    // The row's output file as Convert writes it, with its folder.
    std::string OutputFile(int row) const;
    // The line under the pages: the option window's settings a Convert takes beyond the page.
    QString SettingsLineText() const;
    // Puts those settings back to their defaults.
    void ResetOptionSettings();
    // When the last session's list was not closed normally (the program or the machine stopped),
    // asks whether to restore it, and does; rows whose output passes the output check come back
    // as finished, the others ready to convert. True when rows are being restored.
    bool OfferListRestore();
    // Where the list is kept while the program runs.
    QString ListFile() const;
    // Closes the window without the question a run would ask (the session ends, the program
    // was told to stop): the run is stopped, and the list is kept to be offered at the next start.
    void CloseWithoutAsking();

signals:
    // A desktop notification was sent (the window was not active when a run ended).
    void Notified(const QString& title, const QString& text);

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // What the window keeps of one row, besides its cells.
    enum TRowState { rsReady, rsFinished, rsFailed, rsStopped };
    struct TRowEntry {
        std::string InputFile;
        std::string OutputFile;
        TRowState State = rsReady;
        // Why the row failed, as the engine said it.
        QString Failure;
        // Part of the run that goes on or ended last.
        bool InRun = false;
        // Seconds as TimeText, "0" when unset.
        std::string ClipStart = "0";
        std::string ClipEnd = "0";
        // The same as "hh:mm:ss", "0" when unset.
        std::string ClipStartText = "0";
        std::string ClipEndText = "0";
        // "Cut Clip" checked for this row in the option window: the menu command converts the
        // clip only then.
        bool CutClip = false;
        // The input's folder below the folder it was added with ("a/b/"), empty for a file.
        std::string SubFolder;
        std::int64_t DurationSeconds = 0;
        // The row's task by its id (which no deletion changes), kNoTask while it has none.
        TTaskId Task = kNoTask;
    };
    void BuildToolBar();
    void BuildMenus();
    QWidget* BuildFileList();
    QWidget* BuildOutputRow();
    QWidget* BuildFormatPages();
    void ConnectComponent();
    void DetachComponent();

    void AddClicked();
    bool LoadLibraries();
    // Adds the task for the form's current file; true when a row was added.
    // Gives the last row its task (the component's index, or -1 when the file could not be
    // opened: LastErrMsg says why) and its output. A row whose task fails stays (saying why) when
    // keepFailedRow, else it is not added (false); a row whose input reads but whose output is
    // refused always stays.
    bool AddToList(int task, const TOutputOptions& output, bool keepFailedRow);
    // Converts the rows that are not finished, or only the rows marked in `only` when given.
    void Convert(bool fromToolBar, const std::vector<bool>* only = nullptr);
    void RunEnded();
    struct TPendingFile {
        QString Path;
        QString SubFolder;
        // Set for a row of a restored list.
        std::shared_ptr<const TKeptRow> Saved;
    };
    // What Convert keeps between its slices.
    struct TConvertBuild {
        bool FromToolBar = true;
        bool Cancelled = false;
        bool Loaded = true;
        int Selected = -1;
        std::size_t Next = 0;
        std::vector<bool> Keep;
        std::vector<TRowEntry> Before;
        std::vector<TFileListModel::TRow> Cells;
    };
    void BuildSliceWidgets();
    void ShowSliceProgress(int done, int total);
    void StartAdding(int count);
    void RunSlice();
    // A slice whose time runs since the clock was started.
    void RunSliceFrom(const QElapsedTimer& slice);
    void FinishAdding();
    bool AddOneFile(const TPendingFile& file);
    // The folder of a row's output; make creates a subfolder that is missing.
    QString OutputFolderOf(const std::string& subFolder, bool make = true) const;
    void BuildSlice(const QElapsedTimer& slice);
    void FinishBuild();
    void DropBuild();
    void Notify(const QString& title, const QString& text);
    QWidget* BuildSettingsLine();
    void ShowSettingsLine();
    // The output names of the rows Convert will make again, as the page and the settings give
    // them now.
    void RefreshOutputNames();
    // The list kept on disk, written shortly after every change.
    void ListChanged();
    void SaveList();
    void RestoreKeptRow(const TKeptRow& kept, std::int64_t durationMicroseconds);
    // Asks once whether a run going on is to be stopped; false when the user keeps it going.
    bool ConfirmStopOnClose();
    // The status bar's text, made again in the new language when the language changes.
    void ShowStatus(std::function<QString()> text);
    void ShowRowState(int row);
    void RetranslateUi();
    void ShowRowMenu(const QPoint& position);
    void BuildRowMenu();
    void UpdateRowActions();
    void ConvertRowAgain(int row);
    void OpenRowFolderCommand(int row);
    void PlayRowCommand(int row);
    QString FolderText() const;
    void PauseClicked();
    void ResumeClicked();
    void StopClicked();
    void DeleteRow();
    void ClearAll();
    void MoveRow(int delta);
    void ChooseFolder();
    void OpenFolder();
    void PlayClicked(bool play);
    void SetClipMark(bool start);
    void ShowAbout();
    void ShowHelp();
    // Hands the selected row's file and clip to the option window while it is shown.
    void HandRowToOptionWindow();
    void OptionClipMarked(bool start);
    TRowEntry* SelectedRow();

    void OnProgress(TTaskId task, int currentDuration, std::int64_t currentSize, int totalDuration);
    void OnTerminate(TTaskId task, bool finished, bool exception, const QString& message, const QString& kept);
    void OnLog(int index, int level, const QString& message);
    void LogBlock(const QString& line);
    void FlushLog();
    int RowOfTask(TTaskId task) const;
    void MapTaskRows();
    // The selected row, -1 when none.
    int CurrentRow() const;
    void SelectRow(int row);
    template <typename Field>
    std::vector<std::string> Column(Field field) const;
    void SetToolStates(bool add, bool clear, bool convert, bool pause, bool resume, bool stop);
    TFormatPage ActivePage() const;
    TPageChoices PageChoices() const;

    IMainThreadDispatcher& m_mainThread;
    QString m_programFolder;
    TConfigFile m_config;
    std::unique_ptr<TVantrel> m_qelvan;
    std::shared_ptr<TEventRelay> m_relay;
    std::unique_ptr<TOptionForm> m_optionForm;
    QImage m_hookIcon;
    bool m_converting = false;
    // Set while adding or converting hands the component's prober to the form, when the option
    // window must not take the form back.
    bool m_formInUse = false;

    // In the order of the rows.
    std::vector<TRowEntry> m_rows;

    QToolButton* m_add = nullptr;
    QToolButton* m_clear = nullptr;
    QToolButton* m_convert = nullptr;
    QToolButton* m_pause = nullptr;
    QToolButton* m_resume = nullptr;
    QToolButton* m_stop = nullptr;
    QTableView* m_files = nullptr;
    TFileListModel* m_model = nullptr;
    // Which row shows each task, by the task's id; made again whenever rows are added, removed or
    // moved.
    std::unordered_map<TTaskId, int> m_taskRows;
    // The running row the list keeps in sight, -1 before the first report of a run.
    int m_followRow = -1;
    QPushButton* m_delete = nullptr;
    QLineEdit* m_folder = nullptr;
    TPlaybackPanel* m_playback = nullptr;
    QTabWidget* m_pages = nullptr;
    QComboBox* m_3gpVideo = nullptr;
    QComboBox* m_3gpAudio = nullptr;
    QComboBox* m_3gpSize = nullptr;
    QComboBox* m_3gpRate = nullptr;
    QButtonGroup* m_norms[3] = {nullptr, nullptr, nullptr};
    QComboBox* m_wmvVideo = nullptr;
    QComboBox* m_wmvSize = nullptr;
    QComboBox* m_wmvRate = nullptr;
    TModernFormatPage* m_modernPage = nullptr;
    QDialog* m_logWindow = nullptr;
    QPlainTextEdit* m_log = nullptr;
    QAction* m_showLog = nullptr;
    QAction* m_previewRun = nullptr;
    QTimer* m_saveOptions = nullptr;
    QLabel* m_status = nullptr;
    QLabel* m_settingsLine = nullptr;
    QPushButton* m_resetSettings = nullptr;
    QTimer* m_refreshNames = nullptr;
    QTimer* m_saveList = nullptr;
    QString m_listFile;
    bool m_closeWithoutAsking = false;
    QStringList m_logBuffer;
    QTimer* m_logFlush = nullptr;
    QTimer* m_sliceTimer = nullptr;
    QProgressBar* m_sliceProgress = nullptr;
    QPushButton* m_sliceCancel = nullptr;
    std::deque<TPendingFile> m_pending;
    int m_addTotal = 0;
    int m_addDone = 0;
    int m_addSkipped = 0;
    // Rows added failed: their outputs cannot be written where they go.
    int m_addRefused = 0;
    std::unique_ptr<TConvertBuild> m_build;
    std::function<QString()> m_statusText;
    QMenu* m_rowMenu = nullptr;
    QAction* m_stopRow = nullptr;
    QAction* m_retryRow = nullptr;
    QAction* m_againRows = nullptr;
    QAction* m_openRowFolder = nullptr;
    QAction* m_playRow = nullptr;
    QAction* m_removeRow = nullptr;
    QMenu* m_languageMenu = nullptr;
    // Declared after the form it shows, and reset before the component, so that it lets go of
    // both while they exist.
    std::unique_ptr<TfrmOption> m_optionWindow;
};

}  // namespace mirelk::ui
