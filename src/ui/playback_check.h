// Plays a file on the media back end of the playback panel, without a window, until a second of
// it has played: whether the machine has the demuxers and decoders the panel needs.
#pragma once

#include <QString>

namespace mirelk::ui {

// Says how far playback got, or why it failed, in one line; 0 when a second played (or the
// whole of a shorter file), 1 otherwise. Runs the event loop of the application object.
int CheckPlayback(const QString& file);

}  // namespace mirelk::ui
