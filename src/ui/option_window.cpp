#include "ui/option_window.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QVBoxLayout>

#include "form/main_window_pages.h"
#include "form/option_choices.h"
#include "form/widget_states.h"
#include "ui/language.h"
#include "ui/selection_slider.h"

namespace mirelk::ui {

namespace {

constexpr char kContext[] = "TfrmOption";

QString Text(std::string_view text) { return QString::fromUtf8(text.data(), static_cast<int>(text.size())); }

QImage ImageOf(const TBitmap24& bitmap)
{
    if (bitmap.Empty()) return {};
    return QImage(bitmap.ScanLine(0), bitmap.Width(), bitmap.Height(), bitmap.BytesPerLine(), QImage::Format_BGR888)
        .copy();
}

// The form writes the label as "PTS: " and the time.
QString PTSLabel(const std::string& text)
{
    const QString label = QString::fromStdString(text);
    return label.startsWith("PTS: ") ? Tr("TfrmOption", "PTS: ") + label.mid(5) : label;
}

QLabel* EdgeLabel(QWidget* parent, const char* caption)
{
    auto* label = new QLabel(parent);
    SetTrText(label, kContext, caption);
    return label;
}

QHBoxLayout* Row(std::initializer_list<QWidget*> widgets)
{
    auto* row = new QHBoxLayout;
    for (QWidget* widget : widgets) row->addWidget(widget);
    row->addStretch(1);
    return row;
}

}  // namespace

TfrmOption::TfrmOption(TOptionForm& form, QWidget* parent)
    : QDialog(parent, Qt::Window | Qt::WindowTitleHint | Qt::WindowCloseButtonHint), m_form(form)
{
    setObjectName("frmOption");
    SetTrTitle(this, kContext, QT_TRANSLATE_NOOP("TfrmOption", "Output Options"));
    setModal(false);

    auto* pages = new QTabWidget(this);
    pages->setObjectName("pgcOptions");
    const std::pair<QWidget*, const char*> tabs[] = {{BuildFormatPage(), QT_TRANSLATE_NOOP("TfrmOption", "Format")},
                                                     {BuildAudioPage(), QT_TRANSLATE_NOOP("TfrmOption", "Audio")},
                                                     {BuildVideoPage(), QT_TRANSLATE_NOOP("TfrmOption", "Video")},
                                                     {BuildHookPage(), QT_TRANSLATE_NOOP("TfrmOption", "Hooks")},
                                                     {BuildFilterPage(), QT_TRANSLATE_NOOP("TfrmOption", "Filters")}};
    for (const auto& [page, caption] : tabs) {
        SetTrTab(page, kContext, caption);
        pages->addTab(page, QString());
    }

    auto* defaults = new QPushButton(this);
    defaults->setObjectName("btnDefaults");
    SetTrText(defaults, kContext, QT_TRANSLATE_NOOP("TfrmOption", "Defaults"));
    SetTrToolTip(defaults, kContext, QT_TRANSLATE_NOOP("TfrmOption", "Every setting as it was at the first start"));
    connect(defaults, &QPushButton::clicked, this, &TfrmOption::RestoreDefaults);
    auto* close = new QPushButton(this);
    close->setObjectName("btnClose");
    SetTrText(close, kContext, QT_TRANSLATE_NOOP("TfrmOption", "Close"));
    connect(close, &QPushButton::clicked, this, &QDialog::close);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(defaults);
    buttons->addStretch(1);
    buttons->addWidget(close);
    auto* left = new QVBoxLayout;
    left->addWidget(pages, 1);
    left->addLayout(buttons);
    auto* layout = new QHBoxLayout(this);
    layout->addLayout(left, 1);
    layout->addWidget(BuildPreviewColumn());

    Retranslate(this);
    ShowSettings();
    ShowFileState();
}

void TfrmOption::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::LanguageChange) {
        Retranslate(this);
        // The folder shown may be the words for "beside the input".
        ShowSettings();
        m_pts->setText(PTSLabel(m_form.PTSText()));
    }
    QDialog::changeEvent(event);
}

TfrmOption::~TfrmOption()
{
    if (m_form.Prober() == m_prober.get()) m_form.SetProber(nullptr);
}

QWidget* TfrmOption::BuildFormatPage()
{
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    layout->addWidget(RadioGroup("grpFormats", QT_TRANSLATE_NOOP("TfrmOption", "Output Format"), kOutputFormats, &TOptionFormSettings::OutputFormat, 6));
    layout->addWidget(RadioGroup("grpNorm", QT_TRANSLATE_NOOP("TfrmOption", "Norm (VCD, SVCD, DVD)"), kNorms, &TOptionFormSettings::Norm, 3));
    auto* overwrite = new QHBoxLayout;
    overwrite->addWidget(Check("chkOverwrite", QT_TRANSLATE_NOOP("TfrmOption", "Overwrite Existing File"), &TOptionFormSettings::Overwrite));
    QCheckBox* remember = Check("chkRememberOverwrite", QT_TRANSLATE_NOOP("TfrmOption", "Remember"),
                                &TOptionFormSettings::RememberOverwrite);
    SetTrToolTip(remember, kContext,
                 QT_TRANSLATE_NOOP("TfrmOption", "Keep overwriting existing files after the program is closed"));
    overwrite->addWidget(remember);
    overwrite->addStretch(1);
    layout->addLayout(overwrite);
    layout->addWidget(Check("chkCopyTimestamp", QT_TRANSLATE_NOOP("TfrmOption", "Copy Timestamp (decoding rm/rmvb maybe need this)"),
                            &TOptionFormSettings::CopyTimestamp));
    m_outPath = new QLineEdit(page);
    m_outPath->setObjectName("edtOutPath");
    m_outPath->setReadOnly(true);
    SetTrToolTip(m_outPath, kContext, QT_TRANSLATE_NOOP("TfrmOption", "The output folder of the main window"));
    m_bindings.push_back({[this] {
                              const std::string& folder = m_form.Settings.OutputFolder;
                              m_outPath->setText(folder == kSameAsInput ? Tr("TfrmOption", "<same as input>")
                                                                        : QString::fromStdString(folder));
                          },
                          [] {}});
    auto* folderRow = new QHBoxLayout;
    auto* folderLabel = new QLabel(page);
    SetTrText(folderLabel, kContext, QT_TRANSLATE_NOOP("TfrmOption", "Output Folder:"));
    folderRow->addWidget(folderLabel);
    folderRow->addWidget(m_outPath, 1);
    layout->addLayout(folderRow);
    layout->addStretch(1);
    return page;
}

QWidget* TfrmOption::BuildAudioPage()
{
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    layout->addWidget(RadioGroup("grpAudioCodec", QT_TRANSLATE_NOOP("TfrmOption", "Audio Encoder"), kAudioEncoders, &TOptionFormSettings::AudioEncoder, 5));
    layout->addWidget(
        RadioGroup("grpAudioChannels", QT_TRANSLATE_NOOP("TfrmOption", "Audio Channels"), kAudioChannelChoices, &TOptionFormSettings::AudioChannels, 3));
    layout->addWidget(RadioGroup("grpAudioSampleRate", QT_TRANSLATE_NOOP("TfrmOption", "Audio Sample Rate (Hz)"), kAudioSampleRates,
                                 &TOptionFormSettings::AudioSampleRate, 5));
    QLineEdit* volume = Edit("edtAudioVolume", &TOptionFormSettings::AudioVolume);
    SetTrToolTip(volume, kContext, QT_TRANSLATE_NOOP("TfrmOption", "256=normal"));
    SetTrPlaceholder(volume, kContext, QT_TRANSLATE_NOOP("TfrmOption", "256=normal"));
    layout->addLayout(Row({Check("chkAudioVolume", QT_TRANSLATE_NOOP("TfrmOption", "Adjust Volume"), &TOptionFormSettings::AdjustVolume), volume}));
    layout->addLayout(Row({Check("chkAudioBitRate", QT_TRANSLATE_NOOP("TfrmOption", "Audio Bit Rate (kbit/s)"), &TOptionFormSettings::SetAudioBitRate),
                           Edit("edtAudioBitRate", &TOptionFormSettings::AudioBitRate)}));
    layout->addStretch(1);
    return page;
}

QWidget* TfrmOption::BuildVideoPage()
{
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    layout->addWidget(RadioGroup("grpVideoCodec", QT_TRANSLATE_NOOP("TfrmOption", "Video Encoder"), kVideoEncoders, &TOptionFormSettings::VideoEncoder, 4));
    auto* frameSize = new QComboBox(page);
    frameSize->setObjectName("cboFrameSize");
    for (const std::string_view item : kFrameSizes) frameSize->addItem(Text(item));
    m_bindings.push_back({[this, frameSize] { frameSize->setCurrentIndex(m_form.Settings.FrameSize); },
                          [this, frameSize] { m_form.Settings.FrameSize = frameSize->currentIndex(); }});
    connect(frameSize, &QComboBox::currentIndexChanged, this, &TfrmOption::Changed);
    auto* sizeLabel = new QLabel(page);
    SetTrText(sizeLabel, kContext, QT_TRANSLATE_NOOP("TfrmOption", "Frame Size:"));
    layout->addLayout(Row({sizeLabel, frameSize}));
    layout->addWidget(RadioGroup("grpFrameRate", QT_TRANSLATE_NOOP("TfrmOption", "Frame Rate (FPS)"), kFrameRates, &TOptionFormSettings::FrameRate, 5));
    layout->addWidget(RadioGroup("grpAspectRatio", QT_TRANSLATE_NOOP("TfrmOption", "Aspect Ratio"), kAspectRatios, &TOptionFormSettings::AspectRatio, 5));
    layout->addLayout(Row({Check("chkVideoBitRate", QT_TRANSLATE_NOOP("TfrmOption", "Video Bit Rate (kbit/s)"), &TOptionFormSettings::SetVideoBitRate),
                           Edit("edtVideoBitRate", &TOptionFormSettings::VideoBitRate)}));

    auto* edges = new QGridLayout;
    edges->addWidget(EdgeLabel(page, QT_TRANSLATE_NOOP("TfrmOption", "Top")), 0, 1);
    edges->addWidget(EdgeLabel(page, QT_TRANSLATE_NOOP("TfrmOption", "Bottom")), 0, 2);
    edges->addWidget(EdgeLabel(page, QT_TRANSLATE_NOOP("TfrmOption", "Left")), 0, 3);
    edges->addWidget(EdgeLabel(page, QT_TRANSLATE_NOOP("TfrmOption", "Right")), 0, 4);
    const auto edgeRow = [&](int row, const char* check, const char* caption, bool TOptionFormSettings::*enabled,
                             TEdgeTexts TOptionFormSettings::*texts, const char* prefix) {
        edges->addWidget(Check(check, caption, enabled), row, 0);
        const std::pair<const char*, std::string TEdgeTexts::*> sides[] = {
            {"Top", &TEdgeTexts::Top}, {"Bottom", &TEdgeTexts::Bottom}, {"Left", &TEdgeTexts::Left},
            {"Right", &TEdgeTexts::Right}};
        int column = 1;
        for (const auto& [side, field] : sides) {
            const QByteArray name = QByteArray(prefix) + side;
            QLineEdit* edit = EdgeEdit(name.constData(), texts, field);
            edit->setMaximumWidth(56);
            edges->addWidget(edit, row, column++);
        }
    };
    edgeRow(1, "chkCrop", QT_TRANSLATE_NOOP("TfrmOption", "Crop (pixels)"), &TOptionFormSettings::Crop, &TOptionFormSettings::CropEdges, "edtCrop");
    edgeRow(2, "chkPad", QT_TRANSLATE_NOOP("TfrmOption", "Pad (pixels)"), &TOptionFormSettings::Pad, &TOptionFormSettings::PadEdges, "edtPad");
    edges->setColumnStretch(5, 1);
    layout->addLayout(edges);
    layout->addStretch(1);
    return page;
}

QWidget* TfrmOption::BuildHookPage()
{
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    auto* source = new QButtonGroup(page);
    auto* external = new QRadioButton(page);
    SetTrText(external, kContext, QT_TRANSLATE_NOOP("TfrmOption", "External Standard Hook (please read code of option unit)"));
    external->setObjectName("rdoExternalHook");
    auto* custom = new QRadioButton(page);
    SetTrText(custom, kContext, QT_TRANSLATE_NOOP("TfrmOption", "Internal Custom Hook (please read code of main unit)"));
    custom->setObjectName("rdoCustomHook");
    source->addButton(external, hsExternal);
    source->addButton(custom, hsCustom);
    m_bindings.push_back({[this, source] { source->button(m_form.Settings.HookSource)->setChecked(true); },
                          [this, source] { m_form.Settings.HookSource = static_cast<THookSource>(source->checkedId()); }});
    connect(source, &QButtonGroup::idToggled, this, [this](int, bool checked) {
        if (checked) Changed();
    });
    layout->addWidget(external);
    layout->addWidget(custom);

    auto* hooks = new QGroupBox(page);
    SetTrText(hooks, kContext, QT_TRANSLATE_NOOP("TfrmOption", "Hooks"));
    auto* grid = new QGridLayout(hooks);
    using S = TOptionFormSettings;
    QCheckBox* image = HookCheck("chkImlib2Img", QT_TRANSLATE_NOOP("TfrmOption", "Imlib2 - Image"), &S::ImageHook);
    QCheckBox* dancing = Check("chkImgDancing", QT_TRANSLATE_NOOP("TfrmOption", "Dancing"), &S::ImageDancing);
    BindEnabled(dancing, &S::ImageDancingEnabled);
    grid->addWidget(image, 0, 0);
    grid->addWidget(dancing, 0, 1);
    QCheckBox* text = HookCheck("chkImlib2Txt", QT_TRANSLATE_NOOP("TfrmOption", "Imlib2 - Text"), &S::TextHook);
    QCheckBox* scrolling = Check("chkTxtScrolling", QT_TRANSLATE_NOOP("TfrmOption", "Scrolling"), &S::TextScrolling);
    BindEnabled(scrolling, &S::TextScrollingEnabled);
    grid->addWidget(text, 1, 0);
    grid->addWidget(Edit("edtImlib2Txt", &S::TextHookText), 1, 1);
    grid->addWidget(scrolling, 1, 2);
    QCheckBox* watermark = HookCheck("chkWaterMark", QT_TRANSLATE_NOOP("TfrmOption", "WaterMark"), &S::WatermarkHook);
    QCheckBox* mode = Check("chkWaterMarkMode", QT_TRANSLATE_NOOP("TfrmOption", "Mode 0/1"), &S::WatermarkMode);
    BindEnabled(mode, &S::WatermarkModeEnabled);
    grid->addWidget(watermark, 2, 0);
    grid->addWidget(mode, 2, 1);
    grid->addWidget(HookCheck("chkZarnHookImg", QT_TRANSLATE_NOOP("TfrmOption", "DemoHook - Image"), &S::SampleImageHook), 3, 0);
    QLineEdit* sampleText = Edit("edtZarnHookTxt", &S::SampleHookText);
    BindEnabled(sampleText, &S::SampleHookTextEnabled);
    grid->addWidget(HookCheck("chkZarnHookTxt", QT_TRANSLATE_NOOP("TfrmOption", "DemoHook - Text"), &S::SampleTextHook), 4, 0);
    grid->addWidget(sampleText, 4, 1);
    layout->addWidget(hooks);

    auto* behaviour = new QGroupBox(page);
    SetTrText(behaviour, kContext, QT_TRANSLATE_NOOP("TfrmOption", "Hook Behavior"));
    auto* behaviourLayout = new QVBoxLayout(behaviour);
    auto* behaviours = new QButtonGroup(page);
    const std::pair<const char*, const char*> choices[] = {
        {"rdoStandardHook", QT_TRANSLATE_NOOP("TfrmOption", "Standard Hook Behavior")},
        {"rdoBeforeHook", QT_TRANSLATE_NOOP("TfrmOption", "Enable BeforeHook Event")},
        {"rdoPTSs", QT_TRANSLATE_NOOP("TfrmOption", "PTS Periods")}};
    for (int id = 0; id < 3; ++id) {
        auto* button = new QRadioButton(behaviour);
        SetTrText(button, kContext, choices[id].second);
        button->setObjectName(choices[id].first);
        behaviours->addButton(button, id);
        if (id == hbPTSPeriods) {
            QLineEdit* periods = Edit("edtPTSs", &S::PTSPeriods);
            SetTrToolTip(periods, kContext, QT_TRANSLATE_NOOP("TfrmOption", "Periods in milliseconds: start-end,start-end"));
            periods->setMinimumWidth(200);
            BindEnabled(periods, &S::PTSPeriodsTextEnabled);
            behaviourLayout->addLayout(Row({button, periods}));
        } else {
            behaviourLayout->addWidget(button);
        }
    }
    BindEnabled(behaviours->button(hbBeforeHook), &S::BeforeHookEnabled);
    BindEnabled(behaviours->button(hbPTSPeriods), &S::PTSPeriodsEnabled);
    m_bindings.push_back(
        {[this, behaviours] { behaviours->button(m_form.Settings.HookBehaviour)->setChecked(true); },
         [this, behaviours] { m_form.Settings.HookBehaviour = static_cast<THookBehaviour>(behaviours->checkedId()); }});
    connect(behaviours, &QButtonGroup::idToggled, this, [this](int, bool checked) {
        if (checked) Changed();
    });
    layout->addWidget(behaviour);
    layout->addStretch(1);
    return page;
}

QWidget* TfrmOption::BuildFilterPage()
{
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    using S = TOptionFormSettings;
    layout->addLayout(Row({Check("chkVertFlip", QT_TRANSLATE_NOOP("TfrmOption", "Vertically Flip"), &S::VertFlip),
                           Check("chkHoriFlip", QT_TRANSLATE_NOOP("TfrmOption", "Horizontally Flip"), &S::HoriFlip),
                           Check("chkNegate", QT_TRANSLATE_NOOP("TfrmOption", "Negate"), &S::Negate)}));
    auto* grid = new QGridLayout;
    grid->addWidget(Check("chkScale", QT_TRANSLATE_NOOP("TfrmOption", "Scale"), &S::Scale), 0, 0);
    grid->addWidget(Edit("edtScale", &S::ScaleText), 0, 1);
    grid->addWidget(Check("chkRotate", QT_TRANSLATE_NOOP("TfrmOption", "Rotate"), &S::Rotate), 1, 0);
    grid->addWidget(Edit("edtRotate", &S::RotateDegrees), 1, 1);
    grid->addWidget(Check("chkSetPTS", QT_TRANSLATE_NOOP("TfrmOption", "SetPTS"), &S::SetPTS), 2, 0);
    grid->addWidget(Edit("edtSetPTS", &S::SetPTSExpression), 2, 1);
    grid->setColumnStretch(2, 1);
    layout->addLayout(grid);
    layout->addStretch(1);
    return page;
}

QWidget* TfrmOption::BuildPreviewColumn()
{
    auto* column = new QWidget(this);
    column->setFixedWidth(TOptionForm::kPreviewWidth + 16);
    auto* layout = new QVBoxLayout(column);
    layout->setContentsMargins(0, 0, 0, 0);
    m_preview = new QLabel(column);
    m_preview->setObjectName("imgPreview");
    m_preview->setFixedSize(TOptionForm::kPreviewWidth, TOptionForm::kPreviewHeight);
    layout->addWidget(m_preview, 0, Qt::AlignHCenter);

    m_slider = new TSelectionSlider(column);
    m_slider->setObjectName("trcPreview");
    m_slider->setFixedWidth(TOptionForm::kPreviewWidth);
    m_slider->setTickPosition(QSlider::TicksBelow);
    m_form.SetPreviewSliderWidth(TOptionForm::kPreviewWidth);
    connect(m_slider, &QSlider::valueChanged, this, &TfrmOption::SliderMoved);
    layout->addWidget(m_slider, 0, Qt::AlignHCenter);
    m_pts = new QLabel(column);
    m_pts->setObjectName("lblPTS");
    layout->addWidget(m_pts);

    auto* clip = new QGridLayout;
    auto* start = new QPushButton(column);
    start->setObjectName("btnStartTime");
    SetTrText(start, kContext, QT_TRANSLATE_NOOP("TfrmOption", "Set Start"));
    auto* end = new QPushButton(column);
    end->setObjectName("btnEndTime");
    SetTrText(end, kContext, QT_TRANSLATE_NOOP("TfrmOption", "Set End"));
    m_startTime = new QLineEdit(column);
    m_startTime->setObjectName("edtStartTime");
    m_startTime->setReadOnly(true);
    m_endTime = new QLineEdit(column);
    m_endTime->setObjectName("edtEndTime");
    m_endTime->setReadOnly(true);
    connect(start, &QPushButton::clicked, this, [this] { MarkClip(true); });
    connect(end, &QPushButton::clicked, this, [this] { MarkClip(false); });
    clip->addWidget(start, 0, 0);
    clip->addWidget(m_startTime, 0, 1);
    clip->addWidget(end, 1, 0);
    clip->addWidget(m_endTime, 1, 1);
    layout->addLayout(clip);
    m_cutClip = new QCheckBox(column);
    SetTrText(m_cutClip, kContext, QT_TRANSLATE_NOOP("TfrmOption", "Cut Clip"));
    m_cutClip->setObjectName("chkCutClip");
    connect(m_cutClip, &QCheckBox::toggled, this, [this](bool checked) {
        if (m_showing) return;
        m_form.Settings.CutClip = checked;
        emit CutClipChanged(checked);
    });
    layout->addWidget(m_cutClip);

    m_fileInfo = new QPlainTextEdit(column);
    m_fileInfo->setObjectName("mmoAVFileInfo");
    m_fileInfo->setReadOnly(true);
    m_fileInfo->setLineWrapMode(QPlainTextEdit::NoWrap);
    layout->addWidget(m_fileInfo, 1);
    return column;
}

QGroupBox* TfrmOption::RadioGroup(const char* name, const char* title, std::span<const std::string_view> items,
                                  int TOptionFormSettings::*field, int columns)
{
    auto* box = new QGroupBox;
    SetTrText(box, kContext, title);
    box->setObjectName(name);
    auto* grid = new QGridLayout(box);
    auto* group = new QButtonGroup(box);
    for (std::size_t i = 0; i < items.size(); ++i) {
        auto* button = new QRadioButton(Text(items[i]), box);
        const int index = static_cast<int>(i);
        group->addButton(button, index);
        grid->addWidget(button, index / columns, index % columns);
    }
    m_bindings.push_back({[this, group, field] {
                              if (QAbstractButton* button = group->button(m_form.Settings.*field)) button->setChecked(true);
                          },
                          [this, group, field] {
                              if (group->checkedId() >= 0) m_form.Settings.*field = group->checkedId();
                          }});
    connect(group, &QButtonGroup::idToggled, this, [this](int, bool checked) {
        if (checked) Changed();
    });
    return box;
}

QCheckBox* TfrmOption::Check(const char* name, const char* caption, bool TOptionFormSettings::*field)
{
    auto* box = new QCheckBox;
    SetTrText(box, kContext, caption);
    box->setObjectName(name);
    m_bindings.push_back({[this, box, field] { box->setChecked(m_form.Settings.*field); },
                          [this, box, field] { m_form.Settings.*field = box->isChecked(); }});
    connect(box, &QCheckBox::toggled, this, &TfrmOption::Changed);
    return box;
}

QCheckBox* TfrmOption::HookCheck(const char* name, const char* caption, THookCheck TOptionFormSettings::*field)
{
    auto* box = new QCheckBox;
    SetTrText(box, kContext, caption);
    box->setObjectName(name);
    m_bindings.push_back({[this, box, field] { box->setChecked((m_form.Settings.*field).Checked); },
                          [this, box, field] { (m_form.Settings.*field).Checked = box->isChecked(); }});
    BindEnabled(box, field);
    connect(box, &QCheckBox::toggled, this, &TfrmOption::Changed);
    return box;
}

QLineEdit* TfrmOption::Edit(const char* name, std::string TOptionFormSettings::*field)
{
    auto* edit = new QLineEdit;
    edit->setObjectName(name);
    m_bindings.push_back({[this, edit, field] { edit->setText(QString::fromStdString(m_form.Settings.*field)); },
                          [this, edit, field] { m_form.Settings.*field = edit->text().toStdString(); }});
    connect(edit, &QLineEdit::textChanged, this, &TfrmOption::Changed);
    return edit;
}

QLineEdit* TfrmOption::EdgeEdit(const char* name, TEdgeTexts TOptionFormSettings::*edges, std::string TEdgeTexts::*field)
{
    auto* edit = new QLineEdit;
    edit->setObjectName(name);
    m_bindings.push_back({[this, edit, edges, field] {
                              edit->setText(QString::fromStdString((m_form.Settings.*edges).*field));
                          },
                          [this, edit, edges, field] { (m_form.Settings.*edges).*field = edit->text().toStdString(); }});
    connect(edit, &QLineEdit::textChanged, this, &TfrmOption::Changed);
    return edit;
}

void TfrmOption::BindEnabled(QWidget* widget, bool TOptionFormSettings::*field)
{
    m_enabledStates.push_back([this, widget, field] { widget->setEnabled(m_form.Settings.*field); });
}

void TfrmOption::BindEnabled(QWidget* widget, THookCheck TOptionFormSettings::*field)
{
    m_enabledStates.push_back([this, widget, field] { widget->setEnabled((m_form.Settings.*field).Enabled); });
}

void TfrmOption::Changed()
{
    if (m_showing) return;
    for (const TBinding& binding : m_bindings) binding.Take();
    UpdateWidgetStates(m_form.Settings);
    ShowEnabledStates();
    emit SettingsChanged();
}

void TfrmOption::ShowSettings()
{
    m_showing = true;
    for (const TBinding& binding : m_bindings) binding.Show();
    ShowEnabledStates();
    m_showing = false;
}

void TfrmOption::ShowEnabledStates()
{
    const bool wasShowing = m_showing;
    m_showing = true;
    for (const auto& show : m_enabledStates) show();
    m_cutClip->setEnabled(m_form.Settings.CutClipEnabled);
    m_cutClip->setChecked(m_form.Settings.CutClip);
    m_showing = wasShowing;
}

void TfrmOption::RestoreDefaults()
{
    const std::string folder = m_form.Settings.OutputFolder;
    const bool cutClip = m_form.Settings.CutClip;
    const bool cutClipEnabled = m_form.Settings.CutClipEnabled;
    m_form.Settings = TOptionFormSettings{};
    m_form.Settings.OutputFolder = folder;
    // The clip belongs to the shown file, not to the settings.
    m_form.Settings.CutClip = cutClip;
    m_form.Settings.CutClipEnabled = cutClipEnabled;
    ShowSettings();
    emit SettingsChanged();
}

bool TfrmOption::ShowFile(const std::string& path)
{
    if (m_form.Prober() == m_prober.get()) m_form.SetProber(nullptr);
    m_prober.reset();
    m_shownFile.clear();
    QString failure;
    if (!path.empty()) {
        auto prober = std::make_unique<TAVProbe>();
        if (prober->Open(path, "")) {
            m_prober = std::move(prober);
            m_shownFile = path;
        } else {
            failure = QString::fromStdString(prober->LastErrMsg());
        }
    }
    GiveFileBack();
    if (!failure.isEmpty()) m_fileInfo->setPlainText(failure);
    return failure.isEmpty();
}

void TfrmOption::GiveFileBack()
{
    m_form.SetProber(m_prober.get());
    ShowFileState();
}

void TfrmOption::ShowFileState()
{
    const TPreviewSlider& slider = m_form.PreviewSlider();
    m_showing = true;
    m_slider->setRange(slider.Min(), slider.Max());
    m_slider->setSingleStep(slider.LineSize());
    m_slider->setPageStep(slider.PageSize());
    m_slider->setTickInterval(slider.TickFrequency());
    m_slider->setValue(slider.Position());
    m_slider->setEnabled(m_form.Prober() != nullptr && slider.ThumbVisible());
    m_slider->SetSelection(slider.SelStart(), slider.SelEnd());
    m_showing = false;
    ShowPreview();
    m_startTime->setText(QString::fromStdString(m_form.StartTimeText()));
    m_endTime->setText(QString::fromStdString(m_form.EndTimeText()));
    m_fileInfo->setPlainText(QString::fromStdString(m_form.FileInfoText()));
    ShowEnabledStates();
}

void TfrmOption::ShowClip(const std::string& start, const std::string& end, bool cutClip)
{
    if (m_form.Prober() == nullptr || (ClipTextMicroseconds(start) == 0 && ClipTextMicroseconds(end) == 0)) return;
    ApplyRowClip(m_form, start, end);
    m_form.Settings.CutClip = cutClip && m_form.Settings.CutClipEnabled;
    ShowFileState();
}

void TfrmOption::SliderMoved(int position)
{
    if (m_showing) return;
    m_form.SetPreviewPosition(position);
    ShowPreview();
}

void TfrmOption::ShowPreview()
{
    m_preview->setPixmap(QPixmap::fromImage(ImageOf(m_form.PreviewImage())));
    m_pts->setText(PTSLabel(m_form.PTSText()));
}

void TfrmOption::MarkClip(bool start)
{
    if (m_prober == nullptr) return;
    if (start) {
        m_form.SetStart();
        m_startTime->setText(QString::fromStdString(m_form.StartTimeText()));
    } else {
        m_form.SetEnd();
        m_endTime->setText(QString::fromStdString(m_form.EndTimeText()));
    }
    const TPreviewSlider& slider = m_form.PreviewSlider();
    m_slider->SetSelection(slider.SelStart(), slider.SelEnd());
    ShowEnabledStates();
    emit ClipMarked(start);
}

}  // namespace mirelk::ui
