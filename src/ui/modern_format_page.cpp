#include "ui/modern_format_page.h"

#include <QComboBox>
#include <QEvent>
#include <QGridLayout>
#include <QLabel>
#include <algorithm>
#include <iterator>

#include "form/format_rules.h"
#include "form/option_choices.h"
#include "form/quality_rules.h"
#include "ui/language.h"

namespace mirelk::ui {

namespace {

constexpr char kContext[] = "TModernFormatPage";
constexpr const char* kCaption = QT_TRANSLATE_NOOP("TModernFormatPage", "Modern");

// What each of kModernOutputFormats is good for, in its order. The GIF line takes the limits of
// an animated picture.
constexpr const char* kAbout[] = {
    QT_TRANSLATE_NOOP("TModernFormatPage", "VP9 pictures and Opus sound: plays in every web browser."),
    QT_TRANSLATE_NOOP("TModernFormatPage",
                      "HEVC (H.265) pictures and AAC sound: about half the size of H.264 at the same quality."),
    QT_TRANSLATE_NOOP("TModernFormatPage", "AV1 pictures and Opus sound: the smallest files, but slow to make."),
    QT_TRANSLATE_NOOP("TModernFormatPage", "AV1 pictures and AAC sound in an MP4 file, for newer players."),
    QT_TRANSLATE_NOOP("TModernFormatPage", "Sound only, without any loss: for keeping music."),
    QT_TRANSLATE_NOOP("TModernFormatPage", "Sound only, small files of good quality, for speech and music."),
    QT_TRANSLATE_NOOP("TModernFormatPage", "Sound only, without any loss, for Apple devices."),
    QT_TRANSLATE_NOOP("TModernFormatPage", "Sound only, AAC, which nearly every player plays."),
    QT_TRANSLATE_NOOP("TModernFormatPage",
                      "An animated picture without sound: at most %1 seconds (a longer input is cut), "
                      "%2 pictures a second, %3 pixels wide."),
};
static_assert(std::size(kAbout) == kModernOutputFormats.size());

constexpr const char* kSpeeds[] = {
    QT_TRANSLATE_NOOP("TModernFormatPage", "Encoder's default"), QT_TRANSLATE_NOOP("TModernFormatPage", "Fastest"),
    QT_TRANSLATE_NOOP("TModernFormatPage", "Fast"),              QT_TRANSLATE_NOOP("TModernFormatPage", "Medium"),
    QT_TRANSLATE_NOOP("TModernFormatPage", "Slow (smaller file)"),
    QT_TRANSLATE_NOOP("TModernFormatPage", "Slowest (smallest file)"),
};
static_assert(std::size(kSpeeds) == kEncoderSpeeds.size());

QString Text(std::string_view text) { return QString::fromUtf8(text.data(), static_cast<int>(text.size())); }

QLabel* RowLabel(QWidget* parent, const char* source)
{
    auto* label = new QLabel(parent);
    SetTrText(label, kContext, source);
    return label;
}

}  // namespace

TModernFormatPage::TModernFormatPage(QWidget* parent) : QWidget(parent)
{
    setObjectName("tabModern");
    SetTrTab(this, kContext, kCaption);
    m_format = new QComboBox(this);
    m_format->setObjectName("Modern_Format");
    for (const std::string_view format : kModernOutputFormats) m_format->addItem(Text(format));
    m_size = new QComboBox(this);
    m_size->setObjectName("Modern_FrameSize");
    for (const std::string_view size : kFrameSizes) m_size->addItem(Text(size));
    m_speed = new QComboBox(this);
    m_speed->setObjectName("Modern_Speed");
    for (std::size_t speed = 0; speed < kEncoderSpeeds.size(); ++speed) m_speed->addItem(QString());
    TranslateSpeeds();
    m_about = new QLabel(this);
    m_about->setObjectName("Modern_About");
    m_about->setWordWrap(true);

    auto* grid = new QGridLayout(this);
    grid->addWidget(RowLabel(this, QT_TRANSLATE_NOOP("TModernFormatPage", "Format:")), 0, 0);
    grid->addWidget(m_format, 0, 1);
    grid->addWidget(m_about, 1, 0, 1, 2);
    grid->addWidget(RowLabel(this, QT_TRANSLATE_NOOP("TModernFormatPage", "Frame Size:")), 2, 0);
    grid->addWidget(m_size, 2, 1);
    grid->addWidget(RowLabel(this, QT_TRANSLATE_NOOP("TModernFormatPage", "Encoder Speed:")), 3, 0);
    grid->addWidget(m_speed, 3, 1);
    grid->setColumnStretch(1, 1);
    grid->setRowStretch(4, 1);
    SetTrToolTip(m_speed, kContext,
                 QT_TRANSLATE_NOOP("TModernFormatPage", "A slower encoder makes a smaller file of the same quality"));
    connect(m_format, &QComboBox::currentIndexChanged, this, &TModernFormatPage::ShowFormatState);
    ShowFormatState();
}

QString TModernFormatPage::Caption() { return Tr(kContext, kCaption); }

TPageChoices TModernFormatPage::Choices() const
{
    TPageChoices choices;
    choices.ModernFormat = m_format->currentIndex();
    choices.FrameSize = m_size->currentIndex();
    choices.EncoderSpeed = m_speed->currentIndex();
    return choices;
}

void TModernFormatPage::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::LanguageChange) {
        TranslateSpeeds();
        ShowFormatState();
    }
    QWidget::changeEvent(event);
}

void TModernFormatPage::ShowFormatState()
{
    const int index = std::max(0, m_format->currentIndex());
    const form::TFormatRule& rule = *form::FindFormatRule(kModernOutputFormats[static_cast<std::size_t>(index)]);
    QString about = Tr(kContext, kAbout[index]);
    if (rule.PalettePictures) {
        using L = form::TPalettePictureLimits;
        about = about.arg(L::Seconds).arg(L::FramesPerSecond).arg(L::Width);
    }
    m_about->setText(about);
    // Sound-only formats have no pictures to size, and only some encoders have a speed to choose.
    m_size->setEnabled(!rule.VideoDisable);
    m_speed->setEnabled(!form::SpeedOptionLine(rule.VideoCodec, 1).empty());
}

void TModernFormatPage::TranslateSpeeds()
{
    for (int speed = 0; speed < m_speed->count(); ++speed) m_speed->setItemText(speed, Tr(kContext, kSpeeds[speed]));
}

}  // namespace mirelk::ui
