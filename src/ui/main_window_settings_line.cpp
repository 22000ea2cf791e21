// The main window's line under the pages: which of the option window's settings a Convert takes
// beyond the page, with a button that puts them back; and the rows' output names, which follow
// the page, the output folder and those settings as Convert will use them.
#include <QAbstractButton>
#include <QComboBox>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>

#include "form/main_window_pages.h"
#include "form/settings_beyond_page.h"
#include "ui/file_list_model.h"
#include "ui/language.h"
#include "ui/main_window.h"
#include "ui/option_window.h"

namespace mirelk::ui {

namespace {

constexpr char kContext[] = "TfrmMain";

QString NoteName(TSettingNoteKind kind)
{
    switch (kind) {
    case snAudioChannels: return Tr("TfrmMain", "Channels");
    case snAudioSampleRate: return Tr("TfrmMain", "Sample rate");
    case snVolume: return Tr("TfrmMain", "Volume");
    case snAspectRatio: return Tr("TfrmMain", "Aspect ratio");
    case snVideoBitRate: return Tr("TfrmMain", "Video bit rate");
    case snAudioBitRate: return Tr("TfrmMain", "Audio bit rate");
    case snVideoQuality: return Tr("TfrmMain", "Video quality");
    case snAudioQuality: return Tr("TfrmMain", "Audio quality");
    case snEncoderSpeed: return Tr("TfrmMain", "Encoder speed");
    case snCrop: return Tr("TfrmMain", "Crop");
    case snPad: return Tr("TfrmMain", "Pad");
    case snImageHook: return Tr("TfrmMain", "Picture hook");
    case snTextHook: return Tr("TfrmMain", "Text hook");
    case snWatermarkHook: return Tr("TfrmMain", "Watermark");
    case snSampleImageHook: return Tr("TfrmMain", "Sample picture hook");
    case snSampleTextHook: return Tr("TfrmMain", "Sample text hook");
    case snCustomHook: return Tr("TfrmMain", "Custom hook");
    case snFilters: return Tr("TfrmMain", "Filters");
    case snCopyTimestamp: return Tr("TfrmMain", "Copy timestamp");
    case snOverwrite: return Tr("TfrmMain", "Overwrite existing files");
    }
    return {};
}

// Choice texts the option window shows translated ("Stereo", "Fastest") are translated here too.
QString NoteValue(const TSettingNote& note)
{
    const QString value = QString::fromStdString(note.Value);
    if (note.Kind == snAudioChannels || note.Kind == snEncoderSpeed || note.Kind == snAspectRatio)
        return QCoreApplication::translate("TfrmOption", note.Value.c_str());
    return value;
}

QStringList NoteTexts(const TOptionFormSettings& settings, TFormatPage page)
{
    QStringList texts;
    for (const TSettingNote& note : SettingsBeyondPage(settings)) {
        // The page of today's formats chooses the encoder's speed itself.
        if (page == fpModern && note.Kind == snEncoderSpeed) continue;
        const QString value = NoteValue(note);
        texts << (value.isEmpty() ? NoteName(note.Kind) : Tr("TfrmMain", "%1: %2").arg(NoteName(note.Kind), value));
    }
    return texts;
}

}  // namespace

QWidget* TfrmMain::BuildSettingsLine()
{
    auto* line = new QWidget(this);
    line->setObjectName("pnlSettings");
    auto* layout = new QHBoxLayout(line);
    layout->setContentsMargins(0, 0, 0, 0);
    m_settingsLine = new QLabel(line);
    m_settingsLine->setObjectName("lblSettings");
    // A long list is cut at the window's edge rather than widening the window; the tool tip
    // holds all of it.
    m_settingsLine->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    m_settingsLine->setTextFormat(Qt::PlainText);
    m_resetSettings = new QPushButton(line);
    m_resetSettings->setObjectName("btnResetSettings");
    SetTrText(m_resetSettings, kContext, QT_TRANSLATE_NOOP("TfrmMain", "Reset"));
    SetTrToolTip(m_resetSettings, kContext,
                 QT_TRANSLATE_NOOP("TfrmMain", "Put the Output Options beyond the page back to their defaults"));
    connect(m_resetSettings, &QPushButton::clicked, this, &TfrmMain::ResetOptionSettings);
    layout->addWidget(m_settingsLine, 1);
    layout->addWidget(m_resetSettings);

    m_refreshNames = new QTimer(this);
    m_refreshNames->setSingleShot(true);
    m_refreshNames->setInterval(0);
    connect(m_refreshNames, &QTimer::timeout, this, &TfrmMain::RefreshOutputNames);
    // Every list, button and tab of the pages decides the names; the pages' widgets are found
    // rather than listed so that a page added later is followed as well.
    connect(m_pages, &QTabWidget::currentChanged, m_refreshNames, qOverload<>(&QTimer::start));
    connect(m_pages, &QTabWidget::currentChanged, this, &TfrmMain::ShowSettingsLine);
    for (auto* list : m_pages->findChildren<QComboBox*>())
        connect(list, &QComboBox::currentIndexChanged, m_refreshNames, qOverload<>(&QTimer::start));
    for (auto* button : m_pages->findChildren<QAbstractButton*>())
        connect(button, &QAbstractButton::toggled, m_refreshNames, qOverload<>(&QTimer::start));
    connect(m_folder, &QLineEdit::textChanged, m_refreshNames, qOverload<>(&QTimer::start));
    return line;
}

QString TfrmMain::SettingsLineText() const { return m_settingsLine->text(); }

void TfrmMain::ShowSettingsLine()
{
    const QStringList notes = NoteTexts(OptionForm().Settings, ActivePage());
    if (notes.isEmpty()) {
        m_settingsLine->setText(Tr("TfrmMain", "Output Options: only the page's settings apply."));
        m_settingsLine->setToolTip(QString());
    } else {
        m_settingsLine->setText(Tr("TfrmMain", "Output Options also applied: %1").arg(notes.join(QString::fromUtf8(" \u00b7 "))));
        m_settingsLine->setToolTip(notes.join('\n'));
    }
    m_resetSettings->setEnabled(!notes.isEmpty());
}

void TfrmMain::ResetOptionSettings()
{
    ResetSettingsBeyondPage(OptionForm().Settings);
    if (m_optionWindow) m_optionWindow->ShowSettings();
    m_saveOptions->start();
    ShowSettingsLine();
    m_refreshNames->start();
}

void TfrmMain::RefreshOutputNames()
{
    // A run's rows show the names their tasks write.
    if (m_converting || Adding() || m_build || m_rows.empty()) return;
    TOptionForm& form = OptionForm();
    const TPageSettingsScope scope(form, ActivePage(), PageChoices());
    form.ForgetOutputNames();
    for (std::size_t index = 0; index < m_rows.size(); ++index) {
        TRowEntry& row = m_rows[index];
        // A finished row shows the file it wrote; Convert leaves it alone.
        if (row.State == rsFinished) continue;
        form.Settings.OutputFolder = OutputFolderOf(row.SubFolder, false).toStdString();
        std::string name;
        try {
            name = form.OutputFileNameFor(row.InputFile);
        } catch (const std::exception&) {
            return;
        }
        if (name == row.OutputFile) continue;
        row.OutputFile = name;
        const int at = static_cast<int>(index);
        m_model->SetCell(at, TFileListModel::colOutput, QFileInfo(QString::fromStdString(name)).fileName());
        m_model->SetToolTip(at, TFileListModel::colOutput, QString::fromStdString(name));
    }
}

}  // namespace mirelk::ui
