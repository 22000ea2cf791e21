// Shows the pictures a task produces, with their time, in a window of their own. Pictures
// arrive from the task's thread; the window lives on the main thread.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

#include "binding/host_interfaces.h"

namespace mirelk {

class TPreviewer {
public:
    // A worker stops waiting for the main thread once abandon (when given) is set.
    TPreviewer(IMainThreadDispatcher& mainThread, TPreviewWindowFactory makeWindow,
               const std::atomic<bool>* abandon = nullptr);
    // The window goes away on the main thread, without waiting for it: the main thread may be
    // the one that waits for this thread.
    ~TPreviewer();
    TPreviewer(const TPreviewer&) = delete;
    TPreviewer& operator=(const TPreviewer&) = delete;

    // Shows the picture (on the main thread, waiting until it is drawn); false once the user
    // has closed the window, or the wait was abandoned, after which nothing is drawn any more.
    bool Preview(const TBitmap24& picture, int frameNumber, std::int64_t pts);
    bool Closed() const { return m_closed; }

    // "N/A" for no time, else hours:minutes:seconds.milliseconds.
    static std::string TimeCaption(std::int64_t pts);

private:
    void ShowFrame();

    IMainThreadDispatcher& m_mainThread;
    TPreviewWindowFactory m_makeWindow;
    const std::atomic<bool>* m_abandon;
    std::unique_ptr<IPreviewWindow> m_window;
    // Set on the main thread by the window, read by the task's thread.
    std::shared_ptr<std::atomic<bool>> m_closedFlag = std::make_shared<std::atomic<bool>>(false);
    std::atomic<bool>& m_closed = *m_closedFlag;
    const TBitmap24* m_picture = nullptr;
    int m_frameNumber = 0;
    std::int64_t m_pts = 0;
};

}  // namespace mirelk
