#include "ui/playback_panel.h"

#include <QAudioOutput>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QMediaPlayer>
#include <QPushButton>
#include <QSlider>
#include <QStyle>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>
#include <QVideoWidget>

#include "ui/app_icon.h"
#include "ui/language.h"

namespace mirelk::ui {

TPlaybackPanel::TPlaybackPanel(QWidget* parent) : QWidget(parent)
{
    setObjectName("pnlPlayback");
    m_video = new QVideoWidget(this);
    m_video->setObjectName("VideoWindow1");
    m_video->setMinimumSize(200, 140);
    QPalette black = m_video->palette();
    black.setColor(QPalette::Window, Qt::black);
    m_video->setPalette(black);
    m_video->setAutoFillBackground(true);

    m_player = new QMediaPlayer(this);
    m_audio = new QAudioOutput(this);
    m_player->setAudioOutput(m_audio);
    m_player->setVideoOutput(m_video);

    m_playButton = new QToolButton(this);
    m_playButton->setObjectName("SpeedButton1");
    m_playButton->setIcon(ToolIcon(tiResume));
    SetTrToolTip(m_playButton, "TPlaybackPanel", QT_TRANSLATE_NOOP("TPlaybackPanel", "Play"));
    m_pauseButton = new QToolButton(this);
    m_pauseButton->setObjectName("SpeedButton2");
    m_pauseButton->setIcon(ToolIcon(tiPause));
    SetTrToolTip(m_pauseButton, "TPlaybackPanel", QT_TRANSLATE_NOOP("TPlaybackPanel", "Pause"));
    m_position = new QSlider(Qt::Horizontal, this);
    m_position->setObjectName("DSTrackBar1");
    m_position->setRange(0, 0);
    m_position->setTickPosition(QSlider::TicksBelow);

    m_startEdit = new QLineEdit("0", this);
    m_startEdit->setObjectName("edtStartTime");
    m_startEdit->setReadOnly(true);
    m_endEdit = new QLineEdit("0", this);
    m_endEdit->setObjectName("edtEndTime");
    m_endEdit->setReadOnly(true);
    m_startButton = new QPushButton(this);
    SetTrText(m_startButton, "TPlaybackPanel", QT_TRANSLATE_NOOP("TPlaybackPanel", "Set Start"));
    m_startButton->setObjectName("btnStartTime");
    m_endButton = new QPushButton(this);
    SetTrText(m_endButton, "TPlaybackPanel", QT_TRANSLATE_NOOP("TPlaybackPanel", "Set End"));
    m_endButton->setObjectName("btnEndTime");

    auto* bar = new QHBoxLayout;
    bar->setContentsMargins(0, 0, 0, 0);
    bar->addWidget(m_playButton);
    bar->addWidget(m_pauseButton);
    bar->addWidget(m_position, 1);
    auto* marks = new QGridLayout;
    marks->setContentsMargins(0, 0, 0, 0);
    marks->addWidget(m_startEdit, 0, 0);
    marks->addWidget(m_startButton, 0, 1);
    marks->addWidget(m_endEdit, 1, 0);
    marks->addWidget(m_endButton, 1, 1);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(3);
    layout->addWidget(m_video, 1);
    layout->addLayout(bar);
    layout->addLayout(marks);

    connect(m_player, &QMediaPlayer::durationChanged, this, [this](qint64 ms) {
        if (ms > 0) m_position->setMaximum(static_cast<int>(ms / 1000));
    });
    connect(m_player, &QMediaPlayer::positionChanged, this, [this](qint64 ms) {
        if (!m_position->isSliderDown()) {
            const QSignalBlocker quiet(m_position);
            m_position->setValue(static_cast<int>(ms / 1000));
        }
    });
    connect(m_position, &QSlider::valueChanged, this, [this](int seconds) {
        if (IsOpen()) m_player->setPosition(static_cast<qint64>(seconds) * 1000);
    });
}

void TPlaybackPanel::Open(const QString& file, std::int64_t knownSeconds)
{
    if (file == m_file) return;
    m_file = file;
    {
        const QSignalBlocker quiet(m_position);
        m_position->setRange(0, static_cast<int>(qMax<std::int64_t>(0, knownSeconds)));
        m_position->setValue(0);
        m_position->setTickInterval(qMax(1, m_position->maximum() / 10));
    }
    m_player->setSource(QUrl::fromLocalFile(file));
}

void TPlaybackPanel::OpenAndPlay(const QString& file, std::int64_t knownSeconds)
{
    Open(file, knownSeconds);
    m_player->play();
}

void TPlaybackPanel::OpenAndPause(const QString& file, std::int64_t knownSeconds)
{
    Open(file, knownSeconds);
    m_player->pause();
}

int TPlaybackPanel::PositionSeconds() const { return m_position->value(); }

void TPlaybackPanel::Close()
{
    m_player->stop();
    m_player->setSource(QUrl());
    m_file.clear();
    const QSignalBlocker quiet(m_position);
    m_position->setRange(0, 0);
}

void TPlaybackPanel::MarkStart(int seconds) { m_selectionStart = seconds; }
void TPlaybackPanel::MarkEnd(int seconds) { m_selectionEnd = seconds; }

void TPlaybackPanel::ShowMarks(const QString& startText, const QString& endText)
{
    m_startEdit->setText(startText);
    m_endEdit->setText(endText);
}

}  // namespace mirelk::ui
