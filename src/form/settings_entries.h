// The option form's settings as named texts, for a settings file that a later start reads back.
// Every setting a user chooses has an entry, named after its widget; a choice is kept as its
// item's text, so that a list that gains items keeps meaning what was chosen. Not kept: the
// output folder (the main window keeps its own), the clip (it belongs to one file) and the
// widgets' enabled states (they follow from the rest).
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "form/option_form_settings.h"

namespace mirelk {

using TSettingsEntries = std::vector<std::pair<std::string, std::string>>;

TSettingsEntries SettingsEntries(const TOptionFormSettings& settings);

// Reads one entry into the settings. False, leaving the settings as they were, for a key that is
// not one of SettingsEntries' or a value that is not of the setting's kind (a choice that is not
// an item, a check that is not "1" or "0"); a file edited by hand or written by another version
// then keeps the defaults for those keys.
bool ReadSettingsEntry(TOptionFormSettings& settings, std::string_view key, std::string_view value);

// Reads every entry and then brings the enabled states in line with what was read.
void ReadSettingsEntries(TOptionFormSettings& settings, const TSettingsEntries& entries);

}  // namespace mirelk
