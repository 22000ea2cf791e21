#include "form/hook_lines.h"

#include "binding/program_folders.h"
#include "form/form_text.h"

namespace mirelk::form {

namespace {

bool HoldsBlank(const std::string& text) { return text.find(' ') != std::string::npos; }

// The text a text hook draws, tidied as it is written back into its edit. It must stay on the
// option line, so control characters inside it become blanks.
std::string HookText(std::string& editText)
{
    editText = Trimmed(editText);
    if (editText.empty()) editText = kDefaultHookText;
    return OnOneLine(editText);
}

bool AnyHookCounts(const TOptionFormSettings& settings)
{
    return settings.ImageHook.Counts() || settings.TextHook.Counts() || settings.WatermarkHook.Counts() ||
           settings.SampleImageHook.Counts() || settings.SampleTextHook.Counts();
}

}  // namespace

namespace {

std::string VhookFolderIn(std::string folder)
{
    if (folder.empty() || folder.back() != '/') folder += '/';
    return folder + "vhook/";
}

}  // namespace

THookFolders HookFolders(const std::string& supportFolder)
{
    return {VhookFolderIn(supportFolder), VhookFolderIn(DataFolderFor(supportFolder))};
}

std::string HookLine(const std::string& modulePath, const std::vector<std::string>& arguments)
{
    bool anyBlank = HoldsBlank(modulePath);
    for (const std::string& argument : arguments) anyBlank = anyBlank || HoldsBlank(argument);
    const char separator = anyBlank ? '|' : ' ';
    std::string line = "vhook=" + modulePath;
    for (const std::string& argument : arguments) {
        line += separator;
        line += argument;
    }
    return line + "\r\n";
}

std::string HookOptionLines(TOptionFormSettings& settings, const THookFolders& folders,
                            const std::function<TPictureSize()>& inputVideoSize)
{
    if (settings.HookSource != hsExternal) return {};
    const std::string& hookFolder = folders.Modules;
    const std::string& pictureFolder = folders.Pictures;
    const std::string imageTextModule = hookFolder + kImageTextModule;
    std::string lines;
    if (settings.ImageHook.Counts()) {
        const bool dancing = settings.ImageDancing;
        lines += HookLine(imageTextModule,
                          {"-i", pictureFolder + kImagePicture, "-x",
                           dancing ? "(W-w)*(0.5+0.5*sin(N/47*PI))" : "W-w", "-y",
                           dancing ? "(H-h)*(0.5+0.5*cos(N/97*PI))" : "H-h"});
    }
    if (settings.TextHook.Counts()) {
        lines += HookLine(imageTextModule,
                          {"-R", "255", "-G", "255", "-B", "255", "-F", "Tahoma.ttf/16", "-t",
                           HookText(settings.TextHookText), "-x", "10", "-y",
                           settings.TextScrolling ? "(H-25)*(0.5+0.50*cos(N/97*PI))" : "10"});
    }
    if (settings.WatermarkHook.Counts()) {
        lines += HookLine(hookFolder + kWatermarkModule,
                          {"-f", pictureFolder + kWatermarkPicture, "-m", settings.WatermarkMode ? "1" : "0"});
    }
    if (settings.SampleImageHook.Counts()) {
        // The picture sits 10 pixels from the bottom-right corner of the source frame.
        const std::string picturePath = pictureFolder + kSamplePicture;
        const TPictureSize picture = SamplePictureSize(picturePath);
        const TPictureSize video = inputVideoSize();
        lines += HookLine(hookFolder + kSampleModule,
                          {"-i", picturePath, "-mc", "FFFFFF", "-ix",
                           std::to_string(video.Width - picture.Width - 10), "-iy",
                           std::to_string(video.Height - picture.Height - 10)});
    }
    if (settings.SampleTextHook.Counts()) {
        lines += HookLine(hookFolder + kSampleModule,
                          {"-t", HookText(settings.SampleHookText), "-tx", "10", "-ty", "10", "-fc", "FFFFFF",
                           "-fn", "Tahoma", "-fs", "16", "-fst", "BU"});
    }
    return lines;
}

THookModeFields HookModeFields(const TOptionFormSettings& settings)
{
    THookModeFields fields;
    const bool externalHooksInUse = settings.HookSource == hsExternal && AnyHookCounts(settings);
    fields.BeforeHook =
        externalHooksInUse && settings.HookBehaviour == hbBeforeHook && settings.BeforeHookEnabled;
    if (externalHooksInUse && settings.HookBehaviour == hbPTSPeriods && settings.PTSPeriodsEnabled)
        fields.PTSPeriods = settings.PTSPeriods;
    fields.CustomHook = settings.HookSource == hsCustom;
    return fields;
}

}  // namespace mirelk::form
