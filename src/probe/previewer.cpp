#include "probe/previewer.h"

#include <climits>

#include "binding/bitmap24.h"
#include "binding/utilities.h"

namespace mirelk {

TPreviewer::TPreviewer(IMainThreadDispatcher& mainThread, TPreviewWindowFactory makeWindow)
    : m_mainThread(mainThread), m_makeWindow(std::move(makeWindow))
{
}

TPreviewer::~TPreviewer()
{
    if (m_window) m_mainThread.RunInMainThread([this] { m_window.reset(); });
}

std::string TPreviewer::TimeCaption(std::int64_t pts) { return pts == INT64_MIN ? "N/A" : FormatDuration(pts); }

bool TPreviewer::Preview(const TBitmap24& picture, int frameNumber, std::int64_t pts)
{
    if (!m_closed) {
        m_picture = &picture;
        m_frameNumber = frameNumber;
        m_pts = pts;
        m_mainThread.RunInMainThread([this] { ShowFrame(); });
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
