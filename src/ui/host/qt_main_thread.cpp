#include "ui/host/qt_main_thread.h"

#include <QTimer>
#include <memory>

#include "binding/main_thread_call.h"

namespace mirelk::ui {

TQtMainThread::TQtMainThread() : m_mainThread(QThread::currentThread()) {}

bool TQtMainThread::IsMainThread() const { return QThread::currentThread() == m_mainThread; }

bool TQtMainThread::RunInMainThread(const std::function<void()>& call, const std::atomic<bool>* abandon)
{
    if (IsMainThread()) {
        call();
        return true;
    }
    auto handed = std::make_shared<TMainThreadCall>(call);
    QMetaObject::invokeMethod(this, [handed] { handed->Run(); }, Qt::QueuedConnection);
    return handed->Wait(abandon);
}

void TQtMainThread::PostDelayed(int milliseconds, std::function<void()> call)
{
    // A timer belongs to the thread it is made on: it is made on the main thread.
    QMetaObject::invokeMethod(
        this,
        [milliseconds, call = std::move(call)]() mutable { QTimer::singleShot(milliseconds, std::move(call)); },
        Qt::QueuedConnection);
}

}  // namespace mirelk::ui
