// The main window: the list of files to convert, the output folder, the playback panel for
// clip times, the five format pages, and the conversion run with its progress. Conversion rules
// live in the option form and the component; the window fills the form, adds the tasks and
// shows the component's events, which reach it as queued calls on the main thread.
#pragma once

#include <QMainWindow>
#include <QStringList>
#include <memory>
#include <string>
#include <vector>

#include "component/vantrel.h"
#include "form/main_window_pages.h"
#include "form/option_form.h"
#include "ui/config_file.h"

class QAction;
class QButtonGroup;
class QComboBox;
class QDialog;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QTabWidget;
class QToolButton;
class QTimer;
class QTreeWidget;

namespace mirelk::ui {

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

    // The steps of the Add command for files already chosen (the dialog's, or dropped ones).
    void AddFiles(const QStringList& files);
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

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // What the window keeps of one row, besides its cells.
    struct TRowEntry {
        std::string InputFile;
        // Seconds as TimeText, "0" when unset.
        std::string ClipStart = "0";
        std::string ClipEnd = "0";
        // The same as "hh:mm:ss", "0" when unset.
        std::string ClipStartText = "0";
        std::string ClipEndText = "0";
        // "Cut Clip" checked for this row in the option window: the menu command converts the
        // clip only then.
        bool CutClip = false;
        std::int64_t DurationSeconds = 0;
        // The row's task, -1 while it has none.
        int Task = -1;
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
    // A row whose task fails stays (saying why) when keepFailedRow, else it is not added.
    bool AddToList(const TOutputOptions& output, const TInputOptions& input, bool keepFailedRow);
    void Convert(bool fromToolBar);
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

    void OnProgress(int index, int currentDuration, std::int64_t currentSize, int totalDuration);
    void OnTerminate(int index, bool finished, bool exception, const QString& message);
    void OnLog(int index, int level, const QString& message);
    void LogBlock(const QString& line);
    int RowOfTask(int taskIndex) const;
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
    QTreeWidget* m_files = nullptr;
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
    QDialog* m_logWindow = nullptr;
    QPlainTextEdit* m_log = nullptr;
    QAction* m_showLog = nullptr;
    QAction* m_previewRun = nullptr;
    QTimer* m_saveOptions = nullptr;
    // Declared after the form it shows, and reset before the component, so that it lets go of
    // both while they exist.
    std::unique_ptr<TfrmOption> m_optionWindow;
};

}  // namespace mirelk::ui
