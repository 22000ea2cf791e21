// What each output file of a finished run should hold: a stream for every output stream, with
// packets, lasting as long as its source stream within the clip. Where a setting asks for a
// different length (frame or size limits, "shortest", a time scale, a filter that retimes the
// pictures) the length is not checked.
#include <algorithm>
#include <climits>

#include "binding/entry_points.h"
#include "engine/pipeline/transcode_run.h"

namespace mirelk {

namespace {

// The run-time span (microseconds) of an input stream's data; false when the stream does not
// say. The file's length is no stand-in: it spans every stream, and one stream may rightly start
// later or end sooner than the others (pictures that begin at 3 s, a subtitle after the end).
bool SourceSpan(const AVStream& stream, std::int64_t offset, std::int64_t& from, std::int64_t& to)
{
    if (stream.duration == AV_NOPTS_VALUE || stream.duration <= 0) return false;
    const std::int64_t start = stream.start_time != AV_NOPTS_VALUE ? stream.start_time : 0;
    from = av::av_rescale_q(start, stream.time_base, AV_TIME_BASE_Q) + offset;
    to = from + av::av_rescale_q(stream.duration, stream.time_base, AV_TIME_BASE_Q);
    return true;
}

bool RetimesPictures(const std::string& filters)
{
    return filters.find("setpts") != std::string::npos || filters.find("fps") != std::string::npos;
}

}  // namespace

std::vector<std::vector<TExpectedStream>> TTranscodeRun::OutputExpectations() const
{
    const TOptionState& options = Options();
    bool lengthAsked = options.fileSizeLimit == 0 && !options.shortest;
    for (const auto& scales : options.inputTimestampScale)
        for (const double scale : scales) lengthAsked = lengthAsked && scale == 0.0;

    std::vector<std::vector<TExpectedStream>> files(m_request.outputs.size());
    for (std::size_t i = 0; i < files.size(); ++i) files[i].resize(m_request.outputs[i].context->nb_streams);
    for (const TOutputStream& output : m_outputStreams) {
        TExpectedStream expected;
        expected.type = output.codec->codec_type;
        const TInputStream& source = m_inputStreams.at(output.sourceIndex);
        const TInputFile& file = m_demuxer.File(source.fileIndex);
        const bool cover = (source.stream->disposition & AV_DISPOSITION_ATTACHED_PIC) != 0;
        // A kept subtitle may rightly have no cue in the clip.
        expected.needsPackets = expected.type != AVMEDIA_TYPE_SUBTITLE && !output.optional;
        const int limit = expected.type == AVMEDIA_TYPE_VIDEO   ? options.maxFrames[miVideo]
                          : expected.type == AVMEDIA_TYPE_AUDIO ? options.maxFrames[miAudio]
                                                                : INT_MAX;
        const bool timed = expected.type == AVMEDIA_TYPE_VIDEO || expected.type == AVMEDIA_TYPE_AUDIO;
        const bool retimed = expected.type == AVMEDIA_TYPE_VIDEO && m_request.usesVideoFilters &&
                             RetimesPictures(options.videoFilters);
        std::int64_t from = 0;
        std::int64_t to = 0;
        if (lengthAsked && timed && !cover && limit == INT_MAX && !retimed &&
            SourceSpan(*source.stream, file.timestampOffset, from, to)) {
            from = std::max(from, file.gate.start);
            to = std::min(to, file.gate.end);
            if (to > from) expected.duration = to - from;
        }
        files.at(static_cast<std::size_t>(output.fileIndex)).at(static_cast<std::size_t>(output.streamIndex)) = expected;
    }
    return files;
}

}  // namespace mirelk
