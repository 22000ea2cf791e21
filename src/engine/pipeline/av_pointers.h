// Frames and packets for a run, allocated or the run fails.
#pragma once

#include "binding/av_owners.h"

namespace mirelk {

// Allocations that throw FFmpegException when the library has no memory.
TFramePtr NewFrame();
TPacketPtr NewPacket();

}  // namespace mirelk
