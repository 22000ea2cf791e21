// The size of a picture file, as the sample image hook needs it to place the picture.
#pragma once

#include <string>

namespace mirelk::form {

struct TPictureSize {
    int Width = 0;
    int Height = 0;
};

// The size taken for a picture that is not there.
inline constexpr TPictureSize kMissingPictureSize{64, 64};

// Reads the picture's size with the prober (the codec libraries must be loaded). A file that
// does not exist, cannot be read as a picture or cannot be read at all counts as
// kMissingPictureSize.
TPictureSize SamplePictureSize(const std::string& path);

}  // namespace mirelk::form
