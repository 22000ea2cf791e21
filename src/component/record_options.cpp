// The fields of the input and output records as options of a task.
#include <cmath>
#include <ctime>

#include "component/hook_periods.h"
#include "component/vantrel.h"

namespace mirelk {

void TCustomVantrel::ApplyInputOptions(TVantrelTask& task, const TInputOptions& options)
{
    task.ParseOptionText(options.ExtOptions, false);
    task.OptInputFormat(options.FileFormat);
    if (options.StartTime > 0) task.SetStartTime(static_cast<std::int64_t>(options.StartTime) * 1000);
    if (options.ProgramID >= 0) task.SetProgramId(options.ProgramID);
}

namespace {

// A date as days since 30 December 1899 (local time) into seconds since 1970 (UTC), with the
// time zone's standard bias and no daylight saving.
std::int64_t LocalDaysToUnixSeconds(double days)
{
    tzset();
    const double biasMinutes = static_cast<double>(timezone) / 60.0;
    return std::llround((days - 25569.0 + biasMinutes / 1440.0) * 86400.0);
}

}  // namespace

void TCustomVantrel::ApplyOutputFields(TVantrelTask& task, const TOutputOptions& o)
{
    static const char* const kTargets[] = {"", "vcd", "svcd", "dvd"};
    if (o.TargetType >= 1 && o.TargetType <= 3)
        task.OptTarget(kTargets[o.TargetType], o.TargetNorm == 1 ? "pal" : o.TargetNorm == 2 ? "ntsc" : "auto",
                       o.DefaultNorm == 1 ? "pal" : "ntsc");
    task.ParseOptionText(o.ExtOptions, false);

    const auto number = [](long long value) { return std::to_string(value); };
    task.OptOutputFormat(o.FileFormat);
    if (o.PacketSize > 0) task.GenericOption("packetsize", number(o.PacketSize));
    if (o.MuxRate > 0) task.GenericOption("muxrate", number(o.MuxRate));
    if (o.MuxDelay > 0.0f) task.SetMuxDelay(o.MuxDelay);
    if (o.MuxPreload > 0.0f) task.SetMuxPreload(o.MuxPreload);
    task.OptAudioCodec(o.AudioCodec);
    task.ParseOption("an", o.AudioDisable != 0 ? "1" : "0");
    if (o.AudioVolume >= 0) task.OptAudioVolume(o.AudioVolume);
    if (o.AudioChannels > 0) task.OptAudioChannels(o.AudioChannels);
    if (o.AudioSampleRate > 0) task.OptAudioSampleRate(o.AudioSampleRate);
    if (o.AudioBitrate > 0) task.OptBitRate("ab", number(o.AudioBitrate));
    if (o.AudioBitrateTolerance > 0) task.ParseOption("abt", number(o.AudioBitrateTolerance));
    task.ParseOption("alang", o.AudioLanguage);
    task.ParseOption("async", number(o.AudioSync));
    task.ParseOption("atag", o.AudioTag);
    task.OptVideoCodec(o.VideoCodec);
    task.ParseOption("vn", o.VideoDisable != 0 ? "1" : "0");
    task.OptFrameRate(o.FrameRate);
    task.OptFrameSize(o.FrameSize);
    task.OptFrameAspectRatio(o.AspectRatio);
    task.OptFrameCrop(psTop, o.CropTop);
    task.OptFrameCrop(psBottom, o.CropBottom);
    task.OptFrameCrop(psLeft, o.CropLeft);
    task.OptFrameCrop(psRight, o.CropRight);
    task.OptFramePad(psTop, o.PadTop);
    task.OptFramePad(psBottom, o.PadBottom);
    task.OptFramePad(psLeft, o.PadLeft);
    task.OptFramePad(psRight, o.PadRight);
    task.OptPadColor(o.PadColor);
    // The picture-group size is the codec option "g" today.
    if (o.GOPSize > 0) task.GenericOption("g", number(o.GOPSize));
    if (o.VideoBitrate > 0) task.OptBitRate("vb", number(o.VideoBitrate));
    if (o.MaxRate > 0) task.GenericOption("maxrate", number(o.MaxRate));
    if (o.MinRate > 0) task.GenericOption("minrate", number(o.MinRate));
    if (o.BitrateTolerance > 0) task.GenericOption("bt", number(o.BitrateTolerance));
    if (o.BufSize > 0) task.GenericOption("bufsize", number(o.BufSize));
    task.ParseOption("vsync", number(o.VideoSync));
    task.ParseOption("vtag", o.VideoTag);
    if (!o.VideoFilters.empty()) task.OptVideoFilters(o.VideoFilters);
    task.ParseOption("sn", o.SubtitleDisable != 0 ? "1" : "0");
    task.ParseOption("slang", o.SubtitleLanguage);
    task.SetCopyTimestamps(o.CopyTimestamp);
    if (o.StartTime > 0) task.SetStartTime(static_cast<std::int64_t>(o.StartTime) * 1000);
    if (o.RecordingTime >= 1) task.SetRecordingTime(static_cast<std::int64_t>(o.RecordingTime) * 1000);
    if (o.Timestamp == 0.0)
        task.SetRecordingTimestamp(static_cast<std::int64_t>(std::time(nullptr)));
    else if (o.Timestamp > 0.0)
        task.SetRecordingTimestamp(LocalDaysToUnixSeconds(o.Timestamp));
    if (o.Year > 0) task.AddMetadata("year", number(o.Year));
    if (o.Track > 0) task.AddMetadata("track", number(o.Track));
    if (!o.Title.empty()) task.AddMetadata("title", o.Title);
    if (!o.Author.empty()) task.AddMetadata("author", o.Author);
    if (!o.Copyright.empty()) task.AddMetadata("copyright", o.Copyright);
    if (!o.Comment.empty()) task.AddMetadata("comment", o.Comment);
    if (!o.Album.empty()) task.AddMetadata("album", o.Album);
    if (!o.Genre.empty()) task.AddMetadata("genre", o.Genre);

    if (o.CustomHook) {
        task.OnCustomHook = [this](TCustomFFmpeg& source, TBitmap24& bitmap, int frameNumber, std::int64_t pts,
                                   bool& update, bool& stopHook) {
            auto& task = static_cast<TVantrelTask&>(source);
            task.CallOwner([&] { DoCustomHook(&task, bitmap, frameNumber, pts, update, stopHook); });
        };
    } else if (o.BeforeHook) {
        task.OnBeforeHook = [this](TCustomFFmpeg& source, std::int64_t pts, THookAction& action) {
            auto& task = static_cast<TVantrelTask&>(source);
            task.CallOwner([&] { DoBeforeHook(&task, pts, action); });
        };
    } else {
        task.HookPeriods = ParsePTSPeriods(o.PTSPeriods);
    }
}

}  // namespace mirelk
