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
#include "ui/selection_slider.h"

namespace mirelk::ui {

namespace {

QString Text(std::string_view text) { return QString::fromUtf8(text.data(), static_cast<int>(text.size())); }

QImage ImageOf(const TBitmap24& bitmap)
{
    if (bitmap.Empty()) return {};
    return QImage(bitmap.ScanLine(0), bitmap.Width(), bitmap.Height(), bitmap.BytesPerLine(), QImage::Format_BGR888)
        .copy();
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
    setWindowTitle("Output Options");
    setModal(false);

    auto* pages = new QTabWidget(this);
    pages->setObjectName("pgcOptions");
    pages->addTab(BuildFormatPage(), "Format");
    pages->addTab(BuildAudioPage(), "Audio");
    pages->addTab(BuildVideoPage(), "Video");
    pages->addTab(BuildHookPage(), "Hooks");
    pages->addTab(BuildFilterPage(), "Filters");

    auto* defaults = new QPushButton("Defaults", this);
    defaults->setObjectName("btnDefaults");
    defaults->setToolTip("Every setting as it was at the first start");
    connect(defaults, &QPushButton::clicked, this, &TfrmOption::RestoreDefaults);
    auto* close = new QPushButton("Close", this);
    close->setObjectName("btnClose");
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

    ShowSettings();
    ShowFileState();
}

TfrmOption::~TfrmOption()
{
    if (m_form.Prober() == m_prober.get()) m_form.SetProber(nullptr);
}

QWidget* TfrmOption::BuildFormatPage()
{
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    layout->addWidget(RadioGroup("grpFormats", "Output Format", kOutputFormats, &TOptionFormSettings::OutputFormat, 6));
    layout->addWidget(RadioGroup("grpNorm", "Norm (VCD, SVCD, DVD)", kNorms, &TOptionFormSettings::Norm, 3));
    layout->addWidget(Check("chkOverwrite", "Overwrite Existing File", &TOptionFormSettings::Overwrite));
    layout->addWidget(Check("chkCopyTimestamp", "Copy Timestamp (decoding rm/rmvb maybe need this)",
                            &TOptionFormSettings::CopyTimestamp));
    m_outPath = new QLineEdit(page);
    m_outPath->setObjectName("edtOutPath");
    m_outPath->setReadOnly(true);
    m_outPath->setToolTip("The output folder of the main window");
    m_bindings.push_back({[this] { m_outPath->setText(QString::fromStdString(m_form.Settings.OutputFolder)); }, [] {}});
    auto* folderRow = new QHBoxLayout;
    folderRow->addWidget(new QLabel("Output Folder:", page));
    folderRow->addWidget(m_outPath, 1);
    layout->addLayout(folderRow);
    layout->addStretch(1);
    return page;
}

QWidget* TfrmOption::BuildAudioPage()
{
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    layout->addWidget(RadioGroup("grpAudioCodec", "Audio Encoder", kAudioEncoders, &TOptionFormSettings::AudioEncoder, 5));
    layout->addWidget(
        RadioGroup("grpAudioChannels", "Audio Channels", kAudioChannelChoices, &TOptionFormSettings::AudioChannels, 3));
    layout->addWidget(RadioGroup("grpAudioSampleRate", "Audio Sample Rate (Hz)", kAudioSampleRates,
                                 &TOptionFormSettings::AudioSampleRate, 5));
    QLineEdit* volume = Edit("edtAudioVolume", &TOptionFormSettings::AudioVolume);
    volume->setToolTip("256=normal");
    volume->setPlaceholderText("256=normal");
    layout->addLayout(Row({Check("chkAudioVolume", "Adjust Volume", &TOptionFormSettings::AdjustVolume), volume}));
    layout->addLayout(Row({Check("chkAudioBitRate", "Audio Bit Rate (kbit/s)", &TOptionFormSettings::SetAudioBitRate),
                           Edit("edtAudioBitRate", &TOptionFormSettings::AudioBitRate)}));
    layout->addStretch(1);
    return page;
}

QWidget* TfrmOption::BuildVideoPage()
{
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    layout->addWidget(RadioGroup("grpVideoCodec", "Video Encoder", kVideoEncoders, &TOptionFormSettings::VideoEncoder, 4));
    auto* frameSize = new QComboBox(page);
    frameSize->setObjectName("cboFrameSize");
    for (const std::string_view item : kFrameSizes) frameSize->addItem(Text(item));
    m_bindings.push_back({[this, frameSize] { frameSize->setCurrentIndex(m_form.Settings.FrameSize); },
                          [this, frameSize] { m_form.Settings.FrameSize = frameSize->currentIndex(); }});
    connect(frameSize, &QComboBox::currentIndexChanged, this, &TfrmOption::Changed);
    auto* sizeLabel = new QLabel("Frame Size:", page);
    layout->addLayout(Row({sizeLabel, frameSize}));
    layout->addWidget(RadioGroup("grpFrameRate", "Frame Rate (FPS)", kFrameRates, &TOptionFormSettings::FrameRate, 5));
    layout->addWidget(RadioGroup("grpAspectRatio", "Aspect Ratio", kAspectRatios, &TOptionFormSettings::AspectRatio, 5));
    layout->addLayout(Row({Check("chkVideoBitRate", "Video Bit Rate (kbit/s)", &TOptionFormSettings::SetVideoBitRate),
                           Edit("edtVideoBitRate", &TOptionFormSettings::VideoBitRate)}));

    auto* edges = new QGridLayout;
    edges->addWidget(new QLabel("Top", page), 0, 1);
    edges->addWidget(new QLabel("Bottom", page), 0, 2);
    edges->addWidget(new QLabel("Left", page), 0, 3);
    edges->addWidget(new QLabel("Right", page), 0, 4);
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
    edgeRow(1, "chkCrop", "Crop (pixels)", &TOptionFormSettings::Crop, &TOptionFormSettings::CropEdges, "edtCrop");
    edgeRow(2, "chkPad", "Pad (pixels)", &TOptionFormSettings::Pad, &TOptionFormSettings::PadEdges, "edtPad");
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
    auto* external = new QRadioButton("External Standard Hook (please read code of option unit)", page);
    external->setObjectName("rdoExternalHook");
    auto* custom = new QRadioButton("Internal Custom Hook (please read code of main unit)", page);
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

    auto* hooks = new QGroupBox("Hooks", page);
    auto* grid = new QGridLayout(hooks);
    using S = TOptionFormSettings;
    QCheckBox* image = HookCheck("chkImlib2Img", "Imlib2 - Image", &S::ImageHook);
    QCheckBox* dancing = Check("chkImgDancing", "Dancing", &S::ImageDancing);
    BindEnabled(dancing, &S::ImageDancingEnabled);
    grid->addWidget(image, 0, 0);
    grid->addWidget(dancing, 0, 1);
    QCheckBox* text = HookCheck("chkImlib2Txt", "Imlib2 - Text", &S::TextHook);
    QCheckBox* scrolling = Check("chkTxtScrolling", "Scrolling", &S::TextScrolling);
    BindEnabled(scrolling, &S::TextScrollingEnabled);
    grid->addWidget(text, 1, 0);
    grid->addWidget(Edit("edtImlib2Txt", &S::TextHookText), 1, 1);
    grid->addWidget(scrolling, 1, 2);
    QCheckBox* watermark = HookCheck("chkWaterMark", "WaterMark", &S::WatermarkHook);
    QCheckBox* mode = Check("chkWaterMarkMode", "Mode 0/1", &S::WatermarkMode);
    BindEnabled(mode, &S::WatermarkModeEnabled);
    grid->addWidget(watermark, 2, 0);
    grid->addWidget(mode, 2, 1);
    grid->addWidget(HookCheck("chkZarnHookImg", "DemoHook - Image", &S::SampleImageHook), 3, 0);
    QLineEdit* sampleText = Edit("edtZarnHookTxt", &S::SampleHookText);
    BindEnabled(sampleText, &S::SampleHookTextEnabled);
    grid->addWidget(HookCheck("chkZarnHookTxt", "DemoHook - Text", &S::SampleTextHook), 4, 0);
    grid->addWidget(sampleText, 4, 1);
    layout->addWidget(hooks);

    auto* behaviour = new QGroupBox("Hook Behavior", page);
    auto* behaviourLayout = new QVBoxLayout(behaviour);
    auto* behaviours = new QButtonGroup(page);
    const std::pair<const char*, const char*> choices[] = {{"rdoStandardHook", "Standard Hook Behavior"},
                                                           {"rdoBeforeHook", "Enable BeforeHook Event"},
                                                           {"rdoPTSs", "PTS Periods"}};
    for (int id = 0; id < 3; ++id) {
        auto* button = new QRadioButton(choices[id].second, behaviour);
        button->setObjectName(choices[id].first);
        behaviours->addButton(button, id);
        if (id == hbPTSPeriods) {
            QLineEdit* periods = Edit("edtPTSs", &S::PTSPeriods);
            periods->setToolTip("Periods in milliseconds: start-end,start-end");
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
    layout->addLayout(Row({Check("chkVertFlip", "Vertically Flip", &S::VertFlip),
                           Check("chkHoriFlip", "Horizontally Flip", &S::HoriFlip),
                           Check("chkNegate", "Negate", &S::Negate)}));
    auto* grid = new QGridLayout;
    grid->addWidget(Check("chkScale", "Scale", &S::Scale), 0, 0);
    grid->addWidget(Edit("edtScale", &S::ScaleText), 0, 1);
    grid->addWidget(Check("chkRotate", "Rotate", &S::Rotate), 1, 0);
    grid->addWidget(Edit("edtRotate", &S::RotateDegrees), 1, 1);
    grid->addWidget(Check("chkSetPTS", "SetPTS", &S::SetPTS), 2, 0);
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
    auto* start = new QPushButton("Set Start", column);
    start->setObjectName("btnStartTime");
    auto* end = new QPushButton("Set End", column);
    end->setObjectName("btnEndTime");
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
    m_cutClip = new QCheckBox("Cut Clip", column);
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

QGroupBox* TfrmOption::RadioGroup(const char* name, const QString& title, std::span<const std::string_view> items,
                                  int TOptionFormSettings::*field, int columns)
{
    auto* box = new QGroupBox(title);
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

QCheckBox* TfrmOption::Check(const char* name, const QString& caption, bool TOptionFormSettings::*field)
{
    auto* box = new QCheckBox(caption);
    box->setObjectName(name);
    m_bindings.push_back({[this, box, field] { box->setChecked(m_form.Settings.*field); },
                          [this, box, field] { m_form.Settings.*field = box->isChecked(); }});
    connect(box, &QCheckBox::toggled, this, &TfrmOption::Changed);
    return box;
}

QCheckBox* TfrmOption::HookCheck(const char* name, const QString& caption, THookCheck TOptionFormSettings::*field)
{
    auto* box = new QCheckBox(caption);
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
    m_pts->setText(QString::fromStdString(m_form.PTSText()));
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
