// Named presets: the option form's settings under a name, kept as small JSON files in the
// user's data folder, with built-in presets for common jobs that cannot be overwritten, and
// files to move presets between machines and versions.
//
// A preset file:
//   {"format": "mirelk-preset", "version": 1, "name": "Web (WebM)",
//    "settings": {"grpFormats": "WebM", "chkVideoQuality": "0", ...}}
// "settings" holds the option form's settings entries (settings_entries.h) by key, every value a
// text. A file of a later version may carry keys this one does not know: what is known loads,
// and the rest is named as skipped. Every failure throws TPresetError with a sentence for the
// user.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "form/option_form_settings.h"
#include "form/settings_entries.h"

namespace mirelk {

class TPresetError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

inline constexpr int kPresetVersion = 1;
// Far above any real preset; a larger file is refused before it is read.
inline constexpr std::int64_t kPresetFileLimit = 1 << 20;
// In bytes of UTF-8, so that a name stays a file name on every file system.
inline constexpr std::size_t kPresetNameLimit = 100;

struct TPresetContents {
    std::string Name;
    // The settings the preset gives: the form's defaults with the preset's entries read in.
    TOptionFormSettings Settings;
    // "key" for an entry this version does not know, "key (value)" for a value it cannot take,
    // and the file's own unknown fields.
    std::vector<std::string> Skipped;
};

// Why a text cannot name a preset, in a sentence; empty when it can.
std::string PresetNameProblem(std::string_view name);

// The preset file's text for settings under a name.
std::string PresetText(const std::string& name, const TOptionFormSettings& settings);
// Reads a preset's text; origin names it in messages ("the preset file '...'").
TPresetContents ParsePreset(const std::string& text, const std::string& origin);
// Reads a preset file (at most kPresetFileLimit bytes).
TPresetContents ReadPresetFile(const std::string& path);

class TPresetStore {
public:
    // "$XDG_DATA_HOME/mirelk/presets", "~/.local/share/mirelk/presets" by default.
    static std::string DefaultFolder();
    explicit TPresetStore(std::string folder = DefaultFolder());

    const std::string& Folder() const { return m_folder; }
    // The built-in names first, in their order, then the user's in alphabetical order.
    std::vector<std::string> Names() const;
    static bool IsBuiltIn(std::string_view name);

    TPresetContents Load(const std::string& name) const;
    // Saves settings under a new name; replace allows a user preset of that name to be
    // overwritten (never a built-in one). The file is written whole or not at all.
    void Save(const std::string& name, const TOptionFormSettings& settings, bool replace = false);
    void Rename(const std::string& from, const std::string& to);
    void Remove(const std::string& name);
    // Writes a preset (built-in ones too) to a file, which must not exist unless overwrite.
    void Export(const std::string& name, const std::string& path, bool overwrite = false) const;
    // Takes a preset file in under its own name (replace as for Save). Returns what it read.
    TPresetContents Import(const std::string& path, bool replace = false);

private:
    std::string PathOf(const std::string& name) const;
    // The user's preset whose name equals this one regardless of ASCII case, or empty.
    std::string UserNameLike(const std::string& name) const;
    void RequireWritableName(const std::string& name, bool replace, const std::string& keep = {}) const;

    std::string m_folder;
};

}  // namespace mirelk
