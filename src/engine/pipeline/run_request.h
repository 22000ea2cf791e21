// What a run is asked to do, and the task as the run sees it. The engine object hands both to
// the run: the request is read-only for the run's life, the host is where the run's messages,
// progress and pictures go and where it waits while paused.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "binding/av_headers.h"
#include "binding/bitmap24.h"
#include "binding/hooks/frame_hook_chain.h"
#include "engine/files/open_files.h"
#include "engine/options/avoption_context.h"
#include "engine/options/option_state.h"
#include "engine/pipeline/progress_report.h"

namespace mirelk {

// What the frame hook modules do with the current picture.
enum THookAction { haContinue, haIgnore, haStop };

// A time range of input time, in microseconds, in which the hook modules run.
struct THookPeriod {
    std::int64_t start = 0;
    std::int64_t end = 0;
};

struct TRunRequest {
    const TOptionState& options;
    const TAVOptionContext& avOptions;
    const std::vector<TOpenInput>& inputs;
    const std::vector<TInputStreamChoice>& inputStreams;
    const std::vector<TOpenOutput>& outputs;
    // Whether the outputs run their pictures through a filter graph.
    bool usesVideoFilters;
    // The frame hook modules, and whether "vhook" options added any.
    const TFrameHookChain& frameHooks;
    bool hooksInUse;
    // The ranges of input time in which the hook modules run; none means always.
    const std::vector<THookPeriod>& hookPeriods;
    int codecThreads;
    std::int64_t progressInterval;
    // Given to every codec the run opens: library lines from a codec's own threads name their
    // task by it.
    void* codecOpaque;
};

class IRunHost {
public:
    virtual void Log(int level, const std::string& text) = 0;
    // Whether anyone takes the log lines: lines that cost time to make are made only then.
    virtual bool Logging() const = 0;
    // Whether anyone takes progress records; without one the run logs report lines instead.
    virtual bool TakesProgress() const = 0;
    virtual void Progress(const TProgressRecord& record) = 0;
    // At the top of every pass of the loop (and before each repeated picture); a task that
    // runs in a worker thread waits here while it is paused.
    virtual void PassGate() = 0;
    // Asked from another thread: the run ends at its next pass, still writing a complete file.
    virtual bool StopAsked() const = 0;
    // After a picture was encoded.
    virtual void PreviewPicture(const AVFrame& picture, int frameNumber, std::int64_t pts) = 0;
    // Fails when something needs the decoded pictures of a video stream that is to be copied.
    virtual void CheckVideoCopyAllowed() const = 0;
    // Decides what the hook modules do with the picture at pts; false when no one decides, and
    // the hook periods do.
    virtual bool DecideHook(std::int64_t pts, THookAction& action) = 0;
    // Whether a custom hook draws on the pictures, and the call that lets it.
    virtual bool HasCustomHook() const = 0;
    virtual void CustomHook(TBitmap24& bitmap, int frameNumber, std::int64_t pts, bool& update, bool& stopHook) = 0;
    // Counts of the quantisers of the first video output's pictures over the task's life.
    virtual std::array<int, 52>& QpHistogram() = 0;

protected:
    ~IRunHost() = default;
};

}  // namespace mirelk
