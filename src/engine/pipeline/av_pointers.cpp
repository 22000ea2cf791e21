#include "engine/pipeline/av_pointers.h"

#include "binding/entry_points.h"
#include "engine/options/ffmpeg_exception.h"

namespace mirelk {

void TFrameDeleter::operator()(AVFrame* frame) const { av::av_frame_free(&frame); }
void TPacketDeleter::operator()(AVPacket* packet) const { av::av_packet_free(&packet); }
void TBitstreamFilterDeleter::operator()(AVBSFContext* context) const { av::av_bsf_free(&context); }
void TResamplerDeleter::operator()(SwrContext* context) const { av::swr_free(&context); }
void TAudioFifoDeleter::operator()(AVAudioFifo* fifo) const { av::av_audio_fifo_free(fifo); }

TFramePtr NewFrame()
{
    TFramePtr frame(av::av_frame_alloc());
    if (!frame) throw FFmpegException("av_mallocz fail");
    return frame;
}

TPacketPtr NewPacket()
{
    TPacketPtr packet(av::av_packet_alloc());
    if (!packet) throw FFmpegException("av_mallocz fail");
    return packet;
}

}  // namespace mirelk
