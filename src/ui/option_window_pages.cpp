// The option window's pages of settings: each widget bound to one setting of the form.
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QVBoxLayout>

#include "form/option_choices.h"
#include "ui/language.h"
#include "ui/option_window.h"
#include "ui/quality_controls.h"

namespace mirelk::ui {

namespace {

constexpr char kContext[] = "TfrmOption";

QString Text(std::string_view text) { return QString::fromUtf8(text.data(), static_cast<int>(text.size())); }

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

QWidget* TfrmOption::BuildFormatPage()
{
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    QGroupBox* formats = RadioGroup("grpFormats", QT_TRANSLATE_NOOP("TfrmOption", "Output Format"), kOutputFormats,
                                    &TOptionFormSettings::OutputFormat, 6);
    layout->addWidget(formats);
    // Today's targets follow the classic 24 in the same index space: one group for both boxes.
    layout->addWidget(RadioGroup("grpModernFormats", QT_TRANSLATE_NOOP("TfrmOption", "Today's Formats"),
                                 kModernOutputFormats, &TOptionFormSettings::OutputFormat, 5,
                                 formats->findChild<QButtonGroup*>()));
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

QWidget* TfrmOption::BuildQualityPage()
{
    auto* page = new TQualityControls(m_form);
    m_bindings.push_back({[page] { page->ShowSettings(); }, [page] { page->TakeSettings(); }});
    connect(page, &TQualityControls::Changed, this, &TfrmOption::Changed);
    return page;
}

}  // namespace mirelk::ui
