#include "ui/app_icon.h"

#include <QPainter>
#include <QPainterPath>

namespace mirelk::ui {

QImage AppIconImage(int size)
{
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    const qreal s = size;
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(32, 96, 176));
    painter.drawRoundedRect(QRectF(0.04 * s, 0.04 * s, 0.92 * s, 0.92 * s), 0.18 * s, 0.18 * s);
    // Film perforations along both edges.
    painter.setBrush(QColor(230, 240, 255));
    for (int i = 0; i < 4; ++i) {
        const qreal y = (0.14 + i * 0.2) * s;
        painter.drawRect(QRectF(0.1 * s, y, 0.08 * s, 0.1 * s));
        painter.drawRect(QRectF(0.82 * s, y, 0.08 * s, 0.1 * s));
    }
    // The arrow of the conversion.
    QPainterPath arrow;
    arrow.moveTo(0.3 * s, 0.38 * s);
    arrow.lineTo(0.52 * s, 0.38 * s);
    arrow.lineTo(0.52 * s, 0.26 * s);
    arrow.lineTo(0.74 * s, 0.5 * s);
    arrow.lineTo(0.52 * s, 0.74 * s);
    arrow.lineTo(0.52 * s, 0.62 * s);
    arrow.lineTo(0.3 * s, 0.62 * s);
    arrow.closeSubpath();
    painter.setBrush(QColor(255, 196, 40));
    painter.drawPath(arrow);
    return image;
}

QIcon AppIcon()
{
    QIcon icon;
    for (int size : {16, 24, 32, 48, 64, 128}) icon.addPixmap(QPixmap::fromImage(AppIconImage(size)));
    return icon;
}

namespace {

QIcon DrawnIcon(TToolIcon which)
{
    constexpr int kSize = 24;
    QImage image(kSize, kSize, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    switch (which) {
    case tiAdd:
        p.setBrush(QColor(40, 150, 60));
        p.drawRect(10, 3, 4, 18);
        p.drawRect(3, 10, 18, 4);
        break;
    case tiClear:
        p.setPen(QPen(QColor(190, 50, 40), 3.5));
        p.drawLine(5, 5, 19, 19);
        p.drawLine(19, 5, 5, 19);
        break;
    case tiConvert:
        p.setBrush(QColor(32, 96, 176));
        p.drawPolygon(QPolygon({QPoint(3, 8), QPoint(13, 8), QPoint(13, 3), QPoint(22, 12), QPoint(13, 21),
                                QPoint(13, 16), QPoint(3, 16)}));
        break;
    case tiPause:
        p.setBrush(QColor(60, 60, 60));
        p.drawRect(6, 4, 4, 16);
        p.drawRect(14, 4, 4, 16);
        break;
    case tiResume:
        p.setBrush(QColor(40, 150, 60));
        p.drawPolygon(QPolygon({QPoint(7, 4), QPoint(20, 12), QPoint(7, 20)}));
        break;
    case tiStop:
        p.setBrush(QColor(190, 50, 40));
        p.drawRect(5, 5, 14, 14);
        break;
    }
    return QIcon(QPixmap::fromImage(image));
}

}  // namespace

QIcon ToolIcon(TToolIcon which)
{
    static const char* const kThemeNames[] = {"list-add",          "edit-clear",           "system-run",
                                              "media-playback-pause", "media-playback-start", "media-playback-stop"};
    return QIcon::fromTheme(kThemeNames[which], DrawnIcon(which));
}

}  // namespace mirelk::ui
