#include "cli/form_jobs.h"

#include <cctype>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <stdexcept>
#include <strings.h>

#include "form/format_rules.h"
#include "form/option_choices.h"
#include "form/option_form.h"
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

}  // namespace

void ApplyFormChoices(const TCliArguments& arguments, TOptionForm& form)
{
    const TFormChoices& c = arguments.choices;
    TOptionFormSettings& s = form.Settings;
    Require(form.SelectOutputFormat(c.format), "format", c.format);
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
        form.SetProber(nullptr);
        jobs.push_back(std::move(job));
    }
    return jobs;
}

std::string FormatListText()
{
    std::string text;
    for (const std::string_view name : kOutputFormats) {
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
        }
        text += line + "\n";
    }
    return text;
}

}  // namespace mirelk
