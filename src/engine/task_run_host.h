// A task's callbacks and gates as a transcode run uses them.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "engine/custom_ffmpeg.h"
#include "engine/pipeline/run_request.h"

namespace mirelk {

class TTaskRunHost final : public IRunHost {
public:
    explicit TTaskRunHost(TCustomFFmpeg& task) : m_task(task) {}

    void Log(int level, const std::string& text) override { m_task.Log(level, text); }
    bool Logging() const override { return static_cast<bool>(m_task.OnLog); }
    bool TakesProgress() const override { return static_cast<bool>(m_task.OnProgress); }
    void Progress(const TProgressRecord& record) override { m_task.OnProgress(m_task, record); }
    void PassGate() override { m_task.PassGate(); }
    bool StopAsked() const override { return m_task.StopRequested; }
    void PreviewPicture(const AVFrame& picture, int frameNumber, std::int64_t pts) override
    {
        m_task.PreviewPicture(picture, frameNumber, pts);
    }
    void CheckVideoCopyAllowed() const override { m_task.CheckVideoCopyAllowed(); }
    bool DecideHook(std::int64_t pts, THookAction& action) override
    {
        if (!m_task.OnBeforeHook) return false;
        m_task.OnBeforeHook(m_task, pts, action);
        return true;
    }
    bool HasCustomHook() const override { return static_cast<bool>(m_task.OnCustomHook); }
    void CustomHook(TBitmap24& bitmap, int frameNumber, std::int64_t pts, bool& update, bool& stopHook) override
    {
        m_task.OnCustomHook(m_task, bitmap, frameNumber, pts, update, stopHook);
    }
    std::array<int, 52>& QpHistogram() override { return m_task.QpHistogram(); }

private:
    TCustomFFmpeg& m_task;
};

}  // namespace mirelk
