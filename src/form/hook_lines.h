// The frame-hook side of the output record: one "vhook=" option line per hook module the
// settings switch on, and the fields that say how the hooks run (before-hook event, hook
// periods, or the caller's own per-frame hook).
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "form/option_form_settings.h"
#include "form/sample_picture_size.h"

namespace mirelk::form {

// Module and picture files, in the hook folders.
inline constexpr char kImageTextModule[] = "imlib2.so";
inline constexpr char kImagePicture[] = "imlib2.jpg";
inline constexpr char kWatermarkModule[] = "watermark.so";
inline constexpr char kWatermarkPicture[] = "watermark.gif";
inline constexpr char kSampleModule[] = "ZarnHook.so";
inline constexpr char kSamplePicture[] = "ZarnHook.bmp";

// Where the hook modules and their pictures are, each ending in "/": "vhook" in the support
// folder for the modules and in its data folder for the pictures (the same folder in a build
// tree; lib and share once installed).
struct THookFolders {
    std::string Modules;
    std::string Pictures;
};
THookFolders HookFolders(const std::string& supportFolder);

// One option line: "vhook=", the module path and the arguments, each argument preceded by "|"
// when any of the items holds a blank and by " " otherwise (the engine splits the value at "|"
// when it has one, else at blanks), and "\r\n".
std::string HookLine(const std::string& modulePath, const std::vector<std::string>& arguments);

// The lines of the hooks that count, in the order image, text, watermark, sample image, sample
// text; empty unless the external hooks are chosen. The text hooks' texts are trimmed, and an
// empty one becomes the default text; both are written back into the settings. The input's
// video size is asked for only when the sample image hook counts.
std::string HookOptionLines(TOptionFormSettings& settings, const THookFolders& folders,
                            const std::function<TPictureSize()>& inputVideoSize);

struct THookModeFields {
    bool BeforeHook = false;
    std::string PTSPeriods;
    bool CustomHook = false;
};
THookModeFields HookModeFields(const TOptionFormSettings& settings);

}  // namespace mirelk::form
