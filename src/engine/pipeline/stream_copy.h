// The stage of a copied output stream: the source's packets go on as they are, retimed into
// the output stream's clock and output time.
#pragma once

#include <cstdint>

#include "engine/pipeline/av_pointers.h"
#include "engine/pipeline/output_stage.h"

namespace mirelk {

struct TInputStream;
struct TOutputStream;

struct TStreamCopySettings {
    // Packets before the first key frame are kept too.
    bool copyInitialNonKeyFrames = false;
    // Where output time begins, in microseconds of run time.
    std::int64_t outputStart = 0;
};

class TStreamCopy final : public TOutputStage {
public:
    TStreamCopy(const TStreamCopySettings& settings, const TInputStream& source, const TOutputStream& output,
                IPacketSink& sink);
    void Copy(const AVPacket& packet, std::int64_t streamPts) override;

private:
    TStreamCopySettings m_settings;
    const AVStream* m_from = nullptr;
    // The muxer may change the stream's time base when it writes the header.
    const AVStream* m_to = nullptr;
    TPacketPtr m_copy;  // reused for every packet
};

}  // namespace mirelk
