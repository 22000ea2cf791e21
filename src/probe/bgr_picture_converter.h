// Turns decoded pictures into 24-bit BGR bitmaps. The scaler and the picture it writes into are
// kept and reused while the decoded pictures keep their size and format.
#pragma once

#include "binding/av_headers.h"
#include "binding/bitmap24.h"
#include "probe/probe_resources.h"

namespace mirelk::probing {

class TBgrPictureConverter {
public:
    // Sizes the bitmap to the picture and fills it. False, with the bitmap untouched, when no
    // scaler can be made for the picture's format (or memory for its output runs out).
    bool Convert(const AVFrame& picture, TBitmap24& bitmap);
    // Frees the scaler and its output picture.
    void Reset();

private:
    bool PrepareOutput(int width, int height);

    TScalerPtr m_scaler;
    // The scaler's output. Allocated by the library, whose buffers carry the padding the
    // scaler's vector code writes into past the end of a row (a tightly sized buffer is
    // overrun for small pictures).
    TFramePtr m_output;
};

}  // namespace mirelk::probing
