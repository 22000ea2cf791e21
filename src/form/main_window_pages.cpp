#include "form/main_window_pages.h"

#include <cinttypes>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "form/option_choices.h"

namespace mirelk {

namespace {

// Indexes into the output formats list.
constexpr int kFormatOfDiscPage[] = {0, 1, 2};
constexpr int k3GPFormat = 3;
constexpr int kWMVFormat = 15;

}  // namespace

void ApplyPageChoices(TOptionFormSettings& settings, TFormatPage page, const TPageChoices& choices)
{
    switch (page) {
    case fp3GP:
        settings.OutputFormat = k3GPFormat;
        settings.VideoEncoder = choices.VideoEncoder;
        settings.AudioEncoder = choices.AudioEncoder;
        settings.FrameSize = choices.FrameSize;
        settings.FrameRate = choices.FrameRate;
        break;
    case fpVCD:
    case fpSVCD:
    case fpDVD:
        settings.OutputFormat = kFormatOfDiscPage[page - fpVCD];
        settings.Norm = choices.Norm;
        break;
    case fpWMV:
        settings.OutputFormat = kWMVFormat;
        settings.VideoEncoder = choices.VideoEncoder;
        settings.FrameSize = choices.FrameSize;
        settings.FrameRate = choices.FrameRate;
        break;
    case fpModern: {
        const bool known = choices.ModernFormat >= 0 &&
                           static_cast<std::size_t>(choices.ModernFormat) < kModernOutputFormats.size();
        settings.OutputFormat = static_cast<int>(kOutputFormats.size()) + (known ? choices.ModernFormat : 0);
        settings.FrameSize = choices.FrameSize;
        settings.EncoderSpeed = choices.EncoderSpeed;
        break;
    }
    }
}

TPageSettingsScope::TPageSettingsScope(TOptionForm& form, TFormatPage page, const TPageChoices& choices)
    : m_form(form), m_kept(form.Settings)
{
    ApplyPageChoices(form.Settings, page, choices);
}

TPageSettingsScope::~TPageSettingsScope() { m_form.Settings = m_kept; }

std::int64_t ClipTextMicroseconds(const std::string& text)
{
    char* end = nullptr;
    const double seconds = std::strtod(text.c_str(), &end);
    if (end == text.c_str() || !std::isfinite(seconds) || seconds <= 0) return 0;
    return static_cast<std::int64_t>(std::llround(seconds * 1000000.0));
}

void ApplyRowClip(TOptionForm& form, const std::string& clipStart, const std::string& clipEnd)
{
    form.Settings.CutClipEnabled = true;
    form.Settings.CutClip = true;
    form.SetPreviewPosition(form.PreviewPositionOfTime(ClipTextMicroseconds(clipStart)));
    form.SetStart();
    form.SetPreviewPosition(form.PreviewPositionOfTime(ClipTextMicroseconds(clipEnd)));
    form.SetEnd();
}

std::string ClockText(std::int64_t seconds)
{
    if (seconds < 0) seconds = 0;
    char text[32];
    std::snprintf(text, sizeof text, "%.2" PRId64 ":%.2" PRId64 ":%.2" PRId64, seconds / 3600, (seconds / 60) % 60,
                  seconds % 60);
    return text;
}

}  // namespace mirelk
