#include "engine/files/codec_lookup.h"

#include <utility>

#include "binding/entry_points.h"
#include "binding/text_format.h"
#include "engine/options/ffmpeg_exception.h"

namespace mirelk {

namespace {

// Encoders that older option texts name and today's libraries replace.
constexpr std::pair<const char*, const char*> kEncoderSuccessors[] = {
    {"libfaac", "aac"},
};

}  // namespace

const AVCodec* FindCodecByName(const std::string& name, AVMediaType type, bool encoder,
                               const std::function<void(const std::string&)>& notice)
{
    const char* kind = encoder ? "encoder" : "decoder";
    const AVCodec* codec =
        encoder ? av::avcodec_find_encoder_by_name(name.c_str()) : av::avcodec_find_decoder_by_name(name.c_str());
    if (codec == nullptr && encoder) {
        for (const auto& [retired, successor] : kEncoderSuccessors) {
            if (name != retired) continue;
            codec = av::avcodec_find_encoder_by_name(successor);
            if (codec != nullptr && notice)
                notice(Format("Encoder '%s' is not available; using its successor '%s'", retired, successor));
        }
    }
    if (codec == nullptr) throw FFmpegException(Format("Unknown %s '%s'", kind, name.c_str()));
    if (codec->type != type) throw FFmpegException(Format("Invalid %s type '%s'", kind, name.c_str()));
    return codec;
}

}  // namespace mirelk
