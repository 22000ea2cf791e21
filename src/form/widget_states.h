// Which of the option form's widgets a user can change, given the other settings. A sub-option
// (a hook's motion or mode, the sample hook's text, the period list) is open only while the
// setting it refines is in use, and the external hooks only while the external hooks are the
// hook source. The records never depend on these states beyond "a hook counts only while it is
// checked and enabled", which keeps a custom-hook choice from running the external modules.
#pragma once

#include "form/option_form_settings.h"

namespace mirelk {

void UpdateWidgetStates(TOptionFormSettings& settings);

}  // namespace mirelk
