#include "ui/host/frame_drawing.h"

#include <QFont>
#include <QPainter>
#include <algorithm>
#include <vector>

namespace mirelk::ui {

namespace {

// The canvas font as the hook sets it: white 12 point bold underlined from the first picture,
// red 16 point from picture 250, white again from 350.
QFont CanvasFont(int frameNumber, QColor& colour)
{
    QFont font("DejaVu Sans");
    font.setStyleHint(QFont::SansSerif);
    font.setBold(true);
    font.setUnderline(true);
    font.setPointSize(frameNumber >= 250 ? 16 : 12);
    colour = frameNumber >= 250 && frameNumber < 350 ? QColor(Qt::red) : QColor(Qt::white);
    return font;
}

void DrawText(QImage& canvas, int frameNumber, const QString& text, const QImage* icon)
{
    QPainter painter(&canvas);
    QColor colour;
    painter.setFont(CanvasFont(frameNumber, colour));
    painter.setPen(colour);
    painter.drawText(QRect(10, 10, canvas.width(), canvas.height()), Qt::AlignLeft | Qt::AlignTop, text);
    if (icon != nullptr && !icon->isNull())
        painter.drawImage(canvas.width() - 10 - icon->width(), canvas.height() - 10 - icon->height(), *icon);
}

void FlipVertically(TBitmap24& bitmap)
{
    std::vector<std::uint8_t> row(static_cast<std::size_t>(bitmap.BytesPerLine()));
    for (int r = 0; r < bitmap.Height() / 2; ++r) {
        std::uint8_t* top = bitmap.ScanLine(r);
        std::uint8_t* bottom = bitmap.ScanLine(bitmap.Height() - 1 - r);
        std::copy(top, top + row.size(), row.begin());
        std::copy(bottom, bottom + row.size(), top);
        std::copy(row.begin(), row.end(), bottom);
    }
}

void FlipHorizontally(TBitmap24& bitmap)
{
    const int width = bitmap.Width();
    for (int y = 0; y < bitmap.Height(); ++y) {
        std::uint8_t* line = bitmap.ScanLine(y);
        for (int x = 0; x < width / 2; ++x) std::swap_ranges(line + 3 * x, line + 3 * x + 3, line + 3 * (width - 1 - x));
    }
}

}  // namespace

void DrawCustomHookFrame(TBitmap24& bitmap, int frameNumber, std::int64_t pts, const QImage& icon, bool& update,
                         bool& stopHook)
{
    if (bitmap.Empty()) return;
    if (frameNumber >= 550) {
        stopHook = true;
        return;
    }
    if (frameNumber >= 100 && frameNumber < 150) {
        update = false;
        return;
    }
    // The task holds the bitmap's canvas lock around the hook call.
    {
        // The rows of the bitmap, drawn on in place.
        QImage canvas(bitmap.ScanLine(0), bitmap.Width(), bitmap.Height(), bitmap.BytesPerLine(),
                      QImage::Format_BGR888);
        if (frameNumber < 100)
            DrawText(canvas, frameNumber, QString("Qelvan - Frame Number: %1").arg(frameNumber), nullptr);
        else if (frameNumber < 250)
            DrawText(canvas, frameNumber, QString("Qelvan - Time Stamp: %1").arg(pts), nullptr);
        else if (frameNumber < 350)
            DrawText(canvas, frameNumber, "Qelvan", &icon);
        else if (frameNumber < 450)
            DrawText(canvas, frameNumber, "Reverse Picture Vertically", nullptr);
        else
            DrawText(canvas, frameNumber, "Reverse Picture Horizontally", nullptr);
    }
    if (frameNumber >= 350 && frameNumber < 450) FlipVertically(bitmap);
    if (frameNumber >= 450) FlipHorizontally(bitmap);
}

}  // namespace mirelk::ui
