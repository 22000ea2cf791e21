// Video output of one encoded stream: keeps the output frame rate by dropping and repeating
// pictures, crops, rescales and pads, encodes and writes.
#pragma once

#include <cstdint>
#include <string>

#include "binding/av_headers.h"
#include <memory>

#include "engine/pipeline/av_pointers.h"
#include "engine/pipeline/output_stage.h"
#include "engine/pipeline/video_filter_graph.h"
#include "engine/pipeline/picture_bands.h"
#include "engine/pipeline/two_pass_log.h"

namespace mirelk {

class TTranscodeRun;
struct TOutputStream;
struct TInputStream;

class TVideoOutput final : public TOutputStage {
public:
    // Decides cropping, padding and rescaling from the source and the encoder settings, and
    // builds the output's own filter graph when the task filters its pictures.
    TVideoOutput(TTranscodeRun& run, TOutputStream& output, TInputStream& source, int outputStreamNumber);
    ~TVideoOutput() override;
    void BeforeEncoderOpens() override;
    // One pre-processed picture of the source: through the filter graph when there is one.
    void Process(const AVFrame& picture) override;
    // What the filter graph still holds, then the encoder's delay.
    void Drain() override;

private:
    // Every picture the filter graph has ready, each in the source's place at its time.
    void EncodeFiltered();
    void Encode(const AVFrame& picture);
    // How many copies of this picture the output rate wants (0 drops it).
    int CopiesForRate();
    // Crops, rescales and pads into the frame the encoder gets; false when the picture
    // cannot be made (it is then skipped).
    bool PrepareFrame(const AVFrame& picture);
    void Send(AVFrame* frame);
    void ReceivePackets();

    TTranscodeRun& m_run;
    TOutputStream& m_output;
    TInputStream& m_source;
    AVCodecContext* m_encoder = nullptr;
    int m_outputStreamNumber = 0;

    bool m_crop = false;
    bool m_pad = false;
    bool m_resample = false;
    int m_cropTop = 0;
    int m_cropLeft = 0;
    int m_cropRight = 0;
    int m_cropBottom = 0;
    int m_cropWidth = 0;   // the source size after cropping
    int m_cropHeight = 0;
    TPadBands m_bands;
    int m_padColor[3] = {16, 128, 128};
    TScalerPtr m_scaler;
    int m_scalerSourceFormat = AV_PIX_FMT_NONE;
    int m_scalerSourceWidth = 0;
    int m_scalerSourceHeight = 0;
    int m_scalerFlags = SWS_BICUBIC;

    TFramePtr m_picture;  // the padded or rescaled picture, reused
    TFramePtr m_toEncode;
    TPacketPtr m_packet;
    TTwoPassLog m_passLog;
    std::unique_ptr<TVideoFilterGraph> m_filters;
    TFramePtr m_filtered;  // the picture taken from the graph, reused
    std::string m_passStatistics;  // pass 2 input; the encoder reads it while open
};

}  // namespace mirelk
