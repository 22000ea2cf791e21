#include "engine/custom_ffmpeg.h"

#include "binding/entry_points.h"
#include "binding/loader.h"
#include "binding/log_levels.h"
#include "binding/text_format.h"

#include "engine/options/ffmpeg_exception.h"
#include "engine/options/option_lines.h"
#include "engine/pipeline/transcode_run.h"
#include "engine/task_run_host.h"

namespace mirelk {

TCustomFFmpeg::TCustomFFmpeg() { ResetOptions(); }

// When the libraries went away under the task, its owners find their entry points unbound and
// let the objects go unfreed.
TCustomFFmpeg::~TCustomFFmpeg() { CleanUp(); }

void TCustomFFmpeg::ResetOptions() { m_options = TOptionState{}; }

void TCustomFFmpeg::CleanUp()
{
    if (!FFLoader().LibsLoaded(DefaultAVLibraries)) return;
    DiscardPartFiles();
    for (TOpenOutput& output : m_outputs) {
        output.streams.clear();
        output.context.reset();
    }
    m_outputs.clear();
    m_inputStreams.clear();
    m_inputs.clear();
    m_usesVideoFilters = false;
    m_frameHooks.ReleaseFrameHooks();
    m_hooksInUse = false;
    m_avOptions.reset();
}

void TCustomFFmpeg::Reset()
{
    if (!FFLoader().LibsLoaded(DefaultAVLibraries)) return;
    CleanUp();
    ResetOptions();
    m_avOptions = std::make_unique<TAVOptionContext>(m_options.scalerFlags);
}

TRunRequest TCustomFFmpeg::RunRequest()
{
    RequireLibraries();
    return TRunRequest{m_options,   *m_avOptions,  m_inputs,       m_inputStreams,   m_outputs,
                       m_usesVideoFilters, m_frameHooks, m_hooksInUse, HookPeriods, CodecThreads(),
                       ProgressInterval, this};
}

void TCustomFFmpeg::Transcode()
{
    RequireLibraries();
    Finished = false;
    KeptOutputNames.clear();
    try {
        ReopenFiles();
        TTaskRunHost host(*this);
        bool finished = false;
        bool wroteAnything = false;
        std::vector<std::vector<TExpectedStream>> expected;
        {
            // The run's codecs and buffers go before the files are closed and moved.
            TTranscodeRun run(RunRequest(), host);
            finished = run.Execute();
            wroteAnything = run.PacketsWritten() > 0;
            expected = run.OutputExpectations();
        }
        CommitOutputs(finished, wroteAnything, expected);
        Finished = finished;
    } catch (...) {
        DiscardPartFiles();
        throw;
    }
}

void TCustomFFmpeg::CheckVideoCopyAllowed() const
{
    if (OnCustomHook) throw FFmpegException("-vcodec copy and CustomHook are incompatible (frames are not decoded)");
    if (m_hooksInUse) throw FFmpegException("-vcodec copy and -vhook are incompatible (frames are not decoded)");
}

void TCustomFFmpeg::Log(int level, const std::string& text)
{
    if (OnLog) OnLog(*this, level, text);
}

void TCustomFFmpeg::SetLogLevel(int level)
{
    m_options.verbosity = level;
    SetLibraryLogLevel(level);
}

void TCustomFFmpeg::ParseOptionText(const std::string& text, bool newStreams)
{
    for (const TOptionLine& line : OptionLines(text)) {
        const bool newStream = line.name == "newvideo" || line.name == "newaudio" || line.name == "newsubtitle";
        if (!newStream || newStreams) ParseOption(line.name, line.value);
    }
}

TOptionSetResult TCustomFFmpeg::GenericOption(const std::string& name, const std::string& value)
{
    const std::string trimmedName = TrimBlanks(name);
    const std::string trimmedValue = TrimBlanks(value);
    if (trimmedName.empty() || trimmedValue.empty()) return TOptionSetResult::NotFound;
    RequireLibraries();
    const TOptionSetResult result = m_avOptions->Set(trimmedName, trimmedValue);
    if (result == TOptionSetResult::Rejected) {
        av::av_log(nullptr, AV_LOG_ERROR, "Invalid value \"%s\" for option \"%s\"\n", trimmedValue.c_str(),
                   trimmedName.c_str());
    } else if (result == TOptionSetResult::Set) {
        if (m_avOptions->CodecDefaults(miVideo)->debug != 0 || m_avOptions->FormatDefaults()->debug != 0)
            SetLogLevel(kLevelDebug);
    }
    return result;
}

void TCustomFFmpeg::RequireLibraries() const
{
    if (!m_avOptions || !FFLoader().LibsLoaded(DefaultAVLibraries))
        throw FFmpegException("The codec libraries are not loaded");
}

void TCustomFFmpeg::OptBitRate(const std::string& name, const std::string& value)
{
    if (GenericOption(name, value) != TOptionSetResult::Set || !OnLog) return;
    std::int64_t bitRate = 0;
    AVCodecContext* defaults = m_avOptions->CodecDefaults(!name.empty() && name[0] == 'a' ? miAudio : miVideo);
    if (av::av_opt_get_int(defaults, "b", 0, &bitRate) >= 0 && bitRate > 0 && bitRate < 1000)
        Log(kLevelInfo, "WARNING: The bitrate parameter is set too low. It takes bits/s as argument, not kbits/s");
}

}  // namespace mirelk
