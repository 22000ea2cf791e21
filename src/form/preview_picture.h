// The option form's small preview: a picture of fixed size on which a decoded frame is shown
// whole, scaled with its aspect kept and centred.
#pragma once

#include "binding/bitmap24.h"

namespace mirelk::form {

struct TPictureRect {
    int Left = 0;
    int Top = 0;
    int Right = 0;   // exclusive
    int Bottom = 0;  // exclusive
    int Width() const { return Right - Left; }
    int Height() const { return Bottom - Top; }
};

struct TRgb {
    int Red = 0;
    int Green = 0;
    int Blue = 0;
};

// The part of an image (imageWidth x imageHeight) that a frame fills: the side whose ratio of
// frame to image length is the larger spans the image; the other is narrowed on both sides by
// half of what remains, rounded to the nearest pixel. Empty for an empty frame.
TPictureRect FittedRect(int frameWidth, int frameHeight, int imageWidth, int imageHeight);

void Fill(TBitmap24& bitmap, TRgb colour);
// Draws the frame scaled (nearest pixel) into the rectangle of the target.
void DrawScaled(const TBitmap24& frame, TBitmap24& target, const TPictureRect& rect);

}  // namespace mirelk::form
