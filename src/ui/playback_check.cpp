#include "ui/playback_check.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QFileInfo>
#include <QMediaPlayer>
#include <QTimer>
#include <QUrl>
#include <QVideoSink>
#include <cstdio>

namespace mirelk::ui {

namespace {

constexpr char kContext[] = "TPlaybackCheck";
constexpr qint64 kWantedMs = 1000;
constexpr int kPatienceMs = 30000;

}  // namespace

int CheckPlayback(const QString& file)
{
    QMediaPlayer player;
    QVideoSink sink;
    player.setVideoSink(&sink);
    QEventLoop loop;
    QString failure;
    int frames = 0;
    QObject::connect(&sink, &QVideoSink::videoFrameChanged, &loop, [&frames] { ++frames; });
    QObject::connect(&player, &QMediaPlayer::errorOccurred, &loop, [&](QMediaPlayer::Error, const QString& text) {
        failure = text;
        loop.quit();
    });
    QObject::connect(&player, &QMediaPlayer::positionChanged, &loop, [&](qint64 ms) {
        if (ms >= kWantedMs) loop.quit();
    });
    QObject::connect(&player, &QMediaPlayer::mediaStatusChanged, &loop, [&](QMediaPlayer::MediaStatus status) {
        if (status == QMediaPlayer::EndOfMedia) loop.quit();
        if (status == QMediaPlayer::InvalidMedia) {
            if (failure.isEmpty()) failure = QCoreApplication::translate(kContext, "the file cannot be played");
            loop.quit();
        }
    });
    QTimer::singleShot(kPatienceMs, &loop, [&] {
        if (failure.isEmpty()) failure = QCoreApplication::translate(kContext, "nothing played in 30 seconds");
        loop.quit();
    });
    if (!QFileInfo(file).isFile()) failure = QCoreApplication::translate(kContext, "no such file");
    else {
        player.setSource(QUrl::fromLocalFile(QFileInfo(file).absoluteFilePath()));
        player.play();
        loop.exec();
    }
    const qint64 position = player.position();
    player.stop();
    const bool played = failure.isEmpty() && (position >= kWantedMs || player.mediaStatus() == QMediaPlayer::EndOfMedia);
    const QString line = played ? QCoreApplication::translate(kContext, "Played %1 ms of %2 (%3 pictures)")
                                      .arg(position)
                                      .arg(file)
                                      .arg(frames)
                                : "mirelk: " + QCoreApplication::translate(kContext, "cannot play %1: %2").arg(file, failure);
    std::fprintf(played ? stdout : stderr, "%s\n", line.toLocal8Bit().constData());
    return played ? 0 : 1;
}

}  // namespace mirelk::ui
