#include "binding/utilities.h"

#include <sys/stat.h>

#include "binding/av_headers.h"
#include "binding/text_format.h"

namespace mirelk {

std::string FormatFileSize(std::int64_t size)
{
    constexpr std::int64_t kKilo = 1024;
    constexpr std::int64_t kMega = 1024 * kKilo;
    constexpr std::int64_t kGiga = 1024 * kMega;
    if (size > kGiga) return Format("%.2f GB", static_cast<double>(size) / kGiga);
    if (size > kMega) return Format("%.2f MB", static_cast<double>(size) / kMega);
    if (size > kKilo) return Format("%.2f KB", static_cast<double>(size) / kKilo);
    return Format("%lld Byte", static_cast<long long>(size));
}

std::string FormatDuration(std::int64_t microseconds)
{
    const std::int64_t t = microseconds;
    return Format("%.2lld:%.2lld:%.2lld.%.3lld", static_cast<long long>(t / 3600000000LL),
                  static_cast<long long>((t / 60000000LL) % 60),
                  static_cast<long long>((t / 1000000LL) % 60),
                  static_cast<long long>((t % 1000000LL) / 1000));
}

std::string OpenErrorText(const std::string& fileName, int errorCode)
{
    // The texts were written for the error codes of older libraries; today's codes are sorted
    // into them by what they mean.
    const char* pattern = "%s: Error while opening file";
    if (errorCode == AVERROR_DEMUXER_NOT_FOUND || errorCode == AVERROR_PROTOCOL_NOT_FOUND)
        pattern = "%s: Unknown format";
    else if (errorCode == AVERROR(EDOM))
        pattern = "%s: Incorrect image filename syntax.\r\n"
                  "Use '%%d' to specify the image number:\r\n"
                  "  for img1.jpg, img2.jpg, ..., use 'img%%d.jpg';\r\n"
                  "  for img001.jpg, img002.jpg, ..., use 'img%%03d.jpg'.";
    else if (errorCode == AVERROR_INVALIDDATA || errorCode == AVERROR(EINVAL))
        pattern = "%s: Error while parsing header";
    else if (errorCode == AVERROR(ENOMEM))
        pattern = "%s: memory allocation error occurred";
    else if (errorCode == AVERROR(EIO) || errorCode == AVERROR_EOF)
        pattern = "%s: I/O error occurred\r\nUsually that means that input file is truncated "
                  "and/or corrupted.";
    else if (errorCode == AVERROR(ENOENT))
        pattern = "%s: no such file or directory";
    return Format(pattern, fileName.c_str());
}

std::string FetchToken(std::string& text, const std::string& delimiter, bool remove)
{
    const auto position = delimiter.empty() ? std::string::npos : text.find(delimiter);
    std::string token = text.substr(0, position);
    if (remove) text = position == std::string::npos ? std::string() : text.substr(position + delimiter.size());
    return token;
}

std::int64_t GetFileSizeByName(const std::string& fileName)
{
    struct stat info{};
    if (::stat(fileName.c_str(), &info) != 0) return -1;
    return static_cast<std::int64_t>(info.st_size);
}

}  // namespace mirelk
