// Subtitle output of one encoded stream.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "binding/av_headers.h"
#include "engine/pipeline/av_pointers.h"
#include "engine/pipeline/error_policy.h"
#include "engine/pipeline/output_stage.h"

namespace mirelk {

struct TOutputStream;
struct TInputStream;

class TSubtitleOutput final : public TOutputStage {
public:
    TSubtitleOutput(TErrorPolicy errors, const TInputStream& source, const TOutputStream& output, IPacketSink& sink);
    void ProcessSubtitle(const AVSubtitle& subtitle, std::int64_t packetPts) override;

private:
    // A subtitle that cannot be encoded fails the run, unless the output only keeps what the
    // input had: then it is told and left out.
    void Refuse(const std::string& message, std::int64_t packetPts);

    TErrorPolicy m_errors;
    const TInputStream& m_source;
    const TOutputStream& m_output;
    std::vector<std::uint8_t> m_buffer;  // one encoded subtitle
    TPacketPtr m_packet;
};

}  // namespace mirelk
