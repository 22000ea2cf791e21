// The video filter chain the settings ask for, as filter graph text for the engine.
#pragma once

#include <string>

#include "form/option_form_settings.h"

namespace mirelk::form {

// The checked elements joined by ",", in the order vflip, hflip, negate, scale, rotate, setpts;
// scale and setpts are left out when their text is empty. The rotate filter takes radians, so
// the whole degrees of the setting (45 when not a number) are written as "rotate=D*PI/180".
// Empty when nothing is checked.
std::string FilterChain(const TOptionFormSettings& settings);

}  // namespace mirelk::form
