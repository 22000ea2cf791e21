#include "engine/pipeline/frame_rate_sync.h"

#include <algorithm>
#include <cmath>

#include "binding/log_levels.h"
#include "binding/text_format.h"
#include "engine/pipeline/stage_clock.h"

namespace mirelk {

TFrameRateSync::TFrameRateSync(const TSettings& settings, TLogFunction log) : m_settings(settings), m_log(std::move(log))
{
}

int TFrameRateSync::CopiesFor(std::int64_t time)
{
    const double timeBase = av_q2d(m_settings.timeBase);
    const double target = OutputSeconds(time, m_settings.outputStart) / timeBase;
    const int method = m_settings.method;
    int copies = 1;
    if (method > 0 || (method != 0 && timeBase > 0.001)) {
        const double delta = target - static_cast<double>(m_position);
        if (delta < -1.1) {
            copies = 0;
        } else if (method == 2 || (method < 0 && m_settings.variableRateFormat)) {
            if (delta <= -0.6)
                copies = 0;
            else if (delta > 0.6)
                m_position = std::llround(target);
        } else if (delta > 1.1) {
            copies = static_cast<int>(std::lrint(delta));
        }
        if (copies == 0) {
            ++m_dropped;
            if (m_settings.verbose && m_log) m_log(kLevelInfo, "*** drop!");
        } else if (copies > 1) {
            m_duplicated += copies - 1;
            if (m_settings.verbose && m_log) m_log(kLevelInfo, Format("*** %d dup!", copies - 1));
        }
    } else {
        // Following the input time, but never back: an encoder takes no two pictures at one time.
        m_position = std::max<std::int64_t>(std::llround(target), m_position);
    }
    return copies;
}

}  // namespace mirelk
