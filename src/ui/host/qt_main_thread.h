// The core's main-thread services on Qt's event loop: calls from worker threads are posted to
// the main thread as queued calls; a worker that waits for one can give up while its run is
// being stopped. Lives as long as the program, so that a late worker thread still finds it.
#pragma once

#include <QObject>
#include <QThread>

#include "binding/host_interfaces.h"

namespace mirelk::ui {

class TQtMainThread final : public QObject, public IMainThreadDispatcher {
    Q_OBJECT
public:
    // Made on the main thread.
    TQtMainThread();

    bool IsMainThread() const override;
    using IMainThreadDispatcher::RunInMainThread;
    bool RunInMainThread(const std::function<void()>& call, const std::atomic<bool>* abandon) override;
    void PostDelayed(int milliseconds, std::function<void()> call) override;
    // Runs what workers have handed over (the windows of previews that ended go away then);
    // called once the task threads have ended, before the application object goes.
    static void Drain();

private:
    QThread* m_mainThread;
};

}  // namespace mirelk::ui
