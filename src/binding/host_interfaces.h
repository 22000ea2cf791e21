// What the program's core needs from the program that hosts it: a main thread to run calls on,
// and a window to show previews in. The desktop program implements them with its toolkit; the
// command-line program and the tests with a small event loop of their own.
#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <string>

namespace mirelk {

class TBitmap24;

class IMainThreadDispatcher {
public:
    virtual ~IMainThreadDispatcher() = default;
    virtual bool IsMainThread() const = 0;
    // Runs the call on the main thread and returns when it has run (at once when the caller
    // is the main thread). With an abandon flag, a worker stops waiting once the flag is set
    // while the call has not begun yet: the call is then never run, and the result is false.
    // A worker that waits for the main thread while the main thread waits for it (a run being
    // stopped and its task let go of) so gets free.
    virtual bool RunInMainThread(const std::function<void()>& call, const std::atomic<bool>* abandon) = 0;
    void RunInMainThread(const std::function<void()>& call) { RunInMainThread(call, nullptr); }
    // Runs the call once on the main thread after the delay, from its event loop.
    virtual void PostDelayed(int milliseconds, std::function<void()> call) = 0;
};

// A small floating window that shows pictures. Every method is called on the main thread.
class IPreviewWindow {
public:
    virtual ~IPreviewWindow() = default;
    // Shows the window with a client area of the given size, which it keeps from then on.
    virtual void Show(int width, int height) = 0;
    virtual void SetCaption(const std::string& caption) = 0;
    // Draws the picture at the top left corner of the client area (clipped to it).
    virtual void Draw(const TBitmap24& picture) = 0;
};

// Makes a preview window; the window calls onClosed (on the main thread) when the user closes it.
using TPreviewWindowFactory = std::function<std::unique_ptr<IPreviewWindow>(std::function<void()> onClosed)>;

}  // namespace mirelk
