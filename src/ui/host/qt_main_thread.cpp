#include "ui/host/qt_main_thread.h"

#include <QCoreApplication>
#include <QTimer>
#include <memory>

#include "binding/main_thread_call.h"

namespace mirelk::ui {

TQtMainThread::TQtMainThread() : m_mainThread(QThread::currentThread()) {}

void TQtMainThread::Drain()
{
    for (int round = 0; round < 10; ++round) {
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
}

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
    // A timer belongs to the thread it is made on: it is made on the main thread. A call without
    // a delay runs from the queued call itself, so that draining the queue (as the program does
    // before it ends) runs it.
    QMetaObject::invokeMethod(
        this,
        [this, milliseconds, call = std::move(call)]() mutable {
            if (milliseconds <= 0)
                call();
            else
                QTimer::singleShot(milliseconds, this, std::move(call));
        },
        Qt::QueuedConnection);
}

}  // namespace mirelk::ui
