#include "ui/selection_slider.h"

#include <QPainter>
#include <QStyle>
#include <QStyleOptionSlider>

namespace mirelk::ui {

TSelectionSlider::TSelectionSlider(QWidget* parent) : QSlider(Qt::Horizontal, parent) {}

void TSelectionSlider::SetSelection(int start, int end)
{
    m_start = start;
    m_end = end;
    update();
}

void TSelectionSlider::paintEvent(QPaintEvent* event)
{
    QSlider::paintEvent(event);
    if (m_end > m_start && maximum() > minimum()) {
        QStyleOptionSlider option;
        initStyleOption(&option);
        const QRect groove = style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderGroove, this);
        const QRect handle = style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, this);
        // The handle's centre travels over the groove less one handle width.
        const int span = groove.width() - handle.width();
        const int offset = groove.left() + handle.width() / 2;
        const auto at = [&](int value) {
            return offset + QStyle::sliderPositionFromValue(minimum(), maximum(), value, span);
        };
        QPainter painter(this);
        painter.fillRect(QRect(QPoint(at(m_start), groove.top()), QPoint(at(m_end), groove.bottom())),
                         QColor(51, 153, 255, 110));
    }
}

}  // namespace mirelk::ui
