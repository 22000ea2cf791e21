// Decodes pictures of one video stream of a demuxer. The packet and the frame are made once and
// reused by every later call, since a preview slider asks for picture after picture.
#pragma once

#include "binding/av_headers.h"
#include "binding/av_owners.h"

namespace mirelk::probing {

enum class TDecoderOpenResult { Opened, NoDecoder, OpenFailed };

class TVideoFrameDecoder {
public:
    // Whether the open decoder is the one for this stream.
    bool Decodes(const AVStream* stream) const { return m_codec != nullptr && m_stream == stream; }
    // Closes the decoder in use and opens one for the stream.
    TDecoderOpenResult Open(const AVStream* stream);
    // Frees the decoder, the packet and the frame.
    void Close();
    // Drops what the decoder holds, after the demuxer has been moved elsewhere.
    void Flush();

    // Reads packets from the context until the stream yields a picture; packets of other streams
    // are dropped, and so are packets the decoder rejects. At the end of the file the decoder is
    // drained of the pictures it still holds. False when no picture is left.
    bool DecodeNextPicture(AVFormatContext* context);
    // The picture of the last successful DecodeNextPicture, until ReleasePicture.
    const AVFrame& Picture() const { return *m_frame; }
    void ReleasePicture();

private:
    TCodecContextPtr m_codec;
    TPacketPtr m_packet;
    TFramePtr m_frame;
    const AVStream* m_stream = nullptr;
};

}  // namespace mirelk::probing
