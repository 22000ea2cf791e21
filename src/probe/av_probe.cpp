#include "probe/av_probe.h"

#include <new>
#include <stdexcept>

#include "binding/entry_points.h"
#include "binding/log_levels.h"
#include "binding/text_format.h"
#include "probe/probe_log.h"
#include "probe/probe_text.h"

namespace mirelk {

using probing::IsStillPictureFormat;
using probing::ProbeLog;
using probing::TDecoderOpenResult;

namespace {

constexpr AVRational kMicroseconds{1, 1000000};

[[noreturn]] void RefuseReadOnly(const std::string& text)
{
    ProbeLog(kLevelInfo, text + "\n");
    throw std::runtime_error(text);
}

std::int64_t SaturatingSum(std::int64_t left, std::int64_t right)
{
    std::int64_t sum = 0;
    if (!__builtin_add_overflow(left, right, &sum)) return sum;
    return right > 0 ? INT64_MAX : INT64_MIN;
}

}  // namespace

TAVProbe::~TAVProbe() { CloseDecoding(); }

void TAVProbe::Close()
{
    CloseDecoding();
    TCustomAVProbe::Close();
}

void TAVProbe::CloseDecoding()
{
    m_lastWasStillPicture = false;
    if (m_frameBitmap != nullptr) m_frameBitmap->SetSize(0, 0);
    m_converter.Reset();
    m_decoder.Close();
}

TBitmap24& TAVProbe::FrameBitmap()
{
    if (m_frameBitmap == nullptr) m_frameBitmap = std::make_unique<TBitmap24>();
    return *m_frameBitmap;
}

TBitmap24& TAVProbe::LastFrame()
{
    if (m_lastFrame == nullptr) m_lastFrame = std::make_unique<TBitmap24>();
    return *m_lastFrame;
}

bool TAVProbe::Seek(int streamIndex, std::int64_t position)
{
    if (IsAttached()) {
        SetLastErrMsg("file cannot be seeked, handle is readonly.");
        RefuseReadOnly(LastErrMsg());
    }
    AVFormatContext* context = Context();
    if (context == nullptr) {
        ProbeLog(kLevelInfo, "file not loaded.\n");
        SetLastErrMsg("file not loaded.");
        return false;
    }
    if (IsStillPictureFormat(DemuxerName())) {
        ProbeLog(kLevelInfo, "\"image2\" format cannot to be seeked.\n");
        return true;
    }

    std::int64_t target = position > 0 ? position : 0;
    int index = -1;
    if (streamIndex >= 0) {
        if (streamIndex >= StreamCount()) {
            ProbeLog(kLevelError, Format("stream index #%d is invalid.\n", streamIndex));
            return false;
        }
        index = streamIndex;
    } else if (FirstVideoStream() >= 0) {
        index = FirstVideoStream();
    } else if (FirstAudioStream() >= 0) {
        index = FirstAudioStream();
    } else {
        index = FirstSubtitleStream();
    }

    std::int64_t start = AV_NOPTS_VALUE;
    if (index >= 0) {
        const AVStream* stream = context->streams[index];
        target = av::av_rescale_q(target, kMicroseconds, stream->time_base);
        if (stream->duration > 0 && stream->duration < target) target = stream->duration;
        start = stream->start_time;
    } else {
        if (context->duration > 0 && context->duration < target) target = context->duration;
        start = context->start_time;
    }
    if (start != AV_NOPTS_VALUE) target = SaturatingSum(target, start);

    m_decoder.Flush();
    const int result = position > 0 ? av::av_seek_frame(context, index, target, 0)
                                    : av::av_seek_frame(context, index, 0, AVSEEK_FLAG_BACKWARD);
    if (result != 0)
        ProbeLog(kLevelError, Format("could not seek to position %0.3f\n", static_cast<double>(position) / 1000000));
    return true;
}

TBitmap24& TAVProbe::ReadFrame(int streamIndex)
{
    if (IsAttached()) {
        SetLastErrMsg("frame cannot be read, handle is readonly.");
        RefuseReadOnly(LastErrMsg());
    }
    TBitmap24& bitmap = FrameBitmap();
    const auto giveEmpty = [&bitmap](const std::string& message) -> TBitmap24& {
        ProbeLog(kLevelError, message);
        bitmap.SetSize(0, 0);
        return bitmap;
    };

    AVFormatContext* context = Context();
    if (context == nullptr) return giveEmpty("file not loaded.\n");
    const int index = streamIndex < 0 ? FirstVideoStream() : streamIndex;
    if (index < 0) return giveEmpty("no video stream.\n");
    if (index >= StreamCount()) return giveEmpty(Format("stream index #%d is invalid.\n", index));
    const AVStream* stream = context->streams[index];
    const AVCodecParameters* parameters = stream->codecpar;
    if (parameters->codec_type != AVMEDIA_TYPE_VIDEO)
        return giveEmpty(Format("stream #%d is not video stream.\n", index));

    const bool stillPicture = IsStillPictureFormat(DemuxerName());
    if (m_lastWasStillPicture && stillPicture) return bitmap;
    if (parameters->width == 0 || parameters->height == 0) {
        bitmap.SetSize(0, 0);
        return bitmap;
    }

    if (!m_decoder.Decodes(stream)) {
        switch (m_decoder.Open(stream)) {
        case TDecoderOpenResult::Opened:
            break;
        case TDecoderOpenResult::NoDecoder:
            return giveEmpty(Format("Unsupported codec (id=%d) for input file stream #%d\n",
                                    static_cast<int>(parameters->codec_id), index));
        case TDecoderOpenResult::OpenFailed:
            return giveEmpty(Format("Error while opening codec for input file stream #%d\n", index));
        }
    }

    try {
        if (DecodeInto(bitmap, context, *parameters)) m_lastWasStillPicture = stillPicture;
    } catch (const std::bad_alloc&) {
        // Too large a picture for the memory left: both bitmaps are left empty, and whole.
        m_decoder.ReleasePicture();
        bitmap.SetSize(0, 0);
        LastFrame().SetSize(0, 0);
        ProbeLog(kLevelError, Format("not enough memory for a picture of stream #%d\n", index));
    }
    return bitmap;
}

bool TAVProbe::DecodeInto(TBitmap24& bitmap, AVFormatContext* context, const AVCodecParameters& parameters)
{
    bitmap.SetSize(parameters.width, parameters.height);
    if (!m_decoder.DecodeNextPicture(context)) {
        ProbeLog(kLevelDebug, "stream eof reached.\n");
        bitmap.Blacken();
        return false;
    }
    // The picture's own size wins over the stream's: a stream may change size midway.
    const bool converted = m_converter.ToBitmap(m_decoder.Picture(), bitmap);
    m_decoder.ReleasePicture();
    if (!converted) {
        ProbeLog(kLevelError, "Cannot initialize the toRGB conversion context\n");
        bitmap.Blacken();
        return false;
    }
    LastFrame().Assign(bitmap);
    return true;
}

}  // namespace mirelk
