// The main loop of a run: choose the input whose data is needed next, read a packet, correct
// its time stamps, decode and dispatch it; at the end drain, write trailers and close.
#include <cfloat>
#include <cmath>

#include "binding/entry_points.h"
#include "binding/loader.h"
#include "binding/log_levels.h"
#include "binding/system_functions.h"
#include "binding/text_format.h"
#include "engine/options/ffmpeg_exception.h"
#include "engine/pipeline/audio_output.h"
#include "engine/pipeline/progress_report.h"
#include "engine/pipeline/transcode_run.h"
#include "engine/pipeline/video_output.h"

namespace mirelk {

bool TTranscodeRun::Execute()
{
    Setup();
    MainLoop();
    return Finish();
}

void TTranscodeRun::FailOnReadError(int fileIndex, int readResult) const
{
    // The end of the file, or data the demuxer cannot read on (a damaged tail), ends the input;
    // a failing device or a folder gone away is no end: the output would be cut short.
    const AVIOContext* io = m_inputFiles[fileIndex].context->pb;
    int error = readResult != AVERROR_EOF && readResult > -4096 ? readResult : 0;
    if (error == 0 && io != nullptr && io->error < 0 && io->error != AVERROR_EOF && io->error > -4096) error = io->error;
    if (error == 0) return;
    throw FFmpegException(Format("Error while reading %s: %s", m_request.inputs[fileIndex].fileName.c_str(),
                                 LibraryErrorText(error).c_str()));
}

int TTranscodeRun::ChooseInputFile() const
{
    const TOptionState& options = Options();
    double smallestInput = 1e100;
    double smallestOutput = 1e100;
    int chosen = -1;
    for (const TOutputStream& output : m_outputStreams) {
        const TInputStream& source = m_inputStreams[output.sourceIndex];
        const double inputTime = static_cast<double>(source.pts);
        const double outputTime = output.codec->codec_type == AVMEDIA_TYPE_VIDEO && output.encodingNeeded
                                      ? static_cast<double>(output.syncOpts) * av_q2d(output.codec->time_base)
                                      : output.writer.WrittenTime();
        const TInputFile& file = m_inputFiles[source.fileIndex];
        if (!file.eofReached) {
            if (inputTime < smallestInput) {
                smallestInput = inputTime;
                if (options.inputSync) chosen = source.fileIndex;
            }
            if (outputTime < smallestOutput) {
                smallestOutput = outputTime;
                if (!options.inputSync) chosen = source.fileIndex;
            }
        }
        const AVMediaType type = output.codec->codec_type;
        const int limit = type == AVMEDIA_TYPE_VIDEO   ? options.maxFrames[miVideo]
                          : type == AVMEDIA_TYPE_AUDIO ? options.maxFrames[miAudio]
                          : type == AVMEDIA_TYPE_DATA  ? options.maxFrames[miData]
                                                       : INT_MAX;
        if (output.frameNumber >= limit) return -1;
    }
    if (chosen >= 0 && options.recordingTime != INT64_MAX &&
        static_cast<double>(options.recordingTime) / 1000000.0 <= smallestOutput)
        return -1;
    return chosen;
}

void TTranscodeRun::CorrectTimestamps(TInputFile& file, TInputStream& stream, AVPacket* packet)
{
    const TOptionState& options = Options();
    const AVRational timeBase = stream.stream->time_base;
    const std::int64_t offset = av::av_rescale_q(file.timestampOffset, AV_TIME_BASE_Q, timeBase);
    if (packet->dts != AV_NOPTS_VALUE) packet->dts += offset;
    if (packet->pts != AV_NOPTS_VALUE) packet->pts += offset;
    if (static_cast<std::size_t>(stream.fileIndex) < options.inputTimestampScale.size() &&
        stream.streamIndex < kMaxStreams) {
        const double scale = options.inputTimestampScale[stream.fileIndex][stream.streamIndex];
        if (scale != 0.0) {
            if (packet->dts != AV_NOPTS_VALUE) packet->dts = std::llround(static_cast<double>(packet->dts) * scale);
            if (packet->pts != AV_NOPTS_VALUE) packet->pts = std::llround(static_cast<double>(packet->pts) * scale);
        }
    }
    if (packet->dts == AV_NOPTS_VALUE || stream.nextPts == AV_NOPTS_VALUE ||
        !(file.context->iformat->flags & AVFMT_TS_DISCONT) || options.copyTimestamps)
        return;
    const std::int64_t packetTime = av::av_rescale_q(packet->dts, timeBase, AV_TIME_BASE_Q);
    const std::int64_t delta = packetTime - stream.nextPts;
    if (std::fabs(static_cast<float>(delta)) > options.dtsDeltaThreshold * 1000000.0f || packetTime + 1 < stream.pts) {
        file.timestampOffset -= delta;
        if (options.verbosity > 2)
            Log(kLevelInfo, Format("timestamp discontinuity %lld, new offset= %lld", static_cast<long long>(delta),
                                   static_cast<long long>(file.timestampOffset)));
        const std::int64_t shift = av::av_rescale_q(delta, AV_TIME_BASE_Q, timeBase);
        packet->dts -= shift;
        if (packet->pts != AV_NOPTS_VALUE) packet->pts -= shift;
    }
}

void TTranscodeRun::MainLoop()
{
    const TOptionState& options = Options();
    m_lastReport = m_timerStart;
    AVPacket* packet = m_packet.get();
    for (;;) {
        m_host.PassGate();
        if (m_host.StopAsked()) break;
        const int fileIndex = ChooseInputFile();
        if (fileIndex < 0) break;
        if (options.fileSizeLimit != 0) {
            AVIOContext* io = m_request.outputs.at(0).context->pb;
            if (io != nullptr && av::avio_seek(io, 0, SEEK_CUR) >= options.fileSizeLimit) break;
        }
        TInputFile& file = m_inputFiles[fileIndex];
        const int read = av::av_read_frame(file.context, packet);
        if (read == AVERROR(EAGAIN)) continue;
        if (read < 0) {
            FailOnReadError(fileIndex, read);
            file.eofReached = true;
            if (options.shortest) break;
            continue;
        }
        if (options.packetDump) av::av_pkt_dump_log2(nullptr, AV_LOG_INFO, packet, options.hexDump,
                                                     file.context->streams[packet->stream_index]);
        if (packet->stream_index < file.fileStreamCount &&
            !m_inputStreams[file.firstStreamIndex + packet->stream_index].discard) {
            const int streamIndex = file.firstStreamIndex + packet->stream_index;
            TInputStream& stream = m_inputStreams[streamIndex];
            CorrectTimestamps(file, stream, packet);
            if (!OutputPacket(stream, streamIndex, packet)) {
                const std::string message =
                    Format("Error while decoding stream #%d.%d", stream.fileIndex, stream.streamIndex);
                if (options.exitOnError) {
                    av::av_packet_unref(packet);
                    throw FFmpegException(message);
                }
                if (options.verbosity >= 0) Log(kLevelInfo, message);
                av::av_packet_unref(packet);
                continue;
            }
        }
        av::av_packet_unref(packet);
        const std::int64_t now = av::av_gettime_relative();
        if (now - m_lastReport > m_request.progressInterval) {
            m_lastReport = now;
            ReportProgress(*this, false);
        }
    }
}

bool TTranscodeRun::Finish()
{
    for (std::size_t i = 0; i < m_inputStreams.size(); ++i)
        if (m_inputStreams[i].decodingNeeded) OutputPacket(m_inputStreams[i], static_cast<int>(i), nullptr);
    for (int file = 0; file < OutputFileCount(); ++file) {
        AVFormatContext* context = m_request.outputs[file].context.get();
        const int written = av::av_write_trailer(context);
        // A trailer that did not reach the disk (a full disk, say) is no finished file.
        if (written < 0 || (context->pb != nullptr && context->pb->error < 0))
            throw FFmpegException(Format("Could not write trailer for output file #%d: %s", file,
                                         LibraryErrorText(written < 0 ? written : context->pb->error).c_str()));
    }
    ReportProgress(*this, true);
    return !m_host.StopAsked();
}

void TTranscodeRun::WriteFrame(TOutputStream& output, AVPacket* packet)
{
    AVFormatContext* file = m_request.outputs[output.fileIndex].context.get();
    const char* codecName = output.encodingNeeded && output.encoder != nullptr ? output.encoder->name : "copy";
    output.writer.Write(file, packet, codecName, Options().exitOnError,
                        [this](int level, const std::string& text) { Log(level, text); });
}

}  // namespace mirelk
