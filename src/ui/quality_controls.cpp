#include "ui/quality_controls.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QVBoxLayout>
#include <QStringList>
#include <cstdio>
#include <iterator>
#include <stdexcept>

#include "form/format_rules.h"
#include "form/option_choices.h"
#include "form/quality_rules.h"
#include "ui/language.h"

namespace mirelk::ui {

namespace {

constexpr char kContext[] = "TQualityControls";

constexpr const char* kSpeeds[] = {
    QT_TRANSLATE_NOOP("TQualityControls", "Auto"),   QT_TRANSLATE_NOOP("TQualityControls", "Fastest"),
    QT_TRANSLATE_NOOP("TQualityControls", "Fast"),   QT_TRANSLATE_NOOP("TQualityControls", "Medium"),
    QT_TRANSLATE_NOOP("TQualityControls", "Slow"),   QT_TRANSLATE_NOOP("TQualityControls", "Slowest"),
};
static_assert(std::size(kSpeeds) == kEncoderSpeeds.size());

QString Text(const std::string& text) { return QString::fromStdString(text); }

// The size of the pictures the encoder gets: the chosen frame size, else the file's own.
std::pair<int, int> OutputPictureSize(const TOptionForm& form)
{
    const int chosen = form.Settings.FrameSize;
    if (chosen > 0 && static_cast<std::size_t>(chosen) < kFrameSizes.size()) {
        int width = 0;
        int height = 0;
        if (std::sscanf(std::string(kFrameSizes[static_cast<std::size_t>(chosen)]).c_str(), "%dx%d", &width, &height) == 2)
            return {width, height};
    }
    const TAVProbe* prober = form.Prober();
    if (prober == nullptr || prober->FirstVideoStream() < 0) return {0, 0};
    const TAVVideoStreamInfo video = prober->GetVideoStreamInfo(-1);
    return {video.Width, video.Height};
}

}  // namespace

TQualityControls::TQualityControls(TOptionForm& form, QWidget* parent) : QWidget(parent), m_form(form)
{
    setObjectName("tabQuality");
    m_videoQuality = new QCheckBox(this);
    m_videoQuality->setObjectName("chkVideoQuality");
    SetTrText(m_videoQuality, kContext, QT_TRANSLATE_NOOP("TQualityControls", "Constant Video Quality"));
    m_videoValue = new QLineEdit(this);
    m_videoValue->setObjectName("edtVideoQuality");
    SetTrPlaceholder(m_videoValue, kContext, QT_TRANSLATE_NOOP("TQualityControls", "encoder's default"));
    SetTrToolTip(m_videoValue, kContext,
                 QT_TRANSLATE_NOOP("TQualityControls",
                                   "Lower is better: H.264 and HEVC 0-51, VP9 0-63, AV1 1-63, MPEG-4 1-31"));
    m_audioQuality = new QCheckBox(this);
    m_audioQuality->setObjectName("chkAudioQuality");
    SetTrText(m_audioQuality, kContext, QT_TRANSLATE_NOOP("TQualityControls", "Audio Quality (kbit/s per channel)"));
    m_audioValue = new QLineEdit(this);
    m_audioValue->setObjectName("edtAudioQuality");
    SetTrPlaceholder(m_audioValue, kContext, QT_TRANSLATE_NOOP("TQualityControls", "encoder's default"));
    SetTrToolTip(m_audioValue, kContext,
                 QT_TRANSLATE_NOOP("TQualityControls", "Opus 6-256, AAC and MP3 16-256 kbit/s for each channel"));

    auto* grid = new QGridLayout;
    grid->addWidget(m_videoQuality, 0, 0);
    grid->addWidget(m_videoValue, 0, 1);
    grid->addWidget(m_audioQuality, 1, 0);
    grid->addWidget(m_audioValue, 1, 1);
    grid->setColumnStretch(2, 1);
    auto* explanation = new QLabel(this);
    explanation->setObjectName("lblQualityHelp");
    explanation->setWordWrap(true);
    SetTrText(explanation, kContext,
              QT_TRANSLATE_NOOP("TQualityControls",
                                "Today's formats convert at their encoder's default quality unless a bit rate "
                                "is checked; the other formats use these settings only when they are checked."));

    auto* speedBox = new QGroupBox(this);
    speedBox->setObjectName("grpEncoderSpeed");
    SetTrText(speedBox, kContext, QT_TRANSLATE_NOOP("TQualityControls", "Encoder Speed"));
    SetTrToolTip(speedBox, kContext,
                 QT_TRANSLATE_NOOP("TQualityControls", "A slower encoder makes a smaller file of the same quality"));
    auto* speeds = new QGridLayout(speedBox);
    m_speed = new QButtonGroup(speedBox);
    for (int speed = 0; speed < static_cast<int>(std::size(kSpeeds)); ++speed) {
        auto* button = new QRadioButton(speedBox);
        button->setObjectName(QString("rdoEncoderSpeed%1").arg(speed));
        SetTrText(button, kContext, kSpeeds[speed]);
        m_speed->addButton(button, speed);
        speeds->addWidget(button, 0, speed);
    }

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addWidget(explanation);
    layout->addWidget(speedBox);
    layout->addStretch(1);

    connect(m_videoQuality, &QCheckBox::toggled, this, &TQualityControls::WidgetChanged);
    connect(m_audioQuality, &QCheckBox::toggled, this, &TQualityControls::WidgetChanged);
    connect(m_videoValue, &QLineEdit::textChanged, this, &TQualityControls::WidgetChanged);
    connect(m_audioValue, &QLineEdit::textChanged, this, &TQualityControls::WidgetChanged);
    connect(m_speed, &QButtonGroup::idToggled, this, [this](int, bool checked) {
        if (checked) WidgetChanged();
    });
    ShowSettings();
}

void TQualityControls::ShowSettings()
{
    m_showing = true;
    const TOptionFormSettings& settings = m_form.Settings;
    m_videoQuality->setChecked(settings.SetVideoQuality);
    m_videoValue->setText(Text(settings.VideoQuality));
    m_audioQuality->setChecked(settings.SetAudioQuality);
    m_audioValue->setText(Text(settings.AudioQuality));
    if (QAbstractButton* speed = m_speed->button(settings.EncoderSpeed)) speed->setChecked(true);
    m_showing = false;
}

void TQualityControls::TakeSettings()
{
    TOptionFormSettings& settings = m_form.Settings;
    settings.SetVideoQuality = m_videoQuality->isChecked();
    settings.VideoQuality = m_videoValue->text().toStdString();
    settings.SetAudioQuality = m_audioQuality->isChecked();
    settings.AudioQuality = m_audioValue->text().toStdString();
    if (m_speed->checkedId() >= 0) settings.EncoderSpeed = m_speed->checkedId();
}

void TQualityControls::WidgetChanged()
{
    if (!m_showing) emit Changed();
}

QString SettingsNote(const TOptionForm& form)
{
    const int index = form.Settings.OutputFormat;
    if (index < 0 || static_cast<std::size_t>(index) >= kAllOutputFormats.size()) return {};
    const form::TFormatRule& rule = *form::FindFormatRule(kAllOutputFormats[static_cast<std::size_t>(index)]);
    QStringList lines;
    std::string problem;
    try {
        problem = form.QualityProblem();
    } catch (const std::exception& error) {
        problem = error.what();
    }
    if (!problem.empty())
        lines << Tr("TQualityControls", "The quality settings do not suit this format; its encoder's default is used: %1")
                     .arg(Text(problem));
    if (!rule.VideoCodec.empty()) {
        const auto [width, height] = OutputPictureSize(form);
        const std::string sizeProblem = form::PictureSizeProblem(rule.VideoCodec, width, height);
        if (!sizeProblem.empty()) lines << Tr("TQualityControls", "This file cannot be converted: %1").arg(Text(sizeProblem));
    }
    if (rule.PalettePictures)
        lines << Tr("TQualityControls", "An animated GIF holds at most %1 seconds; a longer input is cut.")
                     .arg(form::TPalettePictureLimits::Seconds);
    return lines.join('\n');
}

}  // namespace mirelk::ui
