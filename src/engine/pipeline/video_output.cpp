#include "engine/pipeline/video_output.h"

#include "engine/options/ffmpeg_exception.h"
#include "engine/pipeline/transcode_run.h"

namespace mirelk {

TVideoOutput::TVideoOutput(TTranscodeRun& run, TOutputStream& output, TInputStream& source)
    : m_run(run), m_output(output), m_source(source)
{
    throw FFmpegException("Video encoding is not available yet: copy the video stream (vcodec=copy) or leave it out (vn)");
}

void TVideoOutput::BeforeEncoderOpens() {}
void TVideoOutput::Open() {}
void TVideoOutput::Process(AVFrame&) {}
void TVideoOutput::Drain() {}

}  // namespace mirelk
