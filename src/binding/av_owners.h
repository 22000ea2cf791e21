// Owners for every kind of library object the program holds: one deleter per kind, written
// once. Each deleter goes through the bound entry points and does nothing once its library has
// been unbound: the object is then lost, but a call through a null entry point would end the
// program. A raw pointer to one of these objects elsewhere means borrowed.
#pragma once

#include <cstdint>
#include <memory>
#include <utility>

#include "binding/av_headers.h"
#include "binding/entry_points.h"

namespace mirelk {

// Deleters that call one bound free function: those that take the object's address and null
// it (av_frame_free(&frame)), and those that take the object itself (sws_freeContext(scaler)).
template <auto& FreeEntry>
struct TFreeByAddress {
    template <typename T>
    void operator()(T* object) const
    {
        if (FreeEntry != nullptr) FreeEntry(&object);
    }
};
template <auto& FreeEntry>
struct TFreeByValue {
    template <typename T>
    void operator()(T* object) const
    {
        if (FreeEntry != nullptr) FreeEntry(object);
    }
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

// A context that avformat_open_input opened.
using TInputContextPtr = std::unique_ptr<AVFormatContext, TFreeByAddress<av::avformat_close_input>>;
// A context that never was opened (option defaults, copied descriptions).
using TFormatContextPtr = std::unique_ptr<AVFormatContext, TFreeByValue<av::avformat_free_context>>;
using TOutputContextPtr = std::unique_ptr<AVFormatContext, TOutputContextCloser>;
using TCodecContextPtr = std::unique_ptr<AVCodecContext, TCodecContextCloser>;
// A codec context that is never opened (it only carries parameters or defaults).
using TUnopenedCodecContextPtr = std::unique_ptr<AVCodecContext, TFreeByAddress<av::avcodec_free_context>>;
using TFramePtr = std::unique_ptr<AVFrame, TFreeByAddress<av::av_frame_free>>;
using TPacketPtr = std::unique_ptr<AVPacket, TFreeByAddress<av::av_packet_free>>;
using TScalerPtr = std::unique_ptr<SwsContext, TFreeByValue<av::sws_freeContext>>;
using TResamplerPtr = std::unique_ptr<SwrContext, TFreeByAddress<av::swr_free>>;
using TAudioFifoPtr = std::unique_ptr<AVAudioFifo, TFreeByValue<av::av_audio_fifo_free>>;
using TBitstreamFilterPtr = std::unique_ptr<AVBSFContext, TFreeByAddress<av::av_bsf_free>>;
using TFilterGraphPtr = std::unique_ptr<AVFilterGraph, TFreeByAddress<av::avfilter_graph_free>>;
using TFilterInOutPtr = std::unique_ptr<AVFilterInOut, TFreeByAddress<av::avfilter_inout_free>>;
using TAVMemoryPtr = std::unique_ptr<std::uint8_t, TFreeByValue<av::av_free>>;
using TIOContextPtr = std::unique_ptr<AVIOContext, TFreeByAddress<av::avio_closep>>;

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
