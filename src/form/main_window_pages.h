// The main window's format pages and its per-row clip times, as settings of the option
// form: what the window copies into the form before it builds a file's records.
#pragma once

#include <cstdint>
#include <string>

#include "form/option_form.h"

namespace mirelk {

// In the order of the window's tabs; today's targets have the last page.
enum TFormatPage { fp3GP, fpVCD, fpSVCD, fpDVD, fpWMV, fpModern };

// The item indexes of the active page's lists (those a page does not have are ignored).
struct TPageChoices {
    int VideoEncoder = 0;
    int AudioEncoder = 0;
    int FrameSize = 0;
    int FrameRate = 0;
    int Norm = 0;
    // Index into kModernOutputFormats.
    int ModernFormat = 0;
    int EncoderSpeed = 0;
};

// The output format and the page's choices into the settings. Page WMV leaves the audio
// encoder alone: its format fixes it. Today's targets fix their encoders: their page gives the
// format, the frame size and the encoder speed; a format index outside the list takes the
// first.
void ApplyPageChoices(TOptionFormSettings& settings, TFormatPage page, const TPageChoices& choices);

// The page's choices in the form's settings while the scope lasts, as Convert from the tool bar
// uses them; the settings as they were afterwards.
class TPageSettingsScope {
public:
    TPageSettingsScope(TOptionForm& form, TFormatPage page, const TPageChoices& choices);
    ~TPageSettingsScope();
    TPageSettingsScope(const TPageSettingsScope&) = delete;
    TPageSettingsScope& operator=(const TPageSettingsScope&) = delete;

private:
    TOptionForm& m_form;
    TOptionFormSettings m_kept;
};

// Seconds as the window keeps a clip time ("12.045", or "0" when unset) into microseconds;
// 0 for a text that is not a time.
std::int64_t ClipTextMicroseconds(const std::string& text);

// The clip of one row on the form, whose prober is set: the cut-clip box enabled and checked,
// the preview moved to the start and the end in turn and each marked. Both "0": no clip.
void ApplyRowClip(TOptionForm& form, const std::string& clipStart, const std::string& clipEnd);

// Whole seconds as "hh:mm:ss", as the playback panel's clip edits show them.
std::string ClockText(std::int64_t seconds);

}  // namespace mirelk
