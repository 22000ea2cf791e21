// The descriptions of one transcode run's files and streams: one record per input file, per
// input stream and per output stream. The run creates them at set-up and frees them when it
// ends; what changes while the run converts lives in the stages, not here.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "binding/av_headers.h"
#include "engine/files/open_files.h"
#include "engine/pipeline/av_pointers.h"
#include "engine/pipeline/stage_clock.h"
#include "engine/pipeline/stream_packet_sink.h"

namespace mirelk {

class TOutputStage;

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
    // Opened at set-up for a decoded stream.
    TCodecContextPtr decoder;

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
    // Where the stage's packets go: the stream's packet writer, counted in the run's totals.
    // Held apart so that the stage can keep a reference to it while the records move.
    std::unique_ptr<TStreamPacketSink> sink = std::make_unique<TStreamPacketSink>();
    // The stage of the stream: sound, pictures or subtitles encoded, or a copy.
    std::unique_ptr<TOutputStage> stage;

    TOutputStream();
    ~TOutputStream();
    TOutputStream(TOutputStream&&) noexcept;
    TOutputStream& operator=(TOutputStream&&) noexcept;
};

}  // namespace mirelk
