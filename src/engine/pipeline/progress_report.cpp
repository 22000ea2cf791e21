#include "engine/pipeline/progress_report.h"

#include <algorithm>
#include <array>
#include <climits>
#include <cmath>
#include <string>

#include "binding/entry_points.h"
#include "binding/log_levels.h"
#include "binding/text_format.h"
#include "engine/pipeline/output_stage.h"
#include "engine/pipeline/run_records.h"
#include "engine/pipeline/run_request.h"

namespace mirelk {

void TProgressReport::Start() { m_lastReport = m_timerStart = av::av_gettime_relative(); }

void TProgressReport::Tick()
{
    const std::int64_t now = av::av_gettime_relative();
    if (now - m_lastReport <= m_settings.interval) return;
    m_lastReport = now;
    Report(false);
}

void TProgressReport::Report(bool final)
{
    IRunHost& host = m_host;
    const TProgressSettings& options = m_settings;
    std::int64_t size = 0;
    if (m_firstOutput != nullptr) {
        AVIOContext* io = m_firstOutput->pb;
        if (io != nullptr) {
            size = av::avio_size(io);
            if (size < 0) size = av::avio_seek(io, 0, SEEK_CUR);
        }
    }

    TProgressRecord record;
    std::string line;
    double time = 1e10;
    bool firstVideo = true;
    int duplicated = 0;
    int dropped = 0;
    for (const TOutputStream& output : m_outputs) {
        const TOutputStage& stage = *output.stage;
        duplicated += stage.FramesDuplicated();
        dropped += stage.FramesDropped();
    }
    for (const TOutputStream& output : m_outputs) {
        const TOutputStage& stage = *output.stage;
        const double written = stage.OutputTime();
        if (written > 0 && written < time) time = written;
        if (output.codec->codec_type != AVMEDIA_TYPE_VIDEO) continue;
        const float quality = stage.Quality();
        if (!firstVideo) {
            line += Format("q=%2.1f ", quality);
            continue;
        }
        firstVideo = false;
        // Nothing to tell before the first picture is out.
        const int frameNumber = stage.FramesWritten();
        if (frameNumber == 0) return;
        const double seconds = static_cast<double>(av::av_gettime_relative() - m_timerStart) / 1000000.0;
        record.frameNumber = frameNumber;
        record.framesPerSecond = seconds > 1.0 ? static_cast<int>(frameNumber / seconds + 0.5) : 0;
        record.quality = quality;
        line += Format("frame=%5d fps=%3d q=%3.1f ", record.frameNumber, record.framesPerSecond, quality);
        if (final) line += "L";
        if (options.qpHistogram) {
            std::array<int, 52>& histogram = host.QpHistogram();
            const long rounded = std::lround(quality);
            if (rounded >= 0 && rounded < 52) ++histogram[static_cast<std::size_t>(rounded)];
            for (int i = 0; i < 32; ++i)
                line += Format("%X", static_cast<int>(std::lround(std::log2(histogram[static_cast<std::size_t>(i)] + 1))));
        }
        const AVCodecContext* encoder = output.codec;
        if (output.encodingNeeded && (encoder->flags & AV_CODEC_FLAG_PSNR)) {
            const auto psnr = [](double ratio) { return -10.0 * std::log10(std::max(ratio, 1e-10)); };
            double errorSum = 0;
            double scaleSum = 0;
            line += "PSNR=";
            for (int plane = 0; plane < 3; ++plane) {
                double error = final ? static_cast<double>(encoder->error[plane])
                                     : static_cast<double>(stage.LastErrors()[plane]);
                double scale = static_cast<double>(encoder->width) * encoder->height * 255.0 * 255.0;
                if (final) scale *= frameNumber;
                if (plane > 0) scale /= 4;
                errorSum += error;
                scaleSum += scale;
                line += Format("%c:%2.2f ", "YUV"[plane], psnr(error / scale));
            }
            line += Format("*:%2.2f ", psnr(errorSum / scaleSum));
        }
    }
    const bool nothingWritten = time >= 1e10;
    time = std::max(time, 0.01);
    const double bitRate = static_cast<double>(size) * 8 / time / 1000;
    record.currentDuration = nothingWritten ? 0 : static_cast<int>(std::min(time * 1000, static_cast<double>(INT_MAX)));
    record.bitRate = static_cast<float>(bitRate);
    record.currentSize = size;
    record.totalOutputDuration = static_cast<int>(std::min<std::int64_t>(options.expectedTotalDuration, INT_MAX));

    const bool verbose = options.verbosity > 0;
    if (host.TakesProgress() || verbose || final) {
        line += Format("size=%8.0fkB time=%0.2f bitrate=%6.1fkbits/s", static_cast<double>(size) / 1024,
                       nothingWritten ? 0.0 : time, bitRate);
        if (options.verbosity > 1)
            line += Format(" dup=%d drop=%d", duplicated, dropped);
        if (host.TakesProgress())
            host.Progress(record);
        else if (options.verbosity >= 0 && host.Logging())
            host.Log(kLevelInfo, line);
    }
    if (final && options.verbosity >= 0 && host.Logging()) {
        const TRunCounters& counters = m_counters;
        const std::int64_t raw = counters.videoSize + counters.audioSize + counters.extraSize;
        const std::string overhead =
            raw > 0 ? Format("%f%%", static_cast<double>(size - raw) * 100.0 / static_cast<double>(raw)) : "unknown";
        host.Log(kLevelInfo, Format("video:%1.0fkB audio:%1.0fkB global headers:%1.0fkB muxing overhead %s",
                                    static_cast<double>(counters.videoSize) / 1024,
                                    static_cast<double>(counters.audioSize) / 1024,
                                    static_cast<double>(counters.extraSize) / 1024, overhead.c_str()));
    }
}

}  // namespace mirelk
