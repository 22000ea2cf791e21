#include "form/preview_slider.h"

#include <algorithm>

namespace mirelk {

void TPreviewSlider::Configure(std::int64_t durationUS, bool thumbVisible)
{
    m_thumbVisible = thumbVisible;
    m_selStart = 0;
    m_selEnd = 0;
    m_position = 0;
    if (!thumbVisible) {
        m_stepCount = 0;
        m_max = 0;
        return;
    }
    // The step grows by powers of ten until the file fits into fewer than kMaxSteps steps; an
    // unknown (negative) duration stops it at once.
    m_previewStep = 1;
    std::int64_t steps = 0;
    do {
        m_previewStep *= 10;
        steps = durationUS / m_previewStep;
    } while (steps >= kMaxSteps);
    m_stepCount = static_cast<int>(std::max<std::int64_t>(steps, 0));
    m_max = m_stepCount;
    m_lineSize = m_stepCount > 10000 ? 1000 : m_stepCount > 1000 ? 100 : m_stepCount > 100 ? 10 : 1;
    // One tick per ten pixels of the usable track; a slider too narrow for that gets one tick.
    const int tickSlots = (m_width - 12) / 10;
    m_tickFrequency = tickSlots > 0 ? std::max(m_stepCount / tickSlots, 1) : std::max(m_stepCount, 1);
}

bool TPreviewSlider::SetPosition(int position)
{
    const int clamped = std::clamp(position, Min(), m_max);
    if (clamped == m_position) return false;
    m_position = clamped;
    return true;
}

int TPreviewSlider::PositionOfTime(std::int64_t microseconds) const
{
    const std::int64_t nearest = (std::max<std::int64_t>(microseconds, 0) + m_previewStep / 2) / m_previewStep;
    return static_cast<int>(std::min<std::int64_t>(nearest, m_max));
}

TClipRange ClipRange(int selStart, int selEnd, std::int64_t previewStep, std::int64_t durationUS)
{
    TClipRange range;
    range.StartMs = selStart * previewStep / 1000;
    range.EndMs = selEnd * previewStep / 1000;
    const std::int64_t durationMs = durationUS / 1000;
    if (range.StartMs >= 0 && range.StartMs < durationMs) {
        if (!(range.StartMs < range.EndMs && range.EndMs <= durationMs)) range.EndMs = durationMs;
    } else {
        range.StartMs = 0;
        if (!(range.EndMs > 0 && range.EndMs <= durationMs)) range.EndMs = durationMs;
    }
    return range;
}

}  // namespace mirelk
