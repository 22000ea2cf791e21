#include "form/sample_picture_size.h"

#include <filesystem>
#include <stdexcept>

#include "probe/custom_av_probe.h"

namespace mirelk::form {

TPictureSize SamplePictureSize(const std::string& path)
{
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error)) return kMissingPictureSize;
    try {
        TCustomAVProbe picture;
        if (!picture.Open(path) || picture.FirstVideoStream() < 0) return kMissingPictureSize;
        const TAVVideoStreamInfo info = picture.GetVideoStreamInfo(-1);
        if (info.Width <= 0 || info.Height <= 0) return kMissingPictureSize;
        return TPictureSize{info.Width, info.Height};
    } catch (const std::runtime_error&) {
        // The libraries are not loaded: the picture cannot be read, as if it were not there.
        return kMissingPictureSize;
    }
}

}  // namespace mirelk::form
