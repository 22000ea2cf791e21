#include "form/presets.h"

#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <utility>

#include <nlohmann/json.hpp>

#include "form/form_text.h"

namespace mirelk {

namespace {

namespace fs = std::filesystem;
using nlohmann::json;

constexpr char kFormatName[] = "mirelk-preset";
constexpr char kEnding[] = ".json";

struct TBuiltInPreset {
    std::string_view Name;
    std::vector<std::pair<std::string_view, std::string_view>> Entries;
};

const std::vector<TBuiltInPreset>& BuiltInPresets()
{
    static const std::vector<TBuiltInPreset> presets{
        {"Web (WebM)", {{"grpFormats", "WebM"}}},
        {"Phone (MP4 H.264 720p)",
         {{"grpFormats", "MP4"}, {"grpVideoCodec", "X264"}, {"grpAudioCodec", "AAC"}, {"cboFrameSize", "1280x720 - hd720"},
          {"chkVideoQuality", "1"}, {"edtVideoQuality", "23"}, {"chkAudioQuality", "1"}}},
        {"Archive (MKV AV1)",
         {{"grpFormats", "MKV-AV1"}, {"chkVideoQuality", "1"}, {"edtVideoQuality", "24"}, {"grpEncoderSpeed", "Slow"}}},
        {"Music (FLAC)", {{"grpFormats", "FLAC"}}},
        // Speech in one channel needs far less than music.
        {"Podcast (Opus mono)",
         {{"grpFormats", "Opus"}, {"grpAudioChannels", "Mono"}, {"chkAudioQuality", "1"}, {"edtAudioQuality", "32"}}},
    };
    return presets;
}

const TBuiltInPreset* FindBuiltIn(std::string_view name)
{
    for (const TBuiltInPreset& preset : BuiltInPresets())
        if (form::EqualsIgnoringCase(preset.Name, name)) return &preset;
    return nullptr;
}

std::string Quoted(std::string_view text) { return "'" + std::string(text) + "'"; }

std::string ReadWhole(const std::string& path, const std::string& origin)
{
    std::error_code error;
    if (!fs::is_regular_file(path, error)) throw TPresetError("Cannot read " + origin + ": there is no such file.");
    const std::uintmax_t size = fs::file_size(path, error);
    if (error) throw TPresetError("Cannot read " + origin + ": " + error.message() + ".");
    if (size > static_cast<std::uintmax_t>(kPresetFileLimit)) {
        char megabytes[32];
        std::snprintf(megabytes, sizeof megabytes, "%.1f", static_cast<double>(size) / (1 << 20));
        throw TPresetError("Cannot read " + origin + ": it holds " + megabytes +
                           " MB, and a preset is at most 1 MB.");
    }
    std::ifstream file(path, std::ios::binary);
    std::string text((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    if (!file.good() && !file.eof()) throw TPresetError("Cannot read " + origin + ".");
    return text;
}

// Writes beside the target and renames over it, so that a reader never sees half a file.
void WriteWhole(const std::string& path, const std::string& text, bool overwrite, const std::string& origin)
{
    std::error_code error;
    if (!overwrite && fs::exists(path, error))
        throw TPresetError("Cannot write " + origin + ": the file exists.");
    const fs::path target(path);
    if (!target.parent_path().empty()) fs::create_directories(target.parent_path(), error);
    std::string temporary = (target.parent_path() / (".preset-XXXXXX")).string();
    const int descriptor = ::mkstemp(temporary.data());
    if (descriptor < 0) throw TPresetError("Cannot write " + origin + ": " + std::strerror(errno) + ".");
    std::size_t written = 0;
    while (written < text.size()) {
        const ssize_t count = ::write(descriptor, text.data() + written, text.size() - written);
        if (count <= 0) break;
        written += static_cast<std::size_t>(count);
    }
    const bool complete = written == text.size() && ::fsync(descriptor) == 0;
    const int reason = errno;
    ::close(descriptor);
    if (!complete || std::rename(temporary.c_str(), path.c_str()) != 0) {
        const int failure = complete ? errno : reason;
        std::remove(temporary.c_str());
        throw TPresetError("Cannot write " + origin + ": " + std::strerror(failure) + ".");
    }
}

bool IsSettingsKey(const std::string& key)
{
    static const TSettingsEntries entries = SettingsEntries(TOptionFormSettings());
    return std::any_of(entries.begin(), entries.end(), [&key](const auto& entry) { return entry.first == key; });
}

std::string FileOrigin(const std::string& path) { return "the preset file " + Quoted(path); }

}  // namespace

std::string PresetNameProblem(std::string_view name)
{
    if (form::Trimmed(name).empty()) return "A preset needs a name.";
    if (name.size() > kPresetNameLimit)
        return "A preset name has at most " + std::to_string(kPresetNameLimit) + " characters.";
    if (name.find('/') != std::string_view::npos || name.find('\\') != std::string_view::npos)
        return "A preset name cannot hold a slash: " + Quoted(name) + ".";
    if (name.front() == '.') return "A preset name cannot begin with a dot: " + Quoted(name) + ".";
    if (std::any_of(name.begin(), name.end(), [](char c) { return static_cast<unsigned char>(c) < ' ' || c == 0x7f; }))
        return "A preset name cannot hold control characters.";
    if (form::Trimmed(name) != name) return "A preset name cannot begin or end with a blank.";
    return {};
}

std::string PresetText(const std::string& name, const TOptionFormSettings& settings)
{
    json settingsObject = json::object();
    for (const auto& [key, value] : SettingsEntries(settings)) settingsObject[key] = value;
    json preset = json::object();
    preset["format"] = kFormatName;
    preset["version"] = kPresetVersion;
    preset["name"] = name;
    preset["settings"] = std::move(settingsObject);
    // Invalid UTF-8 in a text is replaced rather than refused: a preset is always written.
    return preset.dump(2, ' ', false, json::error_handler_t::replace) + "\n";
}

TPresetContents ParsePreset(const std::string& text, const std::string& origin)
{
    const json preset = json::parse(text, nullptr, false);
    if (preset.is_discarded()) throw TPresetError("Cannot read " + origin + ": it is not JSON.");
    if (!preset.is_object() || !preset.contains("format") || preset["format"] != kFormatName)
        throw TPresetError("Cannot read " + origin + ": it is not a Mirelk preset.");
    if (!preset.contains("version") || !preset["version"].is_number_integer() || preset["version"].get<long long>() < 1)
        throw TPresetError("Cannot read " + origin + ": it has no version.");
    if (!preset.contains("settings") || !preset["settings"].is_object())
        throw TPresetError("Cannot read " + origin + ": it has no settings.");

    TPresetContents contents;
    if (preset.contains("name") && preset["name"].is_string()) contents.Name = preset["name"].get<std::string>();
    for (const auto& [field, value] : preset.items())
        if (field != "format" && field != "version" && field != "name" && field != "settings")
            contents.Skipped.push_back(field);
    TSettingsEntries known;
    for (const auto& [key, value] : preset["settings"].items()) {
        if (!value.is_string()) {
            contents.Skipped.push_back(key + " (" + value.dump(-1, ' ', false, json::error_handler_t::replace) + ")");
            continue;
        }
        TOptionFormSettings trial;
        if (!ReadSettingsEntry(trial, key, value.get<std::string>())) {
            contents.Skipped.push_back(IsSettingsKey(key) ? key + " (" + value.get<std::string>() + ")" : key);
            continue;
        }
        known.emplace_back(key, value.get<std::string>());
    }
    ReadSettingsEntries(contents.Settings, known);
    return contents;
}

TPresetContents ReadPresetFile(const std::string& path)
{
    TPresetContents contents = ParsePreset(ReadWhole(path, FileOrigin(path)), FileOrigin(path));
    if (contents.Name.empty()) contents.Name = fs::path(path).stem().string();
    return contents;
}

std::string TPresetStore::DefaultFolder()
{
    const char* data = std::getenv("XDG_DATA_HOME");
    if (data != nullptr && data[0] == '/') return std::string(data) + "/mirelk/presets";
    const char* home = std::getenv("HOME");
    return std::string(home != nullptr ? home : "") + "/.local/share/mirelk/presets";
}

TPresetStore::TPresetStore(std::string folder) : m_folder(std::move(folder)) {}

bool TPresetStore::IsBuiltIn(std::string_view name) { return FindBuiltIn(name) != nullptr; }

std::vector<std::string> TPresetStore::Names() const
{
    std::vector<std::string> names;
    for (const TBuiltInPreset& preset : BuiltInPresets()) names.emplace_back(preset.Name);
    std::vector<std::string> users;
    std::error_code error;
    for (fs::directory_iterator entry(m_folder, error), end; !error && entry != end; entry.increment(error)) {
        const fs::path path = entry->path();
        const std::string name = path.stem().string();
        if (path.extension() == kEnding && PresetNameProblem(name).empty() && !IsBuiltIn(name)) users.push_back(name);
    }
    std::sort(users.begin(), users.end());
    names.insert(names.end(), users.begin(), users.end());
    return names;
}

std::string TPresetStore::PathOf(const std::string& name) const { return m_folder + "/" + name + kEnding; }

std::string TPresetStore::UserNameLike(const std::string& name) const
{
    for (const std::string& existing : Names())
        if (!IsBuiltIn(existing) && form::EqualsIgnoringCase(existing, name)) return existing;
    return {};
}

void TPresetStore::RequireWritableName(const std::string& name, bool replace, const std::string& keep) const
{
    const std::string problem = PresetNameProblem(name);
    if (!problem.empty()) throw TPresetError(problem);
    if (IsBuiltIn(name)) throw TPresetError(Quoted(name) + " is a built-in preset and cannot be overwritten.");
    const std::string existing = UserNameLike(name);
    if (existing.empty() || existing == keep) return;
    if (!replace || existing != name)
        throw TPresetError("A preset named " + Quoted(existing) + " exists; choose another name" +
                           (existing == name ? " or replace it." : "."));
}

TPresetContents TPresetStore::Load(const std::string& name) const
{
    if (const TBuiltInPreset* builtIn = FindBuiltIn(name)) {
        TPresetContents contents;
        contents.Name = builtIn->Name;
        TSettingsEntries entries;
        for (const auto& [key, value] : builtIn->Entries) entries.emplace_back(key, value);
        ReadSettingsEntries(contents.Settings, entries);
        return contents;
    }
    const std::string problem = PresetNameProblem(name);
    if (!problem.empty()) throw TPresetError(problem);
    const std::string existing = UserNameLike(name);
    if (existing.empty()) throw TPresetError("There is no preset named " + Quoted(name) + ".");
    TPresetContents contents = ParsePreset(ReadWhole(PathOf(existing), "the preset " + Quoted(existing)),
                                           "the preset " + Quoted(existing));
    contents.Name = existing;
    return contents;
}

void TPresetStore::Save(const std::string& name, const TOptionFormSettings& settings, bool replace)
{
    RequireWritableName(name, replace);
    WriteWhole(PathOf(name), PresetText(name, settings), true, "the preset " + Quoted(name));
}

void TPresetStore::Rename(const std::string& from, const std::string& to)
{
    if (IsBuiltIn(from)) throw TPresetError(Quoted(from) + " is a built-in preset and cannot be renamed.");
    TPresetContents contents = Load(from);
    RequireWritableName(to, false, contents.Name);
    WriteWhole(PathOf(to), PresetText(to, contents.Settings), true, "the preset " + Quoted(to));
    if (contents.Name != to) std::remove(PathOf(contents.Name).c_str());
}

void TPresetStore::Remove(const std::string& name)
{
    if (IsBuiltIn(name)) throw TPresetError(Quoted(name) + " is a built-in preset and cannot be deleted.");
    const std::string existing = UserNameLike(name);
    if (existing.empty() || !PresetNameProblem(name).empty())
        throw TPresetError("There is no preset named " + Quoted(name) + ".");
    if (std::remove(PathOf(existing).c_str()) != 0)
        throw TPresetError("Cannot delete the preset " + Quoted(existing) + ": " + std::strerror(errno) + ".");
}

void TPresetStore::Export(const std::string& name, const std::string& path, bool overwrite) const
{
    const TPresetContents contents = Load(name);
    WriteWhole(path, PresetText(contents.Name, contents.Settings), overwrite, FileOrigin(path));
}

TPresetContents TPresetStore::Import(const std::string& path, bool replace)
{
    TPresetContents contents = ReadPresetFile(path);
    RequireWritableName(contents.Name, replace);
    WriteWhole(PathOf(contents.Name), PresetText(contents.Name, contents.Settings), true,
               "the preset " + Quoted(contents.Name));
    return contents;
}

}  // namespace mirelk
