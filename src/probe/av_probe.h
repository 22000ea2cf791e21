// The full prober: what TCustomAVProbe tells, plus seeking and decoding single pictures of a
// video stream into 24-bit BGR bitmaps (for previews).
#pragma once

#include <cstdint>
#include <memory>

#include "binding/bitmap24.h"
#include "binding/bgr_conversion.h"
#include "probe/custom_av_probe.h"
#include "probe/video_frame_decoder.h"

namespace mirelk {

class TAVProbe : public TCustomAVProbe {
public:
    TAVProbe() = default;
    ~TAVProbe() override;

    void Close() override;

    // Moves the file to a position in microseconds (negative = 0) of a stream (negative = the
    // first video, else audio, else subtitle stream, else the file's clock). A position past
    // the end is taken as the end. False without a file or for an invalid stream index; a
    // position the demuxer cannot reach is logged and still answered true. Throws
    // std::runtime_error on an attached context, which is its owner's to move.
    bool Seek(int streamIndex, std::int64_t position);

    // Decodes the next picture of a video stream (negative = the first video stream) into the
    // frame bitmap and returns it. Problems are logged and answered with an empty bitmap (0 x 0)
    // or, at the end of the stream or when the picture cannot be converted, a black one. A still
    // picture is decoded once: later calls return it unchanged. Throws std::runtime_error on an
    // attached context.
    TBitmap24& ReadFrame(int streamIndex);
    // A copy of the last picture ReadFrame decoded; empty before the first.
    TBitmap24& LastFrame();

private:
    TBitmap24& FrameBitmap();
    // Decodes the next picture into the bitmap (black at the end of the stream or when it cannot
    // be converted) and copies a decoded one into LastFrame. True when a picture was decoded.
    bool DecodeInto(TBitmap24& bitmap, AVFormatContext* context, const AVCodecParameters& parameters);
    void CloseDecoding();

    probing::TVideoFrameDecoder m_decoder;
    TBgrConversion m_converter;
    std::unique_ptr<TBitmap24> m_frameBitmap;
    std::unique_ptr<TBitmap24> m_lastFrame;
    bool m_lastWasStillPicture = false;
};

}  // namespace mirelk
