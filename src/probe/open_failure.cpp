#include "probe/open_failure.h"

#include "binding/entry_points.h"
#include "binding/utilities.h"
#include "binding/av_owners.h"

namespace mirelk::probing {

namespace {

bool SomeDemuxerClaims(const std::string& fileName)
{
    AVIOContext* raw = nullptr;
    // Unreadable now: nothing to learn, keep the library's answer.
    if (av::avio_open(&raw, fileName.c_str(), AVIO_FLAG_READ) < 0) return true;
    const TIOContextPtr io(raw);
    const AVInputFormat* format = nullptr;
    const int score = av::av_probe_input_buffer2(io.get(), &format, fileName.c_str(), nullptr, 0, 0);
    return score >= 0 && format != nullptr;
}

}  // namespace

std::string OpenFailureText(const std::string& fileName, int errorCode, bool formatForced)
{
    if (errorCode == AVERROR_INVALIDDATA && !formatForced && !SomeDemuxerClaims(fileName))
        errorCode = AVERROR_DEMUXER_NOT_FOUND;
    return OpenErrorText(fileName, errorCode);
}

}  // namespace mirelk::probing
