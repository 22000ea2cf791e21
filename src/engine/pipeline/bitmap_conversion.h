// Between decoded pictures and the 24-bit bitmaps that hook and preview callbacks work on.
#pragma once

#include <memory>

#include "binding/av_headers.h"
#include "binding/bitmap24.h"
#include "engine/pipeline/av_pointers.h"

namespace mirelk {

struct TSwsDeleter {
    void operator()(SwsContext* context) const;
};

class TBitmapConversion {
public:
    // The bitmap, created (at the picture's size) by the first conversion.
    TBitmap24* Bitmap() { return m_bitmap.get(); }
    // Converts a picture into the bitmap; false when no conversion can be made.
    bool ToBitmap(const AVFrame& picture);
    // Writes the bitmap back into the picture's planes (same size); false when no conversion
    // can be made.
    bool FromBitmap(AVFrame& picture);
    // Frees the bitmap and the converters.
    void Reset();

private:
    std::unique_ptr<TBitmap24> m_bitmap;
    std::unique_ptr<SwsContext, TSwsDeleter> m_toBgr;
    std::unique_ptr<SwsContext, TSwsDeleter> m_fromBgr;
    TFramePtr m_bgr;  // the picture in packed BGR, reused
};

}  // namespace mirelk
