// Owners for every kind of library object the program holds: one deleter per kind, written
// once. Each deleter goes through the bound entry points and does nothing once its library has
// been unbound: the object is then lost, but a call through a null entry point would end the
// program. A raw pointer to one of these objects elsewhere means borrowed.
#pragma once

#include <cstdint>
#include <memory>
#include <utility>

#include "binding/av_headers.h"

namespace mirelk {

// A context that avformat_open_input opened.
struct TInputContextCloser {
    void operator()(AVFormatContext* context) const;
};
// A context that never was opened (option defaults, copied descriptions).
struct TFormatContextFreer {
    void operator()(AVFormatContext* context) const;
};
// An output's context: closes its byte stream (when the format writes a file), then frees it.
struct TOutputContextCloser {
    void operator()(AVFormatContext* context) const;
};
// A codec context that may have been opened: closing a codec is not safe beside another thread
// opening one, so it takes CodecLock.
struct TCodecContextCloser {
    void operator()(AVCodecContext* context) const;
};
// A codec context that is never opened (it only carries parameters or defaults).
struct TCodecContextFreer {
    void operator()(AVCodecContext* context) const;
};
struct TFrameFreer {
    void operator()(AVFrame* frame) const;
};
struct TPacketFreer {
    void operator()(AVPacket* packet) const;
};
struct TScalerFreer {
    void operator()(SwsContext* scaler) const;
};
struct TResamplerFreer {
    void operator()(SwrContext* resampler) const;
};
struct TAudioFifoFreer {
    void operator()(AVAudioFifo* fifo) const;
};
struct TBitstreamFilterFreer {
    void operator()(AVBSFContext* context) const;
};
struct TFilterGraphFreer {
    void operator()(AVFilterGraph* graph) const;
};
struct TFilterInOutFreer {
    void operator()(AVFilterInOut* list) const;
};
struct TAVMemoryFreer {
    void operator()(std::uint8_t* memory) const;
};
struct TIOContextCloser {
    void operator()(AVIOContext* io) const;
};

using TInputContextPtr = std::unique_ptr<AVFormatContext, TInputContextCloser>;
using TFormatContextPtr = std::unique_ptr<AVFormatContext, TFormatContextFreer>;
using TOutputContextPtr = std::unique_ptr<AVFormatContext, TOutputContextCloser>;
using TCodecContextPtr = std::unique_ptr<AVCodecContext, TCodecContextCloser>;
using TUnopenedCodecContextPtr = std::unique_ptr<AVCodecContext, TCodecContextFreer>;
using TFramePtr = std::unique_ptr<AVFrame, TFrameFreer>;
using TPacketPtr = std::unique_ptr<AVPacket, TPacketFreer>;
using TScalerPtr = std::unique_ptr<SwsContext, TScalerFreer>;
using TResamplerPtr = std::unique_ptr<SwrContext, TResamplerFreer>;
using TAudioFifoPtr = std::unique_ptr<AVAudioFifo, TAudioFifoFreer>;
using TBitstreamFilterPtr = std::unique_ptr<AVBSFContext, TBitstreamFilterFreer>;
using TFilterGraphPtr = std::unique_ptr<AVFilterGraph, TFilterGraphFreer>;
using TFilterInOutPtr = std::unique_ptr<AVFilterInOut, TFilterInOutFreer>;
using TAVMemoryPtr = std::unique_ptr<std::uint8_t, TAVMemoryFreer>;
using TIOContextPtr = std::unique_ptr<AVIOContext, TIOContextCloser>;

// A decoded subtitle: its rectangles are the library's until avsubtitle_free.
class TSubtitle {
public:
    TSubtitle() = default;
    TSubtitle(const TSubtitle&) = delete;
    TSubtitle& operator=(const TSubtitle&) = delete;
    ~TSubtitle();

    AVSubtitle* Get() { return &m_subtitle; }
    const AVSubtitle& operator*() const { return m_subtitle; }

private:
    AVSubtitle m_subtitle{};
};

// A channel layout of its own (a layout in custom order owns its channel map).
class TChannelLayout {
public:
    TChannelLayout() = default;
    TChannelLayout(const TChannelLayout&) = delete;
    TChannelLayout& operator=(const TChannelLayout&) = delete;
    ~TChannelLayout();

    // False, with the layout left empty, when the copy cannot be made.
    bool CopyFrom(const AVChannelLayout& other);
    const AVChannelLayout& operator*() const { return m_layout; }
    const AVChannelLayout* operator->() const { return &m_layout; }
    // For calls that take the layout by a pointer they only read through.
    AVChannelLayout* Get() { return &m_layout; }

private:
    void Clear();

    AVChannelLayout m_layout{};
};

}  // namespace mirelk
