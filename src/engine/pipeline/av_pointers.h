// Owners for the library objects of a run.
#pragma once

#include <memory>

#include "binding/av_headers.h"

namespace mirelk {

struct TFrameDeleter {
    void operator()(AVFrame* frame) const;
};
using TFramePtr = std::unique_ptr<AVFrame, TFrameDeleter>;

struct TPacketDeleter {
    void operator()(AVPacket* packet) const;
};
using TPacketPtr = std::unique_ptr<AVPacket, TPacketDeleter>;

struct TBitstreamFilterDeleter {
    void operator()(AVBSFContext* context) const;
};
using TBitstreamFilterPtr = std::unique_ptr<AVBSFContext, TBitstreamFilterDeleter>;

struct TResamplerDeleter {
    void operator()(SwrContext* context) const;
};
using TResamplerPtr = std::unique_ptr<SwrContext, TResamplerDeleter>;

struct TAudioFifoDeleter {
    void operator()(AVAudioFifo* fifo) const;
};
using TAudioFifoPtr = std::unique_ptr<AVAudioFifo, TAudioFifoDeleter>;

// Allocations that throw FFmpegException with the given text when the library has no memory.
TFramePtr NewFrame();
TPacketPtr NewPacket();

}  // namespace mirelk
