// The main loop of a run: choose the input whose data is needed next, have the demuxer read a
// packet of it, decode and dispatch it; at the end drain, write trailers and close.
#include <climits>

#include "binding/entry_points.h"
#include "binding/log_levels.h"
#include "binding/system_functions.h"
#include "binding/text_format.h"
#include "engine/options/ffmpeg_exception.h"
#include "engine/pipeline/progress_report.h"
#include "engine/pipeline/transcode_run.h"

namespace mirelk {

bool TTranscodeRun::Execute()
{
    Setup();
    MainLoop();
    return Finish();
}

int TTranscodeRun::ChooseInputFile() const
{
    const TOptionState& options = Options();
    double smallestInput = 1e100;
    double smallestOutput = 1e100;
    int chosen = -1;
    bool allEnded = true;
    for (const TOutputStream& output : m_outputStreams) {
        const TInputStream& source = m_inputStreams[output.sourceIndex];
        const TOutputStage& stage = *output.stage;
        const double inputTime = static_cast<double>(m_decoder.Clock(output.sourceIndex).Now());
        const double outputTime = stage.OutputTime();
        const std::int64_t end = StageClock(source).OutputEnd();
        // A stream past the end of its clip wants nothing more of its file.
        const bool ended =
            stage.ReachedEnd() || (end != INT64_MAX && static_cast<double>(end) / 1000000.0 <= outputTime);
        // Subtitles come seldom: their output time lags, and they must not keep the loop reading
        // after the pictures and the sound are done, unless they are all there is.
        if (!ended && (m_onlySubtitles || output.codec->codec_type != AVMEDIA_TYPE_SUBTITLE)) allEnded = false;
        const TInputFile& file = m_demuxer.File(source.fileIndex);
        if (!file.eofReached && !ended) {
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
        if (stage.FramesWritten() >= limit) return -1;
    }
    if (allEnded && !m_outputStreams.empty()) return -1;
    return chosen;
}

void TTranscodeRun::MainLoop()
{
    const TOptionState& options = Options();
    for (;;) {
        m_host.PassGate();
        if (m_host.StopAsked()) break;
        const int fileIndex = ChooseInputFile();
        if (fileIndex < 0) break;
        if (options.fileSizeLimit != 0) {
            AVIOContext* io = m_request.outputs.at(0).context->pb;
            if (io != nullptr && av::avio_seek(io, 0, SEEK_CUR) >= options.fileSizeLimit) break;
        }
        const TDemuxer::TRead read = m_demuxer.Read(fileIndex, m_inputStreams, m_decoder.Clocks());
        if (read.status == TDemuxer::rsEnded) {
            if (options.shortest) break;
            continue;
        }
        if (read.status == TDemuxer::rsPacket) {
            const TInputStream& stream = m_inputStreams[read.streamIndex];
            const int decoded = m_decoder.OutputPacket(stream, read.streamIndex, m_demuxer.Packet());
            m_demuxer.ReleasePacket();
            if (decoded < 0) {
                m_lastDecodeError = Format("Error while decoding stream #%d.%d: %s", stream.fileIndex,
                                           stream.streamIndex, LibraryErrorText(decoded).c_str());
                m_errors.Fault(m_lastDecodeError, kLevelInfo, options.verbosity >= 0);
                continue;
            }
        }
        m_progress.Tick();
    }
}

bool TTranscodeRun::Finish()
{
    for (std::size_t i = 0; i < m_inputStreams.size(); ++i)
        if (m_inputStreams[i].decodingNeeded) m_decoder.OutputPacket(m_inputStreams[i], static_cast<int>(i), nullptr);
    std::int64_t& packetsWritten = m_packetsWritten;
    for (TOutputStream& output : m_outputStreams) {
        output.sink->Flush();
        packetsWritten += output.sink->Writer().WrittenPackets();
    }
    // A file with a header and nothing else opens nowhere: a run that made nothing failed.
    if (packetsWritten == 0 && !m_host.StopAsked() && !m_outputStreams.empty())
        throw FFmpegException("Nothing was converted: " +
                              (!m_lastDecodeError.empty()                 ? m_lastDecodeError
                               : !m_demuxer.LastReadError().empty() ? m_demuxer.LastReadError()
                                                                     : std::string("the inputs ended before giving any data")));
    for (int file = 0; file < OutputFileCount(); ++file) {
        AVFormatContext* context = m_request.outputs[file].context.get();
        const int written = av::av_write_trailer(context);
        // A trailer that did not reach the disk (a full disk, say) is no finished file.
        if (written < 0 || (context->pb != nullptr && context->pb->error < 0))
            throw FFmpegException(Format("Could not write trailer for output file #%d: %s", file,
                                         LibraryErrorText(written < 0 ? written : context->pb->error).c_str()));
    }
    m_progress.Final();
    return !m_host.StopAsked();
}

const char* TTranscodeRun::WriterCodecName(const TOutputStream& output)
{
    return output.encodingNeeded && output.encoder != nullptr ? output.encoder->name : "copy";
}

}  // namespace mirelk
