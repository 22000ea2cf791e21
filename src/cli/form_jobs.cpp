#include "cli/form_jobs.h"

#include <cctype>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <optional>
#include <stdexcept>
#include <strings.h>

#include "form/form_text.h"
#include "form/format_rules.h"
#include "form/option_choices.h"
#include "form/option_form.h"
#include "form/presets.h"
#include "form/quality_rules.h"
#include "probe/av_probe.h"

namespace mirelk {

namespace {

template <std::size_t N>
int ChoiceIndex(const std::array<std::string_view, N>& choices, const std::string& text, const char* what)
{
    for (std::size_t i = 0; i < N; ++i)
        if (choices[i].size() == text.size() && strncasecmp(choices[i].data(), text.c_str(), text.size()) == 0)
            return static_cast<int>(i);
    throw std::invalid_argument(std::string("unknown ") + what + " '" + text + "'");
}

void Require(bool accepted, const char* what, const std::string& text)
{
    if (!accepted) throw std::invalid_argument(std::string("unknown ") + what + " '" + text + "'");
}

// "T,B,L,R" into the four edges.
void Edges(const std::string& text, TEdgeTexts& edges, const char* what)
{
    std::vector<std::string> parts;
    std::size_t start = 0;
    for (;;) {
        const std::size_t comma = text.find(',', start);
        parts.push_back(text.substr(start, comma == std::string::npos ? std::string::npos : comma - start));
        if (comma == std::string::npos) break;
        start = comma + 1;
    }
    if (parts.size() != 4) throw std::invalid_argument(std::string(what) + " needs four numbers: top,bottom,left,right");
    edges.Top = parts[0];
    edges.Bottom = parts[1];
    edges.Left = parts[2];
    edges.Right = parts[3];
}

void ApplyFilters(const std::string& text, TOptionFormSettings& settings)
{
    std::size_t start = 0;
    while (start <= text.size() && !text.empty()) {
        const std::size_t comma = text.find(',', start);
        const std::string item = text.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
        const std::size_t equals = item.find('=');
        const std::string name = item.substr(0, equals);
        const std::string value = equals == std::string::npos ? std::string() : item.substr(equals + 1);
        if (name == "vflip") settings.VertFlip = true;
        else if (name == "hflip") settings.HoriFlip = true;
        else if (name == "negate") settings.Negate = true;
        else if (name == "scale") {
            settings.Scale = true;
            if (!value.empty()) settings.ScaleText = value;
        } else if (name == "rotate") {
            settings.Rotate = true;
            if (!value.empty()) settings.RotateDegrees = value;
        } else if (name == "setpts") {
            settings.SetPTS = true;
            if (!value.empty()) settings.SetPTSExpression = value;
        } else {
            throw std::invalid_argument("unknown filter '" + name + "' (vflip, hflip, negate, scale, rotate, setpts)");
        }
        if (comma == std::string::npos) break;
        start = comma + 1;
    }
}

// Reads "START-END" (seconds); the number of values read, as sscanf counts them.
int ClipSeconds(const std::string& text, double& start, double& end)
{
    if (text.empty()) return 0;
    return std::sscanf(text.c_str(), "%lf-%lf", &start, &end);
}

void AppendLines(std::string& text, const std::string& lines)
{
    if (lines.empty()) return;
    if (!text.empty() && text.back() != '\n') text += "\r\n";
    text += lines;
}

// "auto", a speed's name, or its place from 0 (auto) to 5 (slowest).
int SpeedIndex(const std::string& text)
{
    const int named = mirelk::ChoiceIndex(kEncoderSpeeds, text);
    if (named >= 0) return named;
    const std::optional<int> number = form::IntegerOf(text);
    if (number && *number >= 0 && static_cast<std::size_t>(*number) < kEncoderSpeeds.size()) return *number;
    throw std::invalid_argument("--speed needs auto, fastest, fast, medium, slow or slowest (or 0 to 5), not '" +
                                text + "'");
}

void ApplyQualityChoices(const TFormChoices& c, TOptionForm& form)
{
    TOptionFormSettings& s = form.Settings;
    if (!c.speed.empty()) s.EncoderSpeed = SpeedIndex(c.speed);
    const auto number = [](const std::string& text, const char* option) {
        if (!form::IntegerOf(text)) throw std::invalid_argument(std::string(option) + " needs a whole number, not '" + text + "'");
    };
    if (!c.quality.empty()) {
        number(c.quality, "--quality");
        s.SetVideoQuality = true;
        s.VideoQuality = c.quality;
    }
    if (!c.audioQuality.empty()) {
        number(c.audioQuality, "--audio-quality");
        s.SetAudioQuality = true;
        s.AudioQuality = c.audioQuality;
    }
    const std::string problem = form.QualityProblem();
    if (!problem.empty()) throw std::invalid_argument(problem);
}

// The encoder's objection to the size of the pictures the record makes of the input.
std::string PictureSizeProblem(const TOutputOptions& record, const TAVProbe& probe)
{
    if (record.VideoDisable != 0 || probe.FirstVideoStream() < 0) return {};
    int width = 0;
    int height = 0;
    if (record.FrameSize.empty() || std::sscanf(record.FrameSize.c_str(), "%dx%d", &width, &height) != 2) {
        const TAVVideoStreamInfo video = probe.GetVideoStreamInfo(-1);
        width = video.Width;
        height = video.Height;
    }
    return form::PictureSizeProblem(record.VideoCodec, width, height);
}

// A preset file when the text names one (a path with a slash, or a file ending in ".json"),
// else a preset of the user's data folder or a built-in one.
TPresetContents LoadPreset(const std::string& text)
{
    std::error_code error;
    const bool file = text.find('/') != std::string::npos ||
                      (text.size() > 5 && text.compare(text.size() - 5, 5, ".json") == 0 && std::filesystem::exists(text, error));
    return file ? ReadPresetFile(text) : TPresetStore().Load(text);
}

void ApplyPreset(const TCliArguments& arguments, TOptionForm& form)
{
    TPresetContents preset;
    try {
        preset = LoadPreset(arguments.choices.preset);
    } catch (const TPresetError& error) {
        throw std::invalid_argument(error.what());
    }
    form.Settings = preset.Settings;
    if (preset.Skipped.empty() || arguments.quiet) return;
    std::string skipped;
    for (const std::string& item : preset.Skipped) skipped += (skipped.empty() ? "" : ", ") + item;
    std::fprintf(stderr, "mirelk-cli: the preset '%s' holds what this version does not know; skipped: %s\n",
                 preset.Name.c_str(), skipped.c_str());
}

}  // namespace

void ApplyFormChoices(const TCliArguments& arguments, TOptionForm& form)
{
    const TFormChoices& c = arguments.choices;
    TOptionFormSettings& s = form.Settings;
    if (!c.preset.empty()) ApplyPreset(arguments, form);
    if (c.preset.empty() || arguments.formatGiven) Require(form.SelectOutputFormat(c.format), "format", c.format);
    if (!c.outDir.empty()) {
        // The folder is made when it is missing; one that cannot be written converts nothing.
        std::error_code error;
        std::filesystem::create_directories(c.outDir, error);
        if (error || !std::filesystem::is_directory(c.outDir))
            throw std::invalid_argument("cannot make the output folder '" + c.outDir + "': " + error.message());
        if (::access(c.outDir.c_str(), W_OK) != 0)
            throw std::invalid_argument("the output folder '" + c.outDir + "' cannot be written");
        s.OutputFolder = c.outDir;
    }
    s.Overwrite = arguments.overwrite;
    if (!c.norm.empty()) Require(form.SelectNorm(c.norm), "norm", c.norm);
    if (!c.videoEncoder.empty()) Require(form.SelectVideoEncoder(c.videoEncoder), "video encoder", c.videoEncoder);
    if (!c.audioEncoder.empty()) Require(form.SelectAudioEncoder(c.audioEncoder), "audio encoder", c.audioEncoder);
    if (!c.size.empty()) Require(form.SelectFrameSize(c.size), "frame size", c.size);
    if (!c.fps.empty()) Require(form.SelectFrameRate(c.fps), "frame rate", c.fps);
    if (!c.aspect.empty()) s.AspectRatio = ChoiceIndex(kAspectRatios, c.aspect, "aspect ratio");
    if (!c.channels.empty())
        s.AudioChannels = ChoiceIndex(kAudioChannelChoices,
                                      c.channels == "1" ? "Mono" : c.channels == "2" ? "Stereo" : c.channels, "channel count");
    if (!c.sampleRate.empty()) s.AudioSampleRate = ChoiceIndex(kAudioSampleRates, c.sampleRate, "sample rate");
    if (!c.volume.empty()) {
        s.AdjustVolume = true;
        s.AudioVolume = c.volume;
    }
    if (!c.videoBitrate.empty()) {
        s.SetVideoBitRate = true;
        s.VideoBitRate = c.videoBitrate;
    }
    if (!c.audioBitrate.empty()) {
        s.SetAudioBitRate = true;
        s.AudioBitRate = c.audioBitrate;
    }
    if (!c.crop.empty()) {
        s.Crop = true;
        Edges(c.crop, s.CropEdges, "--crop");
    }
    if (!c.pad.empty()) {
        s.Pad = true;
        Edges(c.pad, s.PadEdges, "--pad");
    }
    ApplyFilters(c.filters, s);
    if (!c.imageHook.empty()) s.ImageHook.Checked = true;
    if (!c.textHook.empty()) {
        s.TextHook.Checked = true;
        s.TextHookText = c.textHook;
    }
    if (!c.watermarkHook.empty()) {
        s.WatermarkHook.Checked = true;
        s.WatermarkMode = c.watermarkHook == "1";
    }
    double clipStart = -1;
    double clipEnd = -1;
    if (!c.clip.empty() && ClipSeconds(c.clip, clipStart, clipEnd) != 2)
        throw std::invalid_argument("--clip needs START-END in seconds");
    ApplyQualityChoices(c, form);
}

std::vector<TConversionJob> JobsFromForm(const TCliArguments& arguments, TOptionForm& form,
                                         const std::vector<TBatchEntry>& entries, bool plannedNames,
                                         const std::function<void(const TBatchEntry&, const std::string&)>& refuse)
{
    double clipStart = -1;
    double clipEnd = -1;
    ClipSeconds(arguments.choices.clip, clipStart, clipEnd);
    std::vector<TConversionJob> jobs;
    for (const TBatchEntry& entry : entries) {
        TAVProbe probe;
        if (!probe.Open(entry.input)) {
            refuse(entry, probe.LastErrMsg());
            continue;
        }
        form.SetProber(&probe);
        if (clipStart >= 0 && clipEnd > clipStart) {
            form.MarkClip(static_cast<std::int64_t>(clipStart * 1000000), static_cast<std::int64_t>(clipEnd * 1000000));
            form.Settings.CutClip = true;
        }
        TConversionJob job;
        job.task = entry.task;
        job.input = entry.input;
        job.outputOptions = form.GetOutputOptions();
        const std::string sizeProblem = PictureSizeProblem(job.outputOptions, probe);
        if (!sizeProblem.empty()) {
            form.SetProber(nullptr);
            refuse(entry, sizeProblem);
            continue;
        }
        job.inputOptions = form.GetInputOptions();
        AppendLines(job.inputOptions.ExtOptions, arguments.inputOptions);
        AppendLines(job.outputOptions.ExtOptions, arguments.outputOptions);
        if (plannedNames)
            job.outputOptions.FileName = PlannedOutputName(form.Settings.OutputFolder, entry.input,
                                                           job.outputOptions.FileExt, entry.nameNumber);
        job.output = job.outputOptions.FileName;
        if (form.ClipWanted()) {
            const TClipRange clip = form.Clip();
            job.expectedSeconds = (clip.EndMs - clip.StartMs) / 1000.0;
        } else {
            const std::int64_t duration = probe.GetFileInfo().Duration;
            job.expectedSeconds = duration < 0 ? -1 : duration / 1e6;
        }
        // An animated picture is cut to its longest length; the rest of the input is not read.
        const double longest = form::TPalettePictureLimits::Seconds;
        if (form::FindFormatRule(kAllOutputFormats[form.Settings.OutputFormat])->PalettePictures &&
            (job.expectedSeconds < 0 || job.expectedSeconds > longest)) {
            if (!arguments.quiet)
                std::fprintf(stderr, "mirelk-cli: %s: an animated GIF holds at most %d seconds; the first %d are converted\n",
                             entry.input.c_str(), form::TPalettePictureLimits::Seconds,
                             form::TPalettePictureLimits::Seconds);
            job.expectedSeconds = longest;
        }
        form.SetProber(nullptr);
        jobs.push_back(std::move(job));
    }
    return jobs;
}

std::string PresetListText()
{
    std::string text;
    for (const std::string& name : TPresetStore().Names())
        text += name + (TPresetStore::IsBuiltIn(name) ? "  [built-in]\n" : "\n");
    return text;
}

int SavePreset(const TCliArguments& arguments)
{
    TOptionForm form;
    try {
        ApplyFormChoices(arguments, form);
        TPresetStore store;
        store.Save(arguments.savePreset, form.Settings, arguments.overwrite);
        std::printf("Saved the preset '%s' in %s\n", arguments.savePreset.c_str(), store.Folder().c_str());
    } catch (const std::exception& error) {
        std::fprintf(stderr, "mirelk-cli: %s\n", error.what());
        return 2;
    }
    return 0;
}

std::string FormatListText()
{
    std::string text;
    for (const std::string_view name : kAllOutputFormats) {
        const form::TFormatRule* rule = form::FindFormatRule(name);
        std::string line = std::string(name);
        line.resize(12, ' ');
        if (rule != nullptr) {
            std::string ending = "." + std::string(name);
            for (char& ch : ending) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
            if (!rule->FileExt.empty()) ending = std::string(rule->FileExt);
            if (rule->TargetType != 0) line += "disc preset (PAL or NTSC), ";
            line += "ending " + ending;
            if (!rule->VideoCodec.empty()) line += ", video " + std::string(rule->VideoCodec);
            if (!rule->AudioCodec.empty()) line += ", audio " + std::string(rule->AudioCodec);
            if (rule->VideoDisable) line += ", sound only";
            if (!rule->FrameSize.empty()) line += ", " + std::string(rule->FrameSize);
            if (!rule->VideoTag.empty()) line += ", tag " + std::string(rule->VideoTag);
            if (rule->AudioDisable) line += ", no sound";
            if (rule->PalettePictures) {
                using L = form::TPalettePictureLimits;
                line += ", a palette from the clip, at most " + std::to_string(L::FramesPerSecond) + " fps, " +
                        std::to_string(L::Width) + " wide and " + std::to_string(L::Seconds) + " s";
            }
            const form::TQualityScale* scale = form::VideoQualityScale(rule->VideoCodec);
            if (rule->Modern && scale != nullptr)
                line += ", quality " + std::string(scale->Option) + " " + std::to_string(scale->Default);
        }
        text += line + "\n";
    }
    return text;
}

}  // namespace mirelk
