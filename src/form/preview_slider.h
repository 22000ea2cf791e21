// The preview slider of the option form: positions are steps of PreviewStep microseconds across
// the input file, and a selection marks the clip to convert. Positions stay within 0..Max().
#pragma once

#include <cstdint>

namespace mirelk {

// Start and end of a clip in milliseconds.
struct TClipRange {
    std::int64_t StartMs = 0;
    std::int64_t EndMs = 0;
};

class TPreviewSlider {
public:
    // Below this many steps per file the step does not grow further.
    static constexpr std::int64_t kMaxSteps = 32768;
    static constexpr int kDefaultWidth = 220;

    // Spreads the slider over a file of the given duration (microseconds, negative when
    // unknown). A still picture has no thumb and a single position. The selection is cleared
    // and the position goes back to 0.
    void Configure(std::int64_t durationUS, bool thumbVisible);
    // The slider's width in pixels; only the tick spacing depends on it.
    void SetWidth(int pixels) { m_width = pixels; }

    bool ThumbVisible() const { return m_thumbVisible; }
    // Microseconds per step: 10, 100, 1000 ...
    std::int64_t PreviewStep() const { return m_previewStep; }
    int StepCount() const { return m_stepCount; }
    int Min() const { return 0; }
    int Max() const { return m_max; }
    int LineSize() const { return m_lineSize; }
    int PageSize() const { return 5 * m_lineSize; }
    int TickFrequency() const { return m_tickFrequency; }

    int Position() const { return m_position; }
    // Moves to the position, clamped to Min()..Max(); true when the position changed.
    bool SetPosition(int position);
    // The position nearest to a time in microseconds, clamped to Min()..Max().
    int PositionOfTime(std::int64_t microseconds) const;
    // The time of a position in microseconds.
    std::int64_t TimeOfPosition(int position) const { return position * m_previewStep; }

    int SelStart() const { return m_selStart; }
    int SelEnd() const { return m_selEnd; }
    void MarkStart() { m_selStart = m_position; }
    void MarkEnd() { m_selEnd = m_position; }
    // True when the selection marks a clip: its end lies after 0 and after its start.
    bool HasClip() const { return m_selEnd >= 1 && m_selEnd > m_selStart; }

private:
    int m_width = kDefaultWidth;
    bool m_thumbVisible = true;
    std::int64_t m_previewStep = 10;
    int m_stepCount = 0;
    int m_max = 0;
    int m_lineSize = 1;
    int m_tickFrequency = 1;
    int m_position = 0;
    int m_selStart = 0;
    int m_selEnd = 0;
};

// The clip a selection marks in a file of the given duration, in milliseconds: a start outside
// the file becomes 0, an end that does not lie after the start and within the file becomes the
// file's end.
TClipRange ClipRange(int selStart, int selEnd, std::int64_t previewStep, std::int64_t durationUS);

}  // namespace mirelk
