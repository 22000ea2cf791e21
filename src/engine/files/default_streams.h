// What an output takes of its inputs when no option names a stream: which subtitle stream it
// keeps and how, and which streams it leaves out because they cannot be made, each with the
// line that tells the user why.
#pragma once

#include <string>
#include <vector>

#include "binding/av_headers.h"
#include "engine/files/open_files.h"

namespace mirelk {

// The subtitle stream an output keeps by default.
struct TSubtitleChoice {
    TStreamRef source;
    // Copied as it is when the muxer takes its codec; else encoded to this text codec.
    bool copy = false;
    AVCodecID encodeTo = AV_CODEC_ID_NONE;
};

// What an output gets by default, beside the explanation of everything left out.
struct TDefaultStreams {
    // Whether a video or an audio stream would be made of streams that cannot be made, while
    // the other kind can: it is left out.
    bool leaveOutVideo = false;
    bool leaveOutAudio = false;
    // Valid when a subtitle stream is kept.
    TSubtitleChoice subtitle;
    // One line per stream left out, for the log at info level.
    std::vector<std::string> notes;
};

// The text subtitle codec a format stores: its own when that is text, else the first text codec
// its muxer takes as it is and the libraries can encode; none when it takes no text.
AVCodecID TextSubtitleCodec(const AVOutputFormat* format);

// What the format and the options would give an output before streams are left out.
struct TOutputWants {
    bool video = false;
    bool audio = false;
    // The video stream would carry an input's cover, not its moving pictures.
    bool coverOnly = false;
    // Copied: made whether or not the libraries can decode it.
    bool videoCopied = false;
    bool audioCopied = false;
    // Stream maps name the streams: nothing is left out, the maps decide.
    bool mapped = false;
    // A subtitle stream may be added by default: no option asks for one or disables it.
    bool subtitleByDefault = false;
};

TDefaultStreams ChooseDefaultStreams(const AVOutputFormat* format, const std::vector<TOpenInput>& inputs,
                                     const TOutputWants& wants);

}  // namespace mirelk
