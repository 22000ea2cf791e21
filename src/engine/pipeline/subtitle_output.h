// Subtitle output of one encoded stream.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "binding/av_headers.h"
#include "engine/pipeline/av_pointers.h"
#include "engine/pipeline/output_stage.h"

namespace mirelk {

class TTranscodeRun;
struct TOutputStream;
struct TInputStream;

class TSubtitleOutput final : public TOutputStage {
public:
    TSubtitleOutput(TTranscodeRun& run, TOutputStream& output, TInputStream& source);
    void ProcessSubtitle(const AVSubtitle& subtitle, std::int64_t packetPts) override;

private:
    // A subtitle that cannot be encoded fails the run, unless the output only keeps what the
    // input had: then it is told and left out.
    void Refuse(const std::string& message, std::int64_t packetPts);

    TTranscodeRun& m_run;
    TOutputStream& m_output;
    TInputStream& m_source;
    std::vector<std::uint8_t> m_buffer;  // one encoded subtitle
    TPacketPtr m_packet;
};

}  // namespace mirelk
