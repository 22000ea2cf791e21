// The working state of one transcode run: one record per input file, per input stream and per
// output stream. The run creates them at set-up and frees them when it ends.
#pragma once

#include <algorithm>
#include <cstdint>
#include <memory>
#include <vector>

#include "binding/av_headers.h"
#include "engine/files/open_files.h"
#include "engine/pipeline/av_pointers.h"
#include "engine/pipeline/packet_writer.h"

namespace mirelk {

class TOutputStage;

// The run times (microseconds) between which a file's decoded data goes to the outputs: from
// the start the task asked for (an input seek or an output "ss") to "t" after it. Data before
// the start or at and after the end is cut away; every stream of the file is cut alike.
struct TTimeGate {
    std::int64_t start = INT64_MIN;
    std::int64_t end = INT64_MAX;

    // Cuts something shown from `from` to `to` (to unknown when lengthKnown is false: it stays
    // up until what follows) to the clip; false when none of it is inside, with ended set when
    // it begins at or after the end.
    bool Cut(std::int64_t& from, std::int64_t& to, bool lengthKnown, bool& ended) const
    {
        ended = from >= end;
        if (ended || (lengthKnown ? to <= start : from < start)) return false;
        from = std::max(from, start);
        if (lengthKnown) to = std::min(to, end);
        return true;
    }
};

struct TInputFile {
    AVFormatContext* context = nullptr;  // borrowed from the task
    bool eofReached = false;
    int firstStreamIndex = 0;
    int fileStreamCount = 0;
    // Added to every time stamp read from the file, in microseconds; changed by discontinuities.
    std::int64_t timestampOffset = 0;
    TTimeGate gate;
};

struct TInputStream {
    int fileIndex = 0;
    int streamIndex = 0;
    AVStream* stream = nullptr;  // borrowed
    const AVCodec* forcedDecoder = nullptr;
    // No output takes this stream: its packets are dropped unread.
    bool discard = true;
    bool decodingNeeded = false;
    std::int64_t readStart = 0;
    // Times in microseconds: of the data in hand, and expected for the next data.
    std::int64_t nextPts = AV_NOPTS_VALUE;
    std::int64_t pts = 0;
    // Until the first audio gap of the stream has been filled or trimmed.
    bool isStart = true;
    // Opened at set-up for a decoded stream; the frame is reused for every decoded picture or block.
    TCodecContextPtr decoder;
    TFramePtr frame;

    TInputStream();
    ~TInputStream();
    TInputStream(TInputStream&&) noexcept;
    TInputStream& operator=(TInputStream&&) noexcept;
};

struct TOutputStream {
    int fileIndex = 0;
    int streamIndex = 0;
    int sourceIndex = 0;
    int syncIndex = 0;
    AVStream* stream = nullptr;    // borrowed from the output's context
    AVCodecContext* codec = nullptr;  // borrowed: the encoder settings the output was made with
    const AVCodec* encoder = nullptr;
    bool encodingNeeded = false;
    bool encoderOpen = false;
    // Kept because the input had it: its faults are told and skipped, never fatal.
    bool optional = false;
    int frameNumber = 0;
    // Its source reached the end of the clip: nothing more of it is wanted.
    bool reachedEnd = false;
    // Output position in encoder time-base units (video: pictures, audio: samples).
    std::int64_t syncOpts = 0;
    // Quantiser of the last coded picture, -1 while unknown.
    float quality = -1.0f;
    // Squared errors of the last coded picture's planes, where the encoder measures them.
    std::uint64_t lastErrors[3] = {0, 0, 0};
    TPacketWriter writer;
    // The encoding stage of an encoded stream: sound, pictures or subtitles.
    std::unique_ptr<TOutputStage> stage;

    TOutputStream();
    ~TOutputStream();
    TOutputStream(TOutputStream&&) noexcept;
    TOutputStream& operator=(TOutputStream&&) noexcept;
};

// Byte counts of what the encoders produced, for the report.
struct TRunCounters {
    std::int64_t videoSize = 0;
    std::int64_t audioSize = 0;
    std::int64_t extraSize = 0;
    int framesDuplicated = 0;
    int framesDropped = 0;
};

}  // namespace mirelk
