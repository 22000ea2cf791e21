#include "engine/pipeline/demuxer.h"

#include <algorithm>
#include <cmath>

#include "binding/entry_points.h"
#include "binding/log_levels.h"
#include "binding/system_functions.h"
#include "binding/text_format.h"
#include "engine/options/ffmpeg_exception.h"
#include "engine/pipeline/av_pointers.h"

namespace mirelk {

TDemuxer::TDemuxer(const TRunRequest& request, IRunHost& host) : m_request(request), m_host(host), m_packet(NewPacket())
{
}

void TDemuxer::Open(std::vector<TInputStream>& streams)
{
    const std::int64_t now = av::av_gettime_relative();
    for (int file = 0; file < static_cast<int>(m_request.inputs.size()); ++file) {
        const TOpenInput& input = m_request.inputs[file];
        TInputFile record;
        record.context = input.context.get();
        record.firstStreamIndex = static_cast<int>(streams.size());
        record.fileStreamCount = static_cast<int>(input.context->nb_streams);
        record.timestampOffset = input.timestampOffset;
        record.gate = Gate(input);
        m_files.push_back(record);
        for (int index = 0; index < record.fileStreamCount; ++index) {
            TInputStream stream;
            stream.fileIndex = file;
            stream.streamIndex = index;
            stream.stream = input.context->streams[index];
            for (const TInputStreamChoice& choice : m_request.inputStreams)
                if (choice.inputIndex == file && choice.streamIndex == index) stream.forcedDecoder = choice.decoder;
            if (m_request.options.rateEmulation) stream.readStart = now;
            streams.push_back(std::move(stream));
        }
    }
}

TTimeGate TDemuxer::Gate(const TOpenInput& input) const
{
    const TOptionState& options = m_request.options;
    TTimeGate gate;
    // A start given after the input opened (an output option) is in run time already.
    if (options.startTime != 0) gate.start = options.startTime;
    // A seeked input reads from the key picture before its start: the start itself lies where
    // the seek position falls once the input's offset is added.
    if (input.recipe.seek) gate.start = std::max(gate.start, input.recipe.seekPosition + input.timestampOffset);
    if (options.recordingTime != INT64_MAX) {
        const std::int64_t from = gate.start == INT64_MIN ? 0 : gate.start;
        gate.end = options.recordingTime > INT64_MAX - std::max<std::int64_t>(from, 0) ? INT64_MAX
                                                                                        : from + options.recordingTime;
    }
    return gate;
}

bool TDemuxer::HasStream(int file, int stream) const
{
    return file >= 0 && file < FileCount() && stream >= 0 && stream < m_files[file].fileStreamCount;
}

TDemuxer::TRead TDemuxer::Read(int fileIndex, const std::vector<TInputStream>& streams,
                              const std::vector<TStreamClock>& clocks)
{
    const TOptionState& options = m_request.options;
    TInputFile& file = m_files[fileIndex];
    AVPacket* packet = m_packet.get();
    const int read = av::av_read_frame(file.context, packet);
    if (read == AVERROR(EAGAIN)) return {};
    if (read < 0) {
        FailOnReadError(fileIndex, read);
        file.eofReached = true;
        return {rsEnded, -1};
    }
    if (options.packetDump)
        av::av_pkt_dump_log2(nullptr, AV_LOG_INFO, packet, options.hexDump, file.context->streams[packet->stream_index]);
    if (packet->stream_index >= file.fileStreamCount || streams[file.firstStreamIndex + packet->stream_index].discard) {
        ReleasePacket();
        return {};
    }
    const int streamIndex = file.firstStreamIndex + packet->stream_index;
    CorrectTimestamps(file, streams[streamIndex], clocks.at(static_cast<std::size_t>(streamIndex)), packet);
    return {rsPacket, streamIndex};
}

void TDemuxer::ReleasePacket() { av::av_packet_unref(m_packet.get()); }

void TDemuxer::FailOnReadError(int fileIndex, int readResult)
{
    if (readResult != AVERROR_EOF)
        m_lastReadError = Format("Error while reading %s: %s", m_request.inputs[fileIndex].fileName.c_str(),
                                 LibraryErrorText(readResult).c_str());
    // The end of the file, or data the demuxer cannot read on (a damaged tail), ends the input;
    // a failing device or a folder gone away is no end: the output would be cut short.
    const AVIOContext* io = m_files[fileIndex].context->pb;
    int error = readResult != AVERROR_EOF && readResult > -4096 ? readResult : 0;
    if (error == 0 && io != nullptr && io->error < 0 && io->error != AVERROR_EOF && io->error > -4096) error = io->error;
    if (error == 0) return;
    throw FFmpegException(Format("Error while reading %s: %s", m_request.inputs[fileIndex].fileName.c_str(),
                                 LibraryErrorText(error).c_str()));
}

void TDemuxer::CorrectTimestamps(TInputFile& file, const TInputStream& stream, const TStreamClock& clock,
                                 AVPacket* packet)
{
    const TOptionState& options = m_request.options;
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
    if (packet->dts == AV_NOPTS_VALUE || clock.Next() == AV_NOPTS_VALUE ||
        !(file.context->iformat->flags & AVFMT_TS_DISCONT) || options.copyTimestamps)
        return;
    const std::int64_t packetTime = av::av_rescale_q(packet->dts, timeBase, AV_TIME_BASE_Q);
    const std::int64_t delta = packetTime - clock.Next();
    if (std::fabs(static_cast<float>(delta)) > options.dtsDeltaThreshold * 1000000.0f || packetTime + 1 < clock.Now()) {
        file.timestampOffset -= delta;
        if (options.verbosity > 2)
            m_host.Log(kLevelInfo, Format("timestamp discontinuity %lld, new offset= %lld", static_cast<long long>(delta),
                                   static_cast<long long>(file.timestampOffset)));
        const std::int64_t shift = av::av_rescale_q(delta, AV_TIME_BASE_Q, timeBase);
        packet->dts -= shift;
        if (packet->pts != AV_NOPTS_VALUE) packet->pts -= shift;
    }
}

}  // namespace mirelk
