// "Config.ini": the settings the desktop program keeps between starts. It lives beside the
// program in a build tree (when that folder can be written), else in the user's configuration
// folder: an installed program never writes into its own folders, even when run by root. Section
// names are matched regardless of case, as the file may have been written with either spelling.
#pragma once

#include <QString>
#include <utility>
#include <vector>

namespace mirelk::ui {

class TConfigFile {
public:
    static constexpr char kFileName[] = "Config.ini";
    static constexpr char kFormSection[] = "FormConfig";
    static constexpr char kFolderKey[] = "dir";
    static constexpr char kRunSection[] = "Conversion";
    // How many files convert at once; missing or below 1: as many as the machine has processors.
    static constexpr char kTasksAtOnceKey[] = "TasksAtOnce";
    // The option window's settings, one key a setting.
    static constexpr char kOptionsSection[] = "OutputOptions";

    using TEntries = std::vector<std::pair<QString, QString>>;

    explicit TConfigFile(const QString& programFolder);

    const QString& Path() const { return m_path; }
    // False when the file can be neither made nor written: settings then last only this run.
    bool Writable() const { return m_writable; }
    QString Value(const QString& section, const QString& key, const QString& fallback = {}) const;
    // False when the file could not be written.
    bool SetValue(const QString& section, const QString& key, const QString& value);
    // Every key of a section with its value as text (a value written as a list, such as an
    // unquoted "a,b" edited by hand, is joined again with commas).
    TEntries Entries(const QString& section) const;
    // Replaces the section's keys by the entries, in one write; false when it failed.
    bool SetEntries(const QString& section, const TEntries& entries);

    QString OutputFolder() const { return Value(kFormSection, kFolderKey); }
    bool SetOutputFolder(const QString& folder) { return SetValue(kFormSection, kFolderKey, folder); }
    int TasksAtOnce() const;

private:
    QString m_path;
    bool m_writable = false;
};

}  // namespace mirelk::ui
