// What the options say of the pictures a video output makes: the bands cropped and padded, the
// pad colour, the scaler, the filter chain. Both the output and its filter graph read these.
#pragma once

#include <string>

#include "binding/av_headers.h"
#include "engine/options/option_state.h"
#include "engine/pipeline/picture_bands.h"

namespace mirelk {

struct TPictureSettings {
    TPadBands crop;
    TPadBands pad;
    int padColor[3] = {16, 128, 128};
    int scalerFlags = SWS_BICUBIC;
    // The picture size the options asked for (0 when none).
    int frameWidth = 0;
    int frameHeight = 0;
    std::string videoFilters;

    static TPictureSettings From(const TOptionState& options, int scalerFlags)
    {
        TPictureSettings settings;
        settings.crop = TPadBands{options.cropTop, options.cropBottom, options.cropLeft, options.cropRight};
        settings.pad = TPadBands{options.padTop, options.padBottom, options.padLeft, options.padRight};
        settings.padColor[0] = options.padColorY;
        settings.padColor[1] = options.padColorU;
        settings.padColor[2] = options.padColorV;
        settings.scalerFlags = scalerFlags;
        settings.frameWidth = options.frameWidth;
        settings.frameHeight = options.frameHeight;
        settings.videoFilters = options.videoFilters;
        return settings;
    }
    bool Crops() const { return crop.top != 0 || crop.bottom != 0 || crop.left != 0 || crop.right != 0; }
    bool Pads() const { return pad.top != 0 || pad.bottom != 0 || pad.left != 0 || pad.right != 0; }
};

// The pixel format an encoder is given when the options name none: the first the encoder
// takes, else (no encoder known yet, or one that names none) the source's.
inline AVPixelFormat DefaultPixelFormat(const AVCodec* encoder, int sourceFormat)
{
    return encoder != nullptr && encoder->pix_fmts != nullptr ? encoder->pix_fmts[0]
                                                              : static_cast<AVPixelFormat>(sourceFormat);
}

}  // namespace mirelk
