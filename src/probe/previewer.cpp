#include "probe/previewer.h"

#include <climits>

#include "binding/bitmap24.h"
#include "binding/utilities.h"

namespace mirelk {

TPreviewer::TPreviewer(IMainThreadDispatcher& mainThread, TPreviewWindowFactory makeWindow,
                       const std::atomic<bool>* abandon)
    : m_mainThread(mainThread), m_makeWindow(std::move(makeWindow)), m_abandon(abandon)
{
}

TPreviewer::~TPreviewer()
{
    if (!m_window) return;
    if (m_mainThread.IsMainThread()) {
        m_window.reset();
        return;
    }
    std::shared_ptr<IPreviewWindow> window(std::move(m_window));
    m_mainThread.PostDelayed(0, [window]() mutable { window.reset(); });
}

std::string TPreviewer::TimeCaption(std::int64_t pts) { return pts == INT64_MIN ? "N/A" : FormatDuration(pts); }

bool TPreviewer::Preview(const TBitmap24& picture, int frameNumber, std::int64_t pts)
{
    if (!m_closed) {
        m_picture = &picture;
        m_frameNumber = frameNumber;
        m_pts = pts;
        if (!m_mainThread.RunInMainThread([this] { ShowFrame(); }, m_abandon)) m_closed = true;
    }
    return !m_closed;
}

void TPreviewer::ShowFrame()
{
    if (m_closed || m_picture == nullptr) return;
    if (!m_window) {
        // The flag outlives this object should the window report its closing late.
        std::weak_ptr<std::atomic<bool>> closed = m_closedFlag;
        m_window = m_makeWindow([closed] {
            if (auto flag = closed.lock()) *flag = true;
        });
        if (!m_window) {
            m_closed = true;
            return;
        }
        m_window->Show(m_picture->Width(), m_picture->Height());
    }
    m_window->SetCaption(TimeCaption(m_pts));
    m_window->Draw(*m_picture);
}

}  // namespace mirelk
