#include "form/preview_picture.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace mirelk::form {

TPictureRect FittedRect(int frameWidth, int frameHeight, int imageWidth, int imageHeight)
{
    if (frameWidth <= 0 || frameHeight <= 0 || imageWidth <= 0 || imageHeight <= 0) return {};
    const double widthRatio = static_cast<double>(frameWidth) / imageWidth;
    const double heightRatio = static_cast<double>(frameHeight) / imageHeight;
    TPictureRect rect{0, 0, imageWidth, imageHeight};
    if (widthRatio >= heightRatio) {
        const int margin = static_cast<int>(std::lround((imageHeight - frameHeight / widthRatio) / 2));
        rect.Top = margin;
        rect.Bottom = imageHeight - margin;
    } else {
        const int margin = static_cast<int>(std::lround((imageWidth - frameWidth / heightRatio) / 2));
        rect.Left = margin;
        rect.Right = imageWidth - margin;
    }
    return rect;
}

void Fill(TBitmap24& bitmap, TRgb colour)
{
    for (int y = 0; y < bitmap.Height(); ++y) {
        std::uint8_t* row = bitmap.ScanLine(y);
        for (int x = 0; x < bitmap.Width(); ++x) {
            row[3 * x] = static_cast<std::uint8_t>(colour.Blue);
            row[3 * x + 1] = static_cast<std::uint8_t>(colour.Green);
            row[3 * x + 2] = static_cast<std::uint8_t>(colour.Red);
        }
    }
}

void DrawScaled(const TBitmap24& frame, TBitmap24& target, const TPictureRect& rect)
{
    if (frame.Empty()) return;
    const int left = std::max(rect.Left, 0);
    const int top = std::max(rect.Top, 0);
    const int right = std::min(rect.Right, target.Width());
    const int bottom = std::min(rect.Bottom, target.Height());
    if (rect.Width() <= 0 || rect.Height() <= 0) return;
    for (int y = top; y < bottom; ++y) {
        const std::int64_t sourceY = static_cast<std::int64_t>(y - rect.Top) * frame.Height() / rect.Height();
        const std::uint8_t* source = frame.ScanLine(static_cast<int>(sourceY));
        std::uint8_t* row = target.ScanLine(y);
        for (int x = left; x < right; ++x) {
            const std::int64_t sourceX = static_cast<std::int64_t>(x - rect.Left) * frame.Width() / rect.Width();
            std::copy_n(source + 3 * sourceX, 3, row + 3 * x);
        }
    }
}

}  // namespace mirelk::form
