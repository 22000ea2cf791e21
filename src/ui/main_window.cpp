#include "ui/main_window.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QButtonGroup>
#include <QComboBox>
#include <QDialog>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QScrollArea>
#include <QStatusBar>
#include <QTabWidget>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QTableView>
#include <QVBoxLayout>

#include "form/option_choices.h"
#include "binding/utilities.h"
#include "ui/app_icon.h"
#include "ui/file_list_model.h"
#include "ui/host/event_relay.h"
#include "ui/host/preview_window.h"
#include "ui/language.h"
#include "ui/modern_format_page.h"
#include "ui/option_window.h"
#include "ui/playback_panel.h"

namespace mirelk::ui {

namespace {

constexpr int kClientWidth = 624;
constexpr int kClientHeight = 473;
constexpr char kContext[] = "TfrmMain";
constexpr char kLanguageKey[] = "language";
constexpr char kColumnsKey[] = "columns";

template <std::size_t N>
QComboBox* ChoiceList(QWidget* parent, const char* name, const std::array<std::string_view, N>& items)
{
    auto* list = new QComboBox(parent);
    list->setObjectName(name);
    for (const std::string_view item : items) list->addItem(QString::fromUtf8(item.data(), static_cast<int>(item.size())));
    list->setCurrentIndex(0);
    return list;
}

QToolButton* ToolButton(QToolBar* bar, const char* name, const char* caption, TToolIcon icon)
{
    auto* button = new QToolButton(bar);
    button->setObjectName(name);
    SetTrText(button, kContext, caption);
    button->setIcon(ToolIcon(icon));
    button->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    button->setIconSize(QSize(24, 24));
    button->setAutoRaise(true);
    button->setMinimumWidth(56);
    bar->addWidget(button);
    return button;
}

}  // namespace

TfrmMain::TfrmMain(IMainThreadDispatcher& mainThread, const QString& programFolder)
    : m_mainThread(mainThread), m_programFolder(programFolder), m_config(programFolder),
      m_qelvan(std::make_unique<TVantrel>(mainThread, QtPreviewWindows())),
      m_relay(std::make_shared<TEventRelay>(this)), m_hookIcon(AppIconImage(32).convertToFormat(QImage::Format_RGB888))
{
    setObjectName("frmMain");
    InstallLanguage(ChooseLanguage(m_config.Value(TConfigFile::kFormSection, kLanguageKey), QLocale::system()));
    setWindowTitle(QString("%1 %2").arg(QApplication::applicationName(), QApplication::applicationVersion()));
    setWindowIcon(AppIcon());
    setAcceptDrops(true);

    BuildToolBar();
    BuildMenus();

    auto* central = new QWidget(this);
    central->setObjectName("pnlClient");
    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(6, 4, 6, 6);
    layout->setSpacing(4);
    layout->addWidget(BuildFileList(), 1);
    layout->addWidget(BuildOutputRow());
    auto* bottom = new QHBoxLayout;
    bottom->setSpacing(6);
    m_playback = new TPlaybackPanel(central);
    m_playback->setFixedWidth(300);
    bottom->addWidget(m_playback);
    bottom->addWidget(BuildFormatPages(), 1);
    layout->addLayout(bottom);
    layout->addWidget(BuildSettingsLine());
    setCentralWidget(central);

    m_logWindow = new QDialog(this, Qt::Tool);
    m_logWindow->setObjectName("frmLog");
    SetTrTitle(m_logWindow, kContext, QT_TRANSLATE_NOOP("TfrmMain", "Log"));
    m_log = new QPlainTextEdit(m_logWindow);
    m_log->setObjectName("mmoLog");
    m_log->setReadOnly(true);
    m_log->setMaximumBlockCount(20000);
    auto* logLayout = new QVBoxLayout(m_logWindow);
    logLayout->setContentsMargins(2, 2, 2, 2);
    logLayout->addWidget(m_log);
    m_logWindow->resize(620, 300);
    connect(m_logWindow, &QDialog::finished, this, [this] { m_showLog->setChecked(false); });

    connect(m_playback->PlayButton(), &QToolButton::clicked, this, [this] { PlayClicked(true); });
    connect(m_playback->PauseButton(), &QToolButton::clicked, this, [this] { PlayClicked(false); });
    connect(m_playback->StartButton(), &QPushButton::clicked, this, [this] { SetClipMark(true); });
    connect(m_playback->EndButton(), &QPushButton::clicked, this, [this] { SetClipMark(false); });

    BuildRowMenu();
    m_status = new QLabel(this);
    m_status->setObjectName("lblStatus");
    statusBar()->setObjectName("StatusBar1");
    statusBar()->addWidget(m_status, 1);
    BuildSliceWidgets();
    statusBar()->addPermanentWidget(m_sliceProgress);
    statusBar()->addPermanentWidget(m_sliceCancel);

    // The design's size is the first and the smallest, unless the screen is smaller (a large
    // scale factor on a small screen): then the screen's.
    central->setMinimumSize(kClientWidth, kClientHeight - 60);
    QSize size = sizeHint().expandedTo(QSize(kClientWidth, kClientHeight));
    // Below that size the window's content scrolls rather than being squeezed until its parts
    // overlap.
    takeCentralWidget();
    auto* scroll = new QScrollArea(this);
    scroll->setObjectName("scrClient");
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidgetResizable(true);
    scroll->setWidget(central);
    setCentralWidget(scroll);
    if (const QScreen* screen = QApplication::primaryScreen()) {
        const QSize room = screen->availableGeometry().size() - QSize(16, 40);
        size = size.boundedTo(room);
        setMinimumSize(size);
        resize(size);
        move(screen->availableGeometry().center() - rect().center());
    } else {
        setMinimumSize(size);
        resize(size);
    }
    if (const QByteArray columns = QByteArray::fromBase64(m_config.Value(TConfigFile::kFormSection, kColumnsKey).toLatin1());
        !columns.isEmpty())
        m_files->horizontalHeader()->restoreState(columns);
    Retranslate(this);
    RetranslateUi();

    m_logFlush = new QTimer(this);
    m_logFlush->setSingleShot(true);
    m_logFlush->setInterval(50);
    connect(m_logFlush, &QTimer::timeout, this, &TfrmMain::FlushLog);

    m_saveOptions = new QTimer(this);
    m_saveOptions->setSingleShot(true);
    m_saveOptions->setInterval(400);
    connect(m_saveOptions, &QTimer::timeout, this, &TfrmMain::SaveOptionSettings);
    ShowSettingsLine();

    // A second is soon enough after a change: a crash loses at most the last second's rows.
    m_listFile = ListJournalPath(m_config.Path(), programFolder);
    m_saveList = new QTimer(this);
    m_saveList->setSingleShot(true);
    m_saveList->setInterval(1000);
    connect(m_saveList, &QTimer::timeout, this, &TfrmMain::SaveList);

    SetToolStates(true, false, false, false, false, false);
    m_delete->setEnabled(false);
    ConnectComponent();
}

TfrmMain::~TfrmMain()
{
    DetachComponent();
    m_optionWindow.reset();
    // The component (and with it every task) goes before the window's widgets.
    m_qelvan.reset();
}

void TfrmMain::BuildToolBar()
{
    auto* bar = new QToolBar(this);
    bar->setObjectName("ToolBar1");
    bar->setMovable(false);
    bar->setFloatable(false);
    bar->setIconSize(QSize(24, 24));
    bar->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    addToolBar(Qt::TopToolBarArea, bar);
    m_add = ToolButton(bar, "ToolButton1", QT_TRANSLATE_NOOP("TfrmMain", "Add"), tiAdd);
    m_clear = ToolButton(bar, "ToolButton2", QT_TRANSLATE_NOOP("TfrmMain", "Clear"), tiClear);
    m_convert = ToolButton(bar, "ToolButton7", QT_TRANSLATE_NOOP("TfrmMain", "Convert"), tiConvert);
    m_pause = ToolButton(bar, "ToolButton5", QT_TRANSLATE_NOOP("TfrmMain", "Pause"), tiPause);
    m_resume = ToolButton(bar, "ToolButton6", QT_TRANSLATE_NOOP("TfrmMain", "Resume"), tiResume);
    m_stop = ToolButton(bar, "ToolButton4", QT_TRANSLATE_NOOP("TfrmMain", "Stop"), tiStop);
    SetTrToolTip(m_add, kContext, QT_TRANSLATE_NOOP("TfrmMain", "Add files (Ctrl+O)"));
    connect(m_add, &QToolButton::clicked, this, &TfrmMain::AddClicked);
    connect(m_clear, &QToolButton::clicked, this, [this] {
        ClearAll();
        SetToolStates(true, false, false, m_pause->isEnabled(), m_resume->isEnabled(), m_stop->isEnabled());
    });
    connect(m_convert, &QToolButton::clicked, this, &TfrmMain::ConvertFromToolBar);
    connect(m_pause, &QToolButton::clicked, this, &TfrmMain::PauseClicked);
    connect(m_resume, &QToolButton::clicked, this, &TfrmMain::ResumeClicked);
    connect(m_stop, &QToolButton::clicked, this, &TfrmMain::StopClicked);
}

void TfrmMain::BuildMenus()
{
    const auto menu = [this](const char* name, const char* title) {
        QMenu* added = menuBar()->addMenu(QString());
        added->setObjectName(name);
        SetTrText(added, kContext, title);
        return added;
    };
    const auto item = [](QMenu* owner, const char* name, const char* text) {
        QAction* action = owner->addAction(QString());
        action->setObjectName(name);
        SetTrText(action, kContext, text);
        return action;
    };
    QMenu* file = menu("mnuFile", QT_TRANSLATE_NOOP("TfrmMain", "&File"));
    QAction* add = item(file, "mnuAddFile", QT_TRANSLATE_NOOP("TfrmMain", "&Add File..."));
    add->setShortcut(QKeySequence::Open);
    connect(add, &QAction::triggered, this, &TfrmMain::AddClicked);
    QAction* addFolder = item(file, "mnuAddFolder", QT_TRANSLATE_NOOP("TfrmMain", "Add F&older..."));
    addFolder->setShortcut(QKeySequence("Ctrl+Shift+A"));
    connect(addFolder, &QAction::triggered, this, [this] {
        if (!m_add->isEnabled() || !LoadLibraries()) return;
        const QString folder = QFileDialog::getExistingDirectory(this, Tr("TfrmMain", "Add Folder"), m_folder->text());
        if (!folder.isEmpty()) AddFolder(folder);
    });
    connect(item(file, "mnuDelete", QT_TRANSLATE_NOOP("TfrmMain", "&Delete")), &QAction::triggered, this,
            &TfrmMain::DeleteRow);
    connect(item(file, "mnuClear", QT_TRANSLATE_NOOP("TfrmMain", "C&lear")), &QAction::triggered, this,
            &TfrmMain::ClearAll);
    file->addSeparator();
    QAction* quit = item(file, "mnuExit", QT_TRANSLATE_NOOP("TfrmMain", "E&xit"));
    quit->setShortcut(QKeySequence("Ctrl+Q"));
    // Closing asks before it stops a run.
    connect(quit, &QAction::triggered, this, &QWidget::close);

    QMenu* action = menu("mnuAction", QT_TRANSLATE_NOOP("TfrmMain", "&Action"));
    connect(item(action, "mnuConvert", QT_TRANSLATE_NOOP("TfrmMain", "&Convert")), &QAction::triggered, this,
            &TfrmMain::ConvertFromMenu);
    connect(item(action, "mnuPause", QT_TRANSLATE_NOOP("TfrmMain", "&Pause")), &QAction::triggered, this,
            [this] { m_qelvan->Pause(); });
    connect(item(action, "mnuResume", QT_TRANSLATE_NOOP("TfrmMain", "&Resume")), &QAction::triggered, this,
            [this] { m_qelvan->Resume(); });
    connect(item(action, "mnuStop", QT_TRANSLATE_NOOP("TfrmMain", "&Stop")), &QAction::triggered, this,
            [this] { m_qelvan->StopConvert(); });

    QMenu* view = menu("mnuView", QT_TRANSLATE_NOOP("TfrmMain", "&View"));
    m_showLog = item(view, "mnuShowLog", QT_TRANSLATE_NOOP("TfrmMain", "&Log"));
    m_showLog->setCheckable(true);
    connect(m_showLog, &QAction::toggled, this, [this](bool shown) { m_logWindow->setVisible(shown); });
    QAction* options = item(view, "mnuOptions", QT_TRANSLATE_NOOP("TfrmMain", "&Output Options..."));
    options->setShortcut(QKeySequence("Ctrl+E"));
    connect(options, &QAction::triggered, this, [this] { ShowOptionWindow(); });
    m_previewRun = item(view, "mnuPreview", QT_TRANSLATE_NOOP("TfrmMain", "&Preview Conversion"));
    m_previewRun->setCheckable(true);
    connect(m_previewRun, &QAction::toggled, this, [this](bool preview) { m_qelvan->SetPreview(preview); });
    m_languageMenu = view->addMenu(QString());
    m_languageMenu->setObjectName("mnuLanguage");
    SetTrText(m_languageMenu, kContext, QT_TRANSLATE_NOOP("TfrmMain", "Lan&guage"));
    auto* languages = new QActionGroup(m_languageMenu);
    for (const QString& language : AvailableLanguages()) {
        // Each language by its own name, so that a user who cannot read the other finds it.
        QAction* choice = m_languageMenu->addAction(LanguageName(language));
        choice->setObjectName("mnuLanguage_" + language);
        choice->setCheckable(true);
        choice->setData(language);
        languages->addAction(choice);
        connect(choice, &QAction::triggered, this, [this, language] { SetLanguage(language); });
    }

    QMenu* help = menu("mnuHelp", QT_TRANSLATE_NOOP("TfrmMain", "&Help"));
    connect(item(help, "mnuAbout", QT_TRANSLATE_NOOP("TfrmMain", "&About Us")), &QAction::triggered, this,
            &TfrmMain::ShowAbout);
    QAction* helpFile = item(help, "mnuHelpFile", QT_TRANSLATE_NOOP("TfrmMain", "Help &File"));
    helpFile->setShortcut(QKeySequence(Qt::Key_F1));
    connect(helpFile, &QAction::triggered, this, &TfrmMain::ShowHelp);
}

QWidget* TfrmMain::BuildFileList()
{
    auto* box = new QWidget(this);
    auto* layout = new QHBoxLayout(box);
    layout->setContentsMargins(0, 0, 0, 0);
    m_files = new QTableView(box);
    m_files->setObjectName("lvFiles");
    m_model = new TFileListModel(m_files);
    m_files->setModel(m_model);
    m_files->verticalHeader()->hide();
    m_files->verticalHeader()->setDefaultSectionSize(m_files->fontMetrics().height() + 6);
    m_files->setShowGrid(false);
    m_files->setWordWrap(false);
    m_files->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_files->setSelectionMode(QAbstractItemView::SingleSelection);
    m_files->setEditTriggers(QAbstractItemView::NoEditTriggers);
    // The design's widths, the size columns widened to hold a size as FormatFileSize writes it.
    const int sizeWidth = m_files->fontMetrics().horizontalAdvance("999.99 MB") + 12;
    const int widths[] = {100, 65, qMax(65, sizeWidth), 120, 80, 80, qMax(65, sizeWidth)};
    for (int column = 0; column < TFileListModel::kColumns; ++column) m_files->setColumnWidth(column, widths[column]);
    m_files->horizontalHeader()->setStretchLastSection(false);
    m_files->horizontalHeader()->setHighlightSections(false);
    m_files->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_files, &QWidget::customContextMenuRequested, this, &TfrmMain::ShowRowMenu);
    // The selection stays visible when the list loses the focus.
    QPalette palette = m_files->palette();
    palette.setColor(QPalette::Inactive, QPalette::Highlight, palette.color(QPalette::Active, QPalette::Highlight));
    palette.setColor(QPalette::Inactive, QPalette::HighlightedText,
                     palette.color(QPalette::Active, QPalette::HighlightedText));
    m_files->setPalette(palette);
    m_files->installEventFilter(this);
    m_files->setAcceptDrops(false);
    connect(m_files->selectionModel(), &QItemSelectionModel::currentRowChanged, this, [this](const QModelIndex& current) {
        const int row = current.isValid() ? current.row() : -1;
        // The panel shows the file of the selected row only, so that a clip is marked on it.
        const TRowEntry* entry = row >= 0 && row < static_cast<int>(m_rows.size()) ? &m_rows[static_cast<std::size_t>(row)] : nullptr;
        if (m_playback->IsOpen() && (entry == nullptr || QString::fromStdString(entry->InputFile) != m_playback->OpenFile()))
            m_playback->Close();
        if (entry != nullptr)
            m_playback->ShowMarks(QString::fromStdString(entry->ClipStartText), QString::fromStdString(entry->ClipEndText));
        HandRowToOptionWindow();
        UpdateRowActions();
    });

    auto* buttons = new QVBoxLayout;
    auto* up = new QPushButton(box);
    up->setObjectName("BitBtn1");
    SetTrText(up, kContext, QT_TRANSLATE_NOOP("TfrmMain", "Up"));
    auto* down = new QPushButton(box);
    down->setObjectName("BitBtn2");
    SetTrText(down, kContext, QT_TRANSLATE_NOOP("TfrmMain", "Down"));
    m_delete = new QPushButton(box);
    m_delete->setObjectName("ToolButton3");
    SetTrText(m_delete, kContext, QT_TRANSLATE_NOOP("TfrmMain", "Delete"));
    for (QPushButton* button : {up, down, m_delete}) {
        button->setMinimumWidth(52);
        buttons->addWidget(button);
    }
    buttons->addStretch(1);
    connect(up, &QPushButton::clicked, this, [this] { MoveRow(-1); });
    connect(down, &QPushButton::clicked, this, [this] { MoveRow(1); });
    connect(m_delete, &QPushButton::clicked, this, [this] {
        DeleteRow();
        const bool rows = m_model->rowCount() > 0;
        m_delete->setEnabled(rows);
        m_clear->setEnabled(rows);
        m_convert->setEnabled(rows);
    });
    layout->addWidget(m_files, 1);
    layout->addLayout(buttons);
    return box;
}

QWidget* TfrmMain::BuildOutputRow()
{
    auto* box = new QWidget(this);
    auto* layout = new QHBoxLayout(box);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* label = new QLabel(box);
    SetTrText(label, kContext, QT_TRANSLATE_NOOP("TfrmMain", "Output Folder:"));
    m_folder = new QLineEdit(box);
    m_folder->setObjectName("Edit1");
    m_folder->setReadOnly(true);
    SetTrPlaceholder(m_folder, kContext, QT_TRANSLATE_NOOP("TfrmMain", "Beside each input file"));
    auto* choose = new QPushButton(box);
    choose->setObjectName("btnOutPath");
    SetTrText(choose, kContext, QT_TRANSLATE_NOOP("TfrmMain", "Choose Folder"));
    auto* open = new QPushButton(box);
    open->setObjectName("Button2");
    SetTrText(open, kContext, QT_TRANSLATE_NOOP("TfrmMain", "Open"));
    connect(choose, &QPushButton::clicked, this, &TfrmMain::ChooseFolder);
    connect(open, &QPushButton::clicked, this, &TfrmMain::OpenFolder);
    layout->addWidget(label);
    layout->addWidget(m_folder, 1);
    layout->addWidget(choose);
    layout->addWidget(open);
    return box;
}

QWidget* TfrmMain::BuildFormatPages()
{
    m_pages = new QTabWidget(this);
    m_pages->setObjectName("PageControl1");
    m_pages->setUsesScrollButtons(false);  // every page's caption whole: the window is as wide as they
    m_pages->setElideMode(Qt::ElideNone);
    const auto addRow = [](QGridLayout* grid, int row, const char* caption, QComboBox* list) {
        auto* label = new QLabel;
        SetTrText(label, kContext, caption);
        grid->addWidget(label, row, 0);
        grid->addWidget(list, row, 1);
    };
    auto* page3gp = new QWidget;
    page3gp->setObjectName("tab3GP");
    auto* grid = new QGridLayout(page3gp);
    m_3gpVideo = ChoiceList(page3gp, "AVI_VideoEncoder", kVideoEncoders);
    m_3gpAudio = ChoiceList(page3gp, "AVI_AudioCode", kAudioEncoders);
    m_3gpSize = ChoiceList(page3gp, "AVI_FrameSize", kFrameSizes);
    m_3gpRate = ChoiceList(page3gp, "AVI_FPS", kFrameRates);
    addRow(grid, 0, QT_TRANSLATE_NOOP("TfrmMain", "Video Encoder:"), m_3gpVideo);
    addRow(grid, 1, QT_TRANSLATE_NOOP("TfrmMain", "Audio Encoder:"), m_3gpAudio);
    addRow(grid, 2, QT_TRANSLATE_NOOP("TfrmMain", "Frame Size:"), m_3gpSize);
    addRow(grid, 3, QT_TRANSLATE_NOOP("TfrmMain", "Frames/s:"), m_3gpRate);
    grid->setRowStretch(4, 1);
    m_pages->addTab(page3gp, "3GP");

    const char* const kDiscPages[] = {"VCD", "SVCD", "DVD"};
    for (int disc = 0; disc < 3; ++disc) {
        auto* page = new QWidget;
        page->setObjectName(QString("tab%1").arg(kDiscPages[disc]));
        auto* group = new QGroupBox(page);
        SetTrText(group, kContext, QT_TRANSLATE_NOOP("TfrmMain", "TV System"));
        group->setObjectName(QString("%1_grpNorm").arg(kDiscPages[disc]));
        auto* radios = new QVBoxLayout(group);
        m_norms[disc] = new QButtonGroup(group);
        for (int norm = 0; norm < static_cast<int>(kNorms.size()); ++norm) {
            auto* radio = new QRadioButton(QString::fromUtf8(kNorms[norm].data(), static_cast<int>(kNorms[norm].size())),
                                           group);
            radio->setObjectName(QString("%1_grpNorm_%2").arg(kDiscPages[disc]).arg(norm));
            radio->setChecked(norm == 0);
            m_norms[disc]->addButton(radio, norm);
            radios->addWidget(radio);
        }
        auto* pageLayout = new QVBoxLayout(page);
        pageLayout->addWidget(group);
        pageLayout->addStretch(1);
        m_pages->addTab(page, kDiscPages[disc]);
    }

    auto* pageWmv = new QWidget;
    pageWmv->setObjectName("tabWMV");
    auto* wmvGrid = new QGridLayout(pageWmv);
    m_wmvVideo = ChoiceList(pageWmv, "WMV_VideoEncoder", kVideoEncoders);
    m_wmvSize = ChoiceList(pageWmv, "WMV_FrameSize", kFrameSizes);
    m_wmvRate = ChoiceList(pageWmv, "WMV_FPS", kFrameRates);
    addRow(wmvGrid, 0, QT_TRANSLATE_NOOP("TfrmMain", "Video Encoder:"), m_wmvVideo);
    addRow(wmvGrid, 1, QT_TRANSLATE_NOOP("TfrmMain", "Frame Size:"), m_wmvSize);
    addRow(wmvGrid, 2, QT_TRANSLATE_NOOP("TfrmMain", "Frames/s:"), m_wmvRate);
    wmvGrid->setRowStretch(3, 1);
    m_pages->addTab(pageWmv, "WMV");
    m_pages->addTab(m_modernPage = new TModernFormatPage, TModernFormatPage::Caption());
    return m_pages;
}

TFormatPage TfrmMain::ActivePage() const { return static_cast<TFormatPage>(m_pages->currentIndex()); }

TPageChoices TfrmMain::PageChoices() const
{
    TPageChoices choices;
    switch (ActivePage()) {
    case fp3GP:
        choices.VideoEncoder = m_3gpVideo->currentIndex();
        choices.AudioEncoder = m_3gpAudio->currentIndex();
        choices.FrameSize = m_3gpSize->currentIndex();
        choices.FrameRate = m_3gpRate->currentIndex();
        break;
    case fpVCD:
    case fpSVCD:
    case fpDVD:
        choices.Norm = qMax(0, m_norms[ActivePage() - fpVCD]->checkedId());
        break;
    case fpWMV:
        choices.VideoEncoder = m_wmvVideo->currentIndex();
        choices.FrameSize = m_wmvSize->currentIndex();
        choices.FrameRate = m_wmvRate->currentIndex();
        break;
    case fpModern:
        return m_modernPage->Choices();
    }
    return choices;
}

void TfrmMain::SetToolStates(bool add, bool clear, bool convert, bool pause, bool resume, bool stop)
{
    m_add->setEnabled(add);
    m_clear->setEnabled(clear);
    m_convert->setEnabled(convert);
    m_pause->setEnabled(pause);
    m_resume->setEnabled(resume);
    m_stop->setEnabled(stop);
}

void TfrmMain::SetLanguage(const QString& language)
{
    InstallLanguage(language);
    if (!m_config.SetValue(TConfigFile::kFormSection, kLanguageKey, CurrentLanguage()))
        LogBlock("***Cannot write the settings to " + m_config.Path());
}

void TfrmMain::changeEvent(QEvent* event)
{
    // The first language is chosen before the window has children.
    if (event->type() == QEvent::LanguageChange && m_files != nullptr) {
        Retranslate(this);
        RetranslateUi();
    }
    QMainWindow::changeEvent(event);
}

void TfrmMain::RetranslateUi()
{
    m_model->Retranslate();
    if (m_settingsLine != nullptr && m_saveOptions != nullptr) ShowSettingsLine();
    if (m_statusText) m_status->setText(m_statusText());
    for (QAction* choice : m_languageMenu->actions()) choice->setChecked(choice->data().toString() == CurrentLanguage());
    for (int row = 0; row < static_cast<int>(m_rows.size()) && row < m_model->rowCount(); ++row) ShowRowState(row);
}

void TfrmMain::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    if (m_folder->text().isEmpty()) m_folder->setText(m_config.OutputFolder());
}

void TfrmMain::closeEvent(QCloseEvent* event)
{
    // A run is stopped only when the user says so; files still waiting to be added or made into
    // tasks are let go, and no event may reach a window that closes.
    if (!ConfirmStopOnClose()) {
        event->ignore();
        return;
    }
    m_sliceTimer->stop();
    m_pending.clear();
    m_build.reset();
    DetachComponent();
    FlushLog();
    m_qelvan->StopConvert();
    m_config.SetOutputFolder(m_folder->text());
    m_config.SetValue(TConfigFile::kFormSection, kColumnsKey, QString::fromLatin1(m_files->horizontalHeader()->saveState().toBase64()));
    if (m_saveOptions->isActive()) SaveOptionSettings();
    if (m_optionWindow) m_optionWindow->close();
    // A list closed by the user is not offered again at the next start.
    m_saveList->stop();
    QString error;
    if (!m_closeWithoutAsking && !WriteListJournal(m_listFile, TKeptList{}, &error))
        LogBlock("***Cannot keep the list: " + error);
    QMainWindow::closeEvent(event);
}

void TfrmMain::dragEnterEvent(QDragEnterEvent* event)
{
    if (event->mimeData()->hasUrls()) event->acceptProposedAction();
}

void TfrmMain::dropEvent(QDropEvent* event)
{
    QStringList files;
    QStringList folders;
    for (const QUrl& url : event->mimeData()->urls())
        if (url.isLocalFile()) (QFileInfo(url.toLocalFile()).isDir() ? folders : files) << url.toLocalFile();
    event->acceptProposedAction();
    if (!m_add->isEnabled()) return;
    if (!files.isEmpty()) AddFiles(files);
    for (const QString& folder : folders) AddFolder(folder);
}

bool TfrmMain::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_files && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Delete && m_delete->isEnabled()) {
        m_delete->click();
        return true;
    }
    return QMainWindow::eventFilter(watched, event);
}

}  // namespace mirelk::ui
