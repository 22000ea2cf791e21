// Video output of one encoded stream: keeps the output frame rate by dropping and repeating
// pictures, crops, rescales and pads, encodes and hands the packets to its sink.
#pragma once

#include <climits>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "binding/av_headers.h"
#include "engine/pipeline/av_pointers.h"
#include "engine/pipeline/error_policy.h"
#include "engine/pipeline/frame_pool.h"
#include "engine/pipeline/frame_rate_sync.h"
#include "engine/pipeline/output_stage.h"
#include "engine/pipeline/picture_settings.h"
#include "engine/pipeline/stage_clock.h"
#include "engine/pipeline/two_pass_log.h"
#include "engine/pipeline/video_filter_graph.h"

namespace mirelk {

class IRunHost;
class TVideoStatistics;
struct TOutputStream;
struct TInputStream;

// The options a video output reads.
struct TVideoOutputSettings {
    TPictureSettings picture;
    bool filtered = false;
    // The two-pass log of this output.
    std::string passLogName;
    int topFieldFirst = -1;
    int maxFrames = INT_MAX;
    std::int64_t recordingTime = INT64_MAX;
    int syncMethod = -1;
    bool variableRateFormat = false;
    bool verbose = false;
};

struct TVideoOutputContext : TEncodingStageContext {
    TVideoOutputSettings settings;
    IRunHost* host = nullptr;
    // The "vstats" file, when the task asked for one.
    TVideoStatistics* statistics = nullptr;
    // Pictures decoded so far, as the previews count them.
    std::function<int()> pictureNumber;
};

class TVideoOutput final : public TOutputStage {
public:
    // Decides cropping, padding and rescaling from the source and the encoder settings, and
    // builds the output's own filter graph when the task filters its pictures.
    TVideoOutput(TVideoOutputContext context, const TInputStream& source, const TOutputStream& output,
                 IPacketSink& sink);
    ~TVideoOutput() override;
    void BeforeEncoderOpens(const AVCodec& encoder) override;
    void Open() override;
    // One pre-processed picture of the source at pts: through the filter graph when there is one.
    void Process(const AVFrame& picture, std::int64_t pts) override;
    // What the filter graph still holds, then the encoder's delay.
    void Drain() override;

    // The output position in encoder time-base units (one per picture).
    std::int64_t Position() const { return m_rate ? m_rate->Position() : 0; }
    double OutputTime() const override { return PositionSeconds(Position(), m_encoder->time_base); }
    float Quality() const override { return m_quality; }
    const std::uint64_t* LastErrors() const override { return m_lastErrors; }
    int FramesDuplicated() const override { return m_rate ? m_rate->Duplicated() : 0; }
    int FramesDropped() const override { return m_rate ? m_rate->Dropped() : 0; }

private:
    // Every picture the filter graph has ready, each in the source's place at its time.
    void EncodeFiltered();
    void Encode(const AVFrame& picture, std::int64_t pts);
    // How many copies of the picture at pts the output rate and the limits want (0 drops it).
    int CopiesWanted(std::int64_t pts);
    // Whether the task was stopped, or the output reached its frame limit or recording time.
    bool NothingMoreWanted() const;
    // Crops, rescales and pads into the frame the encoder gets; false when the picture
    // cannot be made (it is then skipped).
    bool PrepareFrame(const AVFrame& picture);
    void Send(AVFrame* frame);
    void ReceivePackets();

    TVideoOutputContext m_context;
    const TVideoOutputSettings& m_settings = m_context.settings;
    const TInputStream& m_source;
    // The muxer may change the stream's time base when it writes the header.
    const AVStream* m_stream = nullptr;
    AVCodecContext* m_encoder = nullptr;
    std::optional<TFrameRateSync> m_rate;

    bool m_crop = false;
    bool m_pad = false;
    int m_cropWidth = 0;   // the source size after cropping
    int m_cropHeight = 0;
    TScalerPtr m_scaler;
    int m_scalerSourceFormat = AV_PIX_FMT_NONE;
    int m_scalerSourceWidth = 0;
    int m_scalerSourceHeight = 0;

    TPictureFramePool m_pool;
    TFramePtr m_picture;  // the padded or rescaled picture, on a pooled buffer
    TFramePtr m_toEncode;
    TPacketPtr m_packet;
    TTwoPassLog m_passLog;
    std::unique_ptr<TVideoFilterGraph> m_filters;
    TFramePtr m_filtered;  // the picture taken from the graph, reused
    std::string m_passStatistics;  // pass 2 input; the encoder reads it while open
    float m_quality = -1.0f;
    std::uint64_t m_lastErrors[3] = {0, 0, 0};
};

}  // namespace mirelk
