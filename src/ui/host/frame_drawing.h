// The drawing the main window does on each picture of a task whose custom hook is on: texts by
// frame number, the application icon, and the two flips. Runs in the task's thread on the
// task's bitmap only.
#pragma once

#include <QImage>
#include <cstdint>

#include "binding/bitmap24.h"

namespace mirelk::ui {

// Draws on the bitmap for picture frameNumber at time pts (microseconds); update false leaves
// the picture unchanged, stopHook true ends the hook for the rest of the run.
void DrawCustomHookFrame(TBitmap24& bitmap, int frameNumber, std::int64_t pts, const QImage& icon, bool& update,
                         bool& stopHook);

}  // namespace mirelk::ui
