// One conversion task's engine object: the option state and option handlers. Everything a
// command-line transcoder keeps globally is a field here, so tasks can run side by side.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "binding/bitmap24.h"
#include "binding/hooks/frame_hook_chain.h"
#include "engine/files/open_files.h"
#include "engine/files/output_check.h"
#include "engine/options/avoption_context.h"
#include "engine/options/option_state.h"
#include "engine/pipeline/run_request.h"

namespace mirelk {

enum TPictureSide { psTop, psBottom, psLeft, psRight };

class TCustomFFmpeg {
public:
    // (task, engine level, one finished line)
    using TLogCallback = std::function<void(TCustomFFmpeg& task, int level, const std::string& text)>;

    TCustomFFmpeg();
    virtual ~TCustomFFmpeg();
    TCustomFFmpeg(const TCustomFFmpeg&) = delete;
    TCustomFFmpeg& operator=(const TCustomFFmpeg&) = delete;

    // Every option back to its default, every table and list empty.
    void ResetOptions();
    // Frees what the task holds of the libraries; only while they are loaded. A part file that
    // a run of the task was writing is removed (its final name was never touched).
    void CleanUp();
    // CleanUp, ResetOptions and a new AVOption context; does nothing while the libraries are
    // not loaded.
    void Reset();

    // Applies option text: one option per line, "name=value" or a bare name. The new-stream
    // options ("newvideo", "newaudio", "newsubtitle") apply only when newStreams is true.
    void ParseOptionText(const std::string& text, bool newStreams);
    // Applies one option through the option table, or the generic AVOption fallback for a name
    // the table does not have. Throws FFmpegException with the option's message.
    void ParseOption(const std::string& name, const std::string& value);
    // Sets the verbosity and the libraries' log level.
    void SetLogLevel(int level);

    // Opens an input with the options given so far and takes its properties into the options.
    // False with the reason in LastErrMsg when the file cannot be opened; throws
    // FFmpegException for a bad codec option.
    bool OpenInputFile(const std::string& fileName);
    // Creates an output file with its streams from the options given so far. False with the
    // reason in LastErrMsg; throws FFmpegException when a stream cannot be made.
    bool OpenOutputFile(const std::string& fileName);
    // Closes what the opened files hold (inputs entirely, outputs' byte streams) while the task
    // waits for its run, and frees the objects its generic options were set on; what the files
    // were found to hold and the options set stay known. Only while the libraries are loaded.
    void ReleaseFiles();
    bool FilesReleased() const;
    // Opens the released files again as they were first opened. Throws FFmpegException with the
    // opening's message, or when an input is no longer the file that was added.
    void ReopenFiles();
    // What a run of the opened files is asked to do; it refers to the task's state and is
    // valid while the task is not changed.
    TRunRequest RunRequest();
    // Runs the whole transcode of the opened files in the calling thread (opening again what was
    // released first). Throws FFmpegException when it fails; Finished tells whether it ran to its
    // end. Each output is written to its part file and renamed at the end: to its own name when
    // the run finished and the output passed the check, to "NAME (stopped).EXT" when it was
    // stopped; a failed run removes its part files.
    void Transcode();
    // The names the last run kept its outputs under (final or stopped names), in output order.
    std::vector<std::string> KeptOutputNames;
    // Counts of the quantisers of the first video output's pictures over the task's life ("qphist").
    std::array<int, 52>& QpHistogram() { return m_qpHistogram; }
    // Whether "vhook" options added frame hook modules to this task.
    bool HooksInUse() const { return m_hooksInUse; }
    const TFrameHookChain& FrameHooks() const { return m_frameHooks; }
    // After a picture was encoded: a task that shows previews takes it here.
    virtual void PreviewPicture(const AVFrame& /*picture*/, int /*frameNumber*/, std::int64_t /*pts*/) {}
    // Called by the transcode at the top of every pass of its loop (and before each repeated
    // picture): a task that runs in a worker thread waits here while it is paused.
    virtual void PassGate() {}
    // Fails when something needs the decoded pictures of a video stream that is to be copied.
    virtual void CheckVideoCopyAllowed() const;
    // Asked from another thread; the transcode ends at its next pass, still writing a
    // complete file.
    std::atomic<bool> StopRequested{false};
    bool Finished = false;

    // The threads each codec of the task gets when the "threads" option is not given; 0 lets the
    // library choose (as many as the machine has). Whoever runs several tasks at once gives
    // each its share of the processors.
    std::atomic<int> DefaultCodecThreads{0};
    // The thread count a codec of this task is opened with.
    int CodecThreads() const { return m_options.codecThreads >= 0 ? m_options.codecThreads : DefaultCodecThreads.load(); }

    // The new-stream options: a stream more in the output opened last.
    void NewVideoStream();
    void NewAudioStream();
    void NewSubtitleStream();

    int InputCount() const { return static_cast<int>(m_inputs.size()); }
    const TOpenInput& Input(int index) const { return m_inputs.at(index); }
    const std::vector<TInputStreamChoice>& InputStreams() const { return m_inputStreams; }
    int OutputCount() const { return static_cast<int>(m_outputs.size()); }
    const TOpenOutput& Output(int index) const { return m_outputs.at(index); }
    // Whether the outputs run their pictures through a filter graph.
    bool UsesVideoFilters() const { return m_usesVideoFilters; }

    const TOptionState& Options() const { return m_options; }
    // The generic options set so far; null until the task has been reset with the libraries
    // loaded.
    const TAVOptionContext* AVOptions() const { return m_avOptions.get(); }

    TLogCallback OnLog;
    // (task, progress record), at most once per progress interval while the task converts.
    std::function<void(TCustomFFmpeg& task, const TProgressRecord& record)> OnProgress;
    // (task, input time, the decision for this picture, by reference); asked before the hook
    // modules run on a picture, instead of the hook periods.
    std::function<void(TCustomFFmpeg& task, std::int64_t pts, THookAction& action)> OnBeforeHook;
    // (task, the picture as a bitmap, picture number, input time, update, stop hook); the
    // picture takes the bitmap's pixels back when update stays true.
    std::function<void(TCustomFFmpeg& task, TBitmap24& bitmap, int frameNumber, std::int64_t pts, bool& update,
                       bool& stopHook)>
        OnCustomHook;
    // The ranges of input time in which the hook modules run; none means always.
    std::vector<THookPeriod> HookPeriods;
    std::int64_t ProgressInterval = 500000;
    std::string LastErrMsg;
    std::string ErrorMessage;

    // Option handlers with typed values, for callers that have the values already (the
    // conversion component's records); each behaves as the option of the same role.
    void OptFormat(const std::string& name);
    void OptFrameSize(const std::string& text);
    void OptFrameRate(const std::string& text);
    void OptFrameAspectRatio(const std::string& text);
    void OptFrameCrop(TPictureSide side, int size);
    void OptFramePad(TPictureSide side, int size);
    void OptPadColor(int color);
    void OptFramePixelFormat(const std::string& name);
    void OptAudioSampleFormat(const std::string& name);
    void OptVideoCodec(const std::string& name);
    void OptAudioCodec(const std::string& name);
    void OptSubtitleCodec(const std::string& name);
    void OptAudioSampleRate(int rate);
    void OptAudioChannels(int channels);
    void OptAudioVolume(int volume);
    void OptMetadata(const std::string& keyValue);
    void OptVideoFilters(const std::string& text);
    void OptBitRate(const std::string& name, const std::string& value);
    // Forced formats for the next file: "Unknown input format: %s" / "Unknown output format: %s".
    void OptInputFormat(const std::string& name);
    void OptOutputFormat(const std::string& name);
    // Typed settings for callers that hold numbers, not option text.
    void SetStartTime(std::int64_t microseconds) { m_options.startTime = microseconds; }
    void SetRecordingTime(std::int64_t microseconds);
    void SetProgramId(int programId) { m_options.programId = programId; }
    void SetCopyTimestamps(bool copy) { m_options.copyTimestamps = copy; }
    void SetRecordingTimestamp(std::int64_t seconds) { m_options.recordingTimestamp = seconds; }
    void SetMuxDelay(float seconds) { m_options.muxMaxDelay = seconds; }
    void SetMuxPreload(float seconds) { m_options.muxPreload = seconds; }
    void AddMetadata(const std::string& key, const std::string& value) { m_options.metadata.emplace_back(key, value); }
    // A target preset ("vcd", "svcd", "dvd", "dv", "dv50") with a norm text ("pal", "ntsc",
    // "film" or "auto") and the norm taken when "auto" finds nothing.
    void OptTarget(const std::string& target, const std::string& norm, const std::string& defaultNorm);
    // The AVOption fallback on its own.
    TOptionSetResult GenericOption(const std::string& name, const std::string& value);

    // The names of the option table, in the order they are compared.
    static std::vector<std::string> OptionTableNames();

    // Sends one engine message to the log callback, when one is set.
    void Log(int level, const std::string& text);

protected:
    TOptionState m_options;
    std::unique_ptr<TAVOptionContext> m_avOptions;
    std::vector<TOpenInput> m_inputs;
    std::vector<TInputStreamChoice> m_inputStreams;
    std::vector<TOpenOutput> m_outputs;
    bool m_usesVideoFilters = false;
    TFrameHookChain m_frameHooks;
    bool m_hooksInUse = false;
    std::array<int, 52> m_qpHistogram{};

private:
    struct TOptionRow;
    static const std::vector<TOptionRow>& OptionTable();
    // Throws when the task has no AVOption context or the libraries went away.
    void RequireLibraries() const;
    void ApplyRow(const TOptionRow& row, const std::string& name, const std::string& value);
    void LogDoNothing(const std::string& name);
    void SetVideoStatsFile();
    void SetFrameHook(const std::string& value);
    void SetMatrix(std::vector<std::uint16_t>& matrix, const std::string& text);
    void AddBitstreamFilter(const std::string& optionName, const std::string& value);
    void AddStreamMap(const std::string& text);
    void AddMetaDataMap(const std::string& text);
    void SetTimestampScale(const std::string& text);
    std::uint32_t CodecTag(const std::string& value, const char* message) const;

    // Frame rates of the open inputs' video streams, file by file and stream by stream.
    std::vector<AVRational> OpenInputVideoRates() const;
    // After an input is opened, or failed to open: the per-file options are used up.
    void ClearPerFileOptions();
    void ReadInputStreams(TOpenInput& input);
    // Whether the video stream about to be added to the output will be fed by an attached
    // picture (a cover), by what the inputs held when they were opened.
    bool NextVideoSourceIsCover(const TOpenOutput& output) const;
    void AddVideoStream(TOpenOutput& output);
    void AddAudioStream(TOpenOutput& output);
    void AddSubtitleStream(TOpenOutput& output);
    TOpenOutput& LastOutput();
    // At the making of an output: checks its name against the disk (the folder takes a file, the
    // name is no folder and no link, no other conversion writes it) without writing under it.
    bool PrepareOutputFile(TOpenOutput& output);
    // At the start of a run: opens the output's part file (or the device it names).
    void OpenOutputForRun(TOpenOutput& output);
    // At the end of a run that finished or was stopped: every part file onto the disk and into
    // its place. Throws FFmpegException when a file cannot be kept or fails its check.
    void CommitOutputs(bool finished, bool wroteAnything, const std::vector<std::vector<TExpectedStream>>& expected);
    // The one place a part file is removed, for a run that keeps nothing of its output (it
    // failed, or was stopped before anything was written): the byte stream is closed, the file
    // unlinked and its lock let go. An output that writes no part file is left alone.
    void DiscardPartFile(TOpenOutput& output);
    void DiscardPartFiles();
};

}  // namespace mirelk
