// The playback panel: plays a row's input file so that the user can find a clip's start and
// end. The window uses four operations: open and play, open and pause, the position in whole
// seconds, and whether a file is open. The position bar counts seconds and follows playback;
// dragging it seeks.
#pragma once

#include <QWidget>
#include <cstdint>

class QAudioOutput;
class QLineEdit;
class QMediaPlayer;
class QPushButton;
class QSlider;
class QToolButton;
class QVideoWidget;

namespace mirelk::ui {

class TPlaybackPanel final : public QWidget {
    Q_OBJECT
public:
    explicit TPlaybackPanel(QWidget* parent);

    // Opens the file (unless it is open already) and plays or pauses it. The known duration in
    // seconds sizes the position bar until the player reports its own.
    void OpenAndPlay(const QString& file, std::int64_t knownSeconds);
    void OpenAndPause(const QString& file, std::int64_t knownSeconds);
    int PositionSeconds() const;
    bool IsOpen() const { return !m_file.isEmpty(); }
    const QString& OpenFile() const { return m_file; }
    void Close();

    // The clip marks: the bar's selection and the two edits ("hh:mm:ss").
    void MarkStart(int seconds);
    void MarkEnd(int seconds);
    void ShowMarks(const QString& startText, const QString& endText);
    QPushButton* StartButton() const { return m_startButton; }
    QPushButton* EndButton() const { return m_endButton; }
    QToolButton* PlayButton() const { return m_playButton; }
    QToolButton* PauseButton() const { return m_pauseButton; }

private:
    void Open(const QString& file, std::int64_t knownSeconds);

    QVideoWidget* m_video;
    QMediaPlayer* m_player;
    QAudioOutput* m_audio;
    QToolButton* m_playButton;
    QToolButton* m_pauseButton;
    QSlider* m_position;
    QLineEdit* m_startEdit;
    QLineEdit* m_endEdit;
    QPushButton* m_startButton;
    QPushButton* m_endButton;
    QString m_file;
    int m_selectionStart = 0;
    int m_selectionEnd = 0;
};

}  // namespace mirelk::ui
