#include "ui/quit_signals.h"

#include <QCoreApplication>
#include <QSocketNotifier>
#include <cerrno>
#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

namespace mirelk::ui {

namespace {

// The handler may only write to a descriptor; the main loop reads the other end.
int g_signalPipe[2] = {-1, -1};

void OnQuitSignal(int)
{
    // The write end does not block: a storm of signals that fills the socket loses signals, not
    // the program. The handler leaves errno as the interrupted code had it.
    const int savedErrno = errno;
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(g_signalPipe[0], &byte, 1);
    errno = savedErrno;
}

}  // namespace

bool CatchQuitSignals(std::function<void()> onSignal)
{
    if (g_signalPipe[0] >= 0) return true;
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, g_signalPipe) != 0) return false;
    auto* notifier = new QSocketNotifier(g_signalPipe[1], QSocketNotifier::Read, QCoreApplication::instance());
    QObject::connect(notifier, &QSocketNotifier::activated, notifier, [onSignal = std::move(onSignal)] {
        char byte = 0;
        if (::read(g_signalPipe[1], &byte, 1) == 1) onSignal();
    });
    struct sigaction action {};
    action.sa_handler = OnQuitSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int signal : {SIGTERM, SIGINT, SIGHUP}) ::sigaction(signal, &action, nullptr);
    return true;
}

}  // namespace mirelk::ui
