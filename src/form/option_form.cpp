#include "form/option_form.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <stdexcept>

#include "form/filter_chain.h"
#include "form/form_text.h"
#include "form/format_rules.h"
#include "form/hook_lines.h"
#include "form/option_choices.h"
#include "form/output_file_name.h"
#include "form/quality_rules.h"
#include "form/time_text.h"
#include "probe/probe_text.h"

namespace mirelk {

using namespace form;

namespace {

bool SelectChoice(int& setting, int index)
{
    if (index < 0) return false;
    setting = index;
    return true;
}

// The records hold milliseconds in 32 bits; a longer time is cut to the longest they hold.
int RecordMilliseconds(std::int64_t milliseconds)
{
    return static_cast<int>(std::clamp<std::int64_t>(milliseconds, std::numeric_limits<int>::min(),
                                                     std::numeric_limits<int>::max()));
}

int EvenTowardZero(int value) { return value - value % 2; }

void SetEncoders(const TOptionFormSettings& settings, TOutputOptions& record)
{
    const std::string video = LowerCased(ChoiceText(kVideoEncoders, settings.VideoEncoder));
    if (video == "divx") {
        record.VideoCodec = "mpeg4";
        record.VideoTag = "DIVX";
    } else if (video == "xvid") {
        record.VideoCodec = "libxvid";
    } else if (video == "x264") {
        record.VideoCodec = "libx264";
    }
    const std::string audio = LowerCased(ChoiceText(kAudioEncoders, settings.AudioEncoder));
    if (audio == "aac") record.AudioCodec = "libfaac";
    else if (audio == "ac3") record.AudioCodec = "ac3";
    else if (audio == "flac") record.AudioCodec = "flac";
    else if (audio == "mp3") record.AudioCodec = "libmp3lame";
}

// A choice other than the first ("Auto") item.
bool Chosen(std::span<const std::string_view> items, int index)
{
    return index > 0 && static_cast<std::size_t>(index) < items.size();
}

void SetAudioAndPicture(const TOptionFormSettings& settings, TOutputOptions& record)
{
    if (Chosen(kAudioChannelChoices, settings.AudioChannels)) record.AudioChannels = settings.AudioChannels;
    if (Chosen(kAudioSampleRates, settings.AudioSampleRate))
        record.AudioSampleRate = IntegerOr(kAudioSampleRates[settings.AudioSampleRate], 22050);
    if (settings.AdjustVolume) record.AudioVolume = IntegerOr(settings.AudioVolume, -1);
    if (Chosen(kFrameSizes, settings.FrameSize)) {
        const std::string_view item = kFrameSizes[settings.FrameSize];
        record.FrameSize = item.substr(0, item.find(' '));
    }
    if (Chosen(kFrameRates, settings.FrameRate)) record.FrameRate = kFrameRates[settings.FrameRate];
    if (Chosen(kAspectRatios, settings.AspectRatio)) record.AspectRatio = kAspectRatios[settings.AspectRatio];
    if (settings.SetVideoBitRate) record.VideoBitrate = ThousandTimesOr(settings.VideoBitRate, 200);
    if (settings.SetAudioBitRate) record.AudioBitrate = ThousandTimesOr(settings.AudioBitRate, 64);
}

void SetCropAndPad(const TOptionFormSettings& settings, TOutputOptions& record)
{
    // Pictures are cropped and padded by whole chroma samples: even numbers of pixels.
    const auto edge = [](const std::string& text) { return EvenTowardZero(IntegerOr(text, 0)); };
    if (settings.Crop) {
        record.CropTop = edge(settings.CropEdges.Top);
        record.CropBottom = edge(settings.CropEdges.Bottom);
        record.CropLeft = edge(settings.CropEdges.Left);
        record.CropRight = edge(settings.CropEdges.Right);
    }
    if (settings.Pad) {
        record.PadTop = edge(settings.PadEdges.Top);
        record.PadBottom = edge(settings.PadEdges.Bottom);
        record.PadLeft = edge(settings.PadEdges.Left);
        record.PadRight = edge(settings.PadEdges.Right);
    }
}

bool IsAudioOnlyFormat(std::string_view format)
{
    for (std::string_view audio : {"AAC", "AC3", "MP2", "MP3", "WAV", "WMA"})
        if (EqualsIgnoringCase(format, audio)) return true;
    const TFormatRule* rule = FindFormatRule(format);
    return rule != nullptr && rule->Modern && rule->VideoDisable;
}

// An animated picture's rate, width, length and palette; what the user chose of size and rate
// stays.
void SetPalettePictures(const TAVProbe& prober, std::int64_t durationUS, TOutputOptions& record)
{
    using L = TPalettePictureLimits;
    const TAVVideoStreamInfo video = prober.GetVideoStreamInfo(-1);
    std::string rate = record.FrameRate;
    if (rate.empty()) {
        const bool known = video.FrameRateNum > 0 && video.FrameRateDen > 0;
        rate = known && video.FrameRateNum <= L::FramesPerSecond * static_cast<std::int64_t>(video.FrameRateDen)
                   ? std::to_string(video.FrameRateNum) + "/" + std::to_string(video.FrameRateDen)
                   : std::to_string(L::FramesPerSecond);
        record.FrameRate = rate;
    }
    if (record.FrameSize.empty() && video.Width > L::Width && video.Height > 0) {
        const int height = std::max(2, static_cast<int>(std::lround(video.Height * double(L::Width) / video.Width / 2)) * 2);
        record.FrameSize = std::to_string(L::Width) + "x" + std::to_string(height);
    }
    constexpr int kLongestMs = L::Seconds * 1000;
    const bool longer = durationUS < 0 || durationUS > static_cast<std::int64_t>(kLongestMs) * 1000;
    if ((record.RecordingTime < 1 && longer) || record.RecordingTime > kLongestMs) record.RecordingTime = kLongestMs;
    // One graph makes the palette from every picture and then maps the pictures onto it.
    std::string chain = record.VideoFilters;
    if (!chain.empty()) chain += ",";
    record.VideoFilters = chain + "fps=" + rate + ",split[a][b];[a]palettegen[p];[b][p]paletteuse";
    record.ExtOptions += record.ExtOptions.empty() || record.ExtOptions.back() == '\n' ? "" : "\r\n";
    record.ExtOptions += "pix_fmt=pal8";
}

}  // namespace

TOptionForm::TOptionForm(std::string programFolder)
    : m_hookFolders(form::HookFolders(programFolder)), m_previewImage(kPreviewWidth, kPreviewHeight)
{
    Fill(m_previewImage, kPreviewBackground);
}

bool TOptionForm::SelectOutputFormat(std::string_view name)
{
    return SelectChoice(Settings.OutputFormat, ChoiceIndex(kAllOutputFormats, name));
}
bool TOptionForm::SelectNorm(std::string_view name) { return SelectChoice(Settings.Norm, ChoiceIndex(kNorms, name)); }
bool TOptionForm::SelectVideoEncoder(std::string_view name)
{
    return SelectChoice(Settings.VideoEncoder, ChoiceIndex(kVideoEncoders, name));
}
bool TOptionForm::SelectAudioEncoder(std::string_view name)
{
    return SelectChoice(Settings.AudioEncoder, ChoiceIndex(kAudioEncoders, name));
}
bool TOptionForm::SelectFrameSize(std::string_view name) { return SelectChoice(Settings.FrameSize, FrameSizeIndex(name)); }
bool TOptionForm::SelectFrameRate(std::string_view name)
{
    return SelectChoice(Settings.FrameRate, ChoiceIndex(kFrameRates, name));
}

void TOptionForm::SetProber(TAVProbe* prober)
{
    m_fullSizeFrame.SetSize(0, 0);
    if (m_previewPictures) Fill(m_previewImage, kPreviewBackground);
    m_prober = prober;
    m_firstVideoStream = prober != nullptr ? prober->FirstVideoStream() : -1;

    m_updating = true;
    // Besides "image2", today's libraries read a single picture file with a "..._pipe" demuxer.
    const bool stillPicture = prober != nullptr && probing::IsStillPictureFormat(prober->GetFormatName());
    Settings.CutClipEnabled = false;
    Settings.CutClip = false;
    m_startTimeText = kNoTime;
    m_endTimeText = kNoTime;
    m_slider.Configure(FileDuration(), !stillPicture);
    m_updating = false;

    UpdatePreview();
    m_fileInfoText = prober != nullptr && m_previewPictures ? prober->GetInfoText() : std::string();
}

void TOptionForm::SetPreviewPosition(int position)
{
    if (m_slider.SetPosition(position)) UpdatePreview();
}

void TOptionForm::UpdatePreview()
{
    if (m_updating) return;
    const int position = m_slider.Position();
    if (m_prober != nullptr && m_firstVideoStream >= 0 && m_previewPictures) {
        // The last step may stop short of the file's end, which the slider's end stands for.
        const std::int64_t time = position == m_slider.Max() ? FileDuration() : m_slider.TimeOfPosition(position);
        try {
            m_prober->Seek(m_firstVideoStream, time);
            const TBitmap24& frame = m_prober->ReadFrame(m_firstVideoStream);
            Fill(m_previewImage, kPreviewBackground);
            DrawScaled(frame, m_previewImage, FittedRect(frame.Width(), frame.Height(), kPreviewWidth, kPreviewHeight));
            m_fullSizeFrame = m_prober->LastFrame();
        } catch (const std::runtime_error&) {
            // A prober attached to another reader's file cannot be moved: no picture to show.
        }
    }
    m_ptsText = "PTS: " + TimeText(m_slider.TimeOfPosition(position));
}

void TOptionForm::SetStart()
{
    m_slider.MarkStart();
    m_startTimeText = TimeText(m_slider.TimeOfPosition(m_slider.Position()));
    UpdateCutClipEnabled();
}

void TOptionForm::SetEnd()
{
    m_slider.MarkEnd();
    m_endTimeText = TimeText(m_slider.TimeOfPosition(m_slider.Position()));
    UpdateCutClipEnabled();
}

void TOptionForm::MarkClip(std::int64_t startUS, std::int64_t endUS)
{
    Settings.CutClip = true;
    SetPreviewPosition(PreviewPositionOfTime(startUS));
    SetStart();
    SetPreviewPosition(PreviewPositionOfTime(endUS));
    SetEnd();
}

void TOptionForm::UpdateCutClipEnabled() { Settings.CutClipEnabled = m_slider.HasClip(); }

bool TOptionForm::ClipWanted() const { return Settings.CutClip && Settings.CutClipEnabled && m_slider.HasClip(); }

TClipRange TOptionForm::Clip() const
{
    return ClipRange(m_slider.SelStart(), m_slider.SelEnd(), m_slider.PreviewStep(), FileDuration());
}

std::int64_t TOptionForm::FileDuration() const { return m_prober != nullptr ? m_prober->GetFileInfo().Duration : -1; }

TAVProbe& TOptionForm::RequireProber() const
{
    if (m_prober == nullptr) throw std::logic_error("The option form has no input file: SetProber first.");
    return *m_prober;
}

std::string_view TOptionForm::OutputFormatName() const
{
    if (Settings.OutputFormat < 0 || static_cast<std::size_t>(Settings.OutputFormat) >= kAllOutputFormats.size())
        throw std::out_of_range("Output format index " + std::to_string(Settings.OutputFormat) + " is out of range.");
    return kAllOutputFormats[static_cast<std::size_t>(Settings.OutputFormat)];
}

TOutputOptions TOptionForm::GetOutputOptions()
{
    TAVProbe& prober = RequireProber();
    const TFormatRule& rule = *FindFormatRule(OutputFormatName());

    TOutputOptions record;
    SetAudioAndPicture(Settings, record);
    SetEncoders(Settings, record);
    if (ClipWanted()) {
        const TClipRange clip = Clip();
        record.RecordingTime = RecordMilliseconds(clip.EndMs - clip.StartMs);
    }
    record.ExtOptions += HookOptionLines(Settings, m_hookFolders, [&prober] {
        const TAVVideoStreamInfo video = prober.GetVideoStreamInfo(-1);
        return TPictureSize{video.Width, video.Height};
    });
    const THookModeFields hookMode = HookModeFields(Settings);
    record.BeforeHook = hookMode.BeforeHook;
    record.PTSPeriods = hookMode.PTSPeriods;
    record.CustomHook = hookMode.CustomHook;
    record.CopyTimestamp = Settings.CopyTimestamp;
    record.VideoFilters = FilterChain(Settings);
    const std::string ending = ApplyFormatRule(rule, Settings.Norm, record);
    record.FileExt = ending;
    if (rule.PalettePictures) SetPalettePictures(prober, FileDuration(), record);
    ApplyQuality(Settings, rule.Modern, prober.FirstAudioChannels(), record);
    SetCropAndPad(Settings, record);

    record.FileName = OutputFileName(prober.GetFileName(), ending);
    return record;
}

std::string TOptionForm::OutputFileName(const std::string& inputFile, const std::string& ending)
{
    const auto taken = [this, &inputFile](const std::string& name) {
        const auto given = m_givenOutputNames.find(name);
        if (given != m_givenOutputNames.end() && given->second != inputFile) return true;
        return !Settings.Overwrite && NameInUse(name);
    };
    const std::string name = FreeOutputName(OutputBaseName(Settings.OutputFolder, inputFile), ending, taken);
    m_givenOutputNames[name] = inputFile;
    return name;
}

std::string TOptionForm::QualityProblem() const
{
    const TFormatRule& rule = *FindFormatRule(OutputFormatName());
    TOutputOptions record;
    SetEncoders(Settings, record);
    record.FileExt = ApplyFormatRule(rule, Settings.Norm, record);
    return form::QualityProblem(Settings, record);
}

std::string TOptionForm::OutputEnding() const
{
    const TFormatRule& rule = *FindFormatRule(OutputFormatName());
    TOutputOptions record;
    SetEncoders(Settings, record);
    return ApplyFormatRule(rule, Settings.Norm, record);
}

TInputOptions TOptionForm::GetInputOptions() const
{
    const TAVProbe& prober = RequireProber();
    TInputOptions record = InputOptionsFor(prober.GetFileName(), prober.ForcedFormat());
    if (ClipWanted()) record.StartTime = RecordMilliseconds(Clip().StartMs);
    return record;
}

TInputOptions TOptionForm::InputOptionsFor(const std::string& fileName, const std::string& forcedFormat) const
{
    TInputOptions record;
    record.FileName = fileName;
    record.FileFormat = forcedFormat;
    // The input's pictures are not read for a sound-only output.
    if (IsAudioOnlyFormat(OutputFormatName())) record.ExtOptions = "vn=1";
    return record;
}

}  // namespace mirelk
