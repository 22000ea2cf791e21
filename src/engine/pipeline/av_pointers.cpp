#include "engine/pipeline/av_pointers.h"

#include "binding/entry_points.h"
#include "engine/options/ffmpeg_exception.h"

namespace mirelk {

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
