// Between decoded pictures and the 24-bit BGR bitmaps that previews and hooks work on. The
// scalers and the packed picture they write into are kept and reused while the pictures keep
// their size and format, so a steady stream of pictures allocates nothing after the first.
#pragma once

#include "binding/av_headers.h"
#include "binding/av_owners.h"
#include "binding/bitmap24.h"

namespace mirelk {

class TBgrConversion {
public:
    // Sizes the bitmap to the picture and fills it (holding its canvas lock while it writes).
    // False, with the bitmap untouched, when no scaler can be made for the picture's format or
    // memory runs out.
    bool ToBitmap(const AVFrame& picture, TBitmap24& bitmap);
    // Writes a bitmap of the picture's size back into the picture's planes; false when the
    // sizes differ or no scaler can be made.
    bool FromBitmap(const TBitmap24& bitmap, AVFrame& picture);
    // Frees the scalers and the packed picture.
    void Reset();

private:
    bool PreparePacked(int width, int height);

    TScalerPtr m_toBgr;
    TScalerPtr m_fromBgr;
    // The picture in packed BGR. Allocated by the library, whose buffers carry the padding the
    // scaler's vector code writes into past the end of a row (a tightly sized buffer is overrun
    // for small pictures).
    TFramePtr m_packed;
};

}  // namespace mirelk
