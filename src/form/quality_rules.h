// Constant quality and encoder speed: what the form's quality and speed settings become for the
// encoder a record ends up with. Video quality is each encoder's own scale (x264, x265, VP9 and
// SVT-AV1 as a rate factor, the MPEG-4 family as a quantiser), lower numbers meaning better
// pictures; audio quality is a bit rate per channel.
#pragma once

#include <string>
#include <string_view>

#include "component/conversion_records.h"
#include "form/option_form_settings.h"

namespace mirelk::form {

struct TQualityScale {
    std::string_view Codec;
    std::string_view Option;  // the option that takes the number
    int Min = 0;
    int Max = 0;
    // Pictures of the generated test clips that a viewer cannot tell from the source.
    int Default = 0;
};

// kbit/s per channel.
struct TAudioRateScale {
    std::string_view Codec;
    int Min = 0;
    int Max = 0;
    int Default = 0;
};

// The scale of a video or audio encoder; null for one without (GIF, the lossless ones).
const TQualityScale* VideoQualityScale(std::string_view codec);
const TAudioRateScale* AudioRateScale(std::string_view codec);

// The encoder the libraries take for an output of this name ending when the record names none;
// empty when unknown here.
std::string_view ContainerVideoCodec(std::string_view ending);
std::string_view ContainerAudioCodec(std::string_view ending);

// The option line that sets the encoder's speed for the kEncoderSpeeds index; empty for "Auto"
// and for an encoder without a speed choice.
std::string SpeedOptionLine(std::string_view codec, int speed);

// Why the quality settings cannot be used with the record's encoders, in a sentence; empty when
// they can (or are not asked for). Judged as ApplyQuality would use them.
std::string QualityProblem(const TOptionFormSettings& settings, const TOutputOptions& record);

// Why the encoder cannot take pictures of this size, in a sentence; empty when it can (or the
// size is not known).
std::string PictureSizeProblem(std::string_view codec, int width, int height);

// Sets constant quality, the audio bit rate and the speed into a record on which the format rule
// has been applied. A modern format converts at quality unless a bit rate is checked; the
// others only when a quality is checked. inputChannels (-1: unknown) counts the channels the
// audio bit rate is for when the record does not fix them. A quality text that is not usable
// counts as the encoder's default, as the form's other numbers do.
void ApplyQuality(const TOptionFormSettings& settings, bool modern, int inputChannels, TOutputOptions& record);

}  // namespace mirelk::form
