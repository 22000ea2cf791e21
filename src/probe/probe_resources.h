// Owners of the library objects the prober holds. Each deleter goes through the bound entry
// points and does nothing once its library has been unbound: the object is then lost, but a
// call through a null entry point would end the program.
#pragma once

#include <cstdint>
#include <memory>

#include "binding/av_headers.h"

namespace mirelk::probing {

// A context that avformat_open_input has opened.
struct TOpenedInputCloser {
    void operator()(AVFormatContext* context) const;
};
// A codec context that was never opened (it only carries parameters).
struct TCodecContextFreer {
    void operator()(AVCodecContext* context) const;
};
// A decoder context; closing a codec takes CodecLock, like opening it.
struct TDecoderContextCloser {
    void operator()(AVCodecContext* context) const;
};
struct TPacketFreer {
    void operator()(AVPacket* packet) const;
};
struct TFrameFreer {
    void operator()(AVFrame* frame) const;
};
struct TScalerFreer {
    void operator()(SwsContext* scaler) const;
};
struct TAVMemoryFreer {
    void operator()(std::uint8_t* memory) const;
};
struct TIOContextCloser {
    void operator()(AVIOContext* io) const;
};

using TOpenedInputPtr = std::unique_ptr<AVFormatContext, TOpenedInputCloser>;
using TCodecContextPtr = std::unique_ptr<AVCodecContext, TCodecContextFreer>;
using TDecoderContextPtr = std::unique_ptr<AVCodecContext, TDecoderContextCloser>;
using TPacketPtr = std::unique_ptr<AVPacket, TPacketFreer>;
using TFramePtr = std::unique_ptr<AVFrame, TFrameFreer>;
using TScalerPtr = std::unique_ptr<SwsContext, TScalerFreer>;
using TAVMemoryPtr = std::unique_ptr<std::uint8_t, TAVMemoryFreer>;
using TIOContextPtr = std::unique_ptr<AVIOContext, TIOContextCloser>;

}  // namespace mirelk::probing
