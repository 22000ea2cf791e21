// Subtitle output of one encoded stream.
#pragma once

#include <cstdint>
#include <vector>

#include "binding/av_headers.h"
#include "engine/pipeline/av_pointers.h"

namespace mirelk {

class TTranscodeRun;
struct TOutputStream;
struct TInputStream;

class TSubtitleOutput {
public:
    TSubtitleOutput(TTranscodeRun& run, TOutputStream& output, TInputStream& source);
    // One decoded subtitle with its packet's presentation time (source stream time base).
    void Process(const AVSubtitle& subtitle, std::int64_t packetPts);

private:
    TTranscodeRun& m_run;
    TOutputStream& m_output;
    TInputStream& m_source;
    std::vector<std::uint8_t> m_buffer;  // one encoded subtitle
    TPacketPtr m_packet;
};

}  // namespace mirelk
