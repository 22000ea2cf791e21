#include "ui/config_file.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>
#include <QThread>

#include "binding/program_folders.h"

namespace mirelk::ui {

namespace {

bool CanWriteIn(const QString& folder, const QString& file)
{
    const QFileInfo existing(file);
    if (existing.exists()) return existing.isFile() && existing.isWritable();
    const QFileInfo dir(folder);
    return dir.isDir() && dir.isWritable();
}

// The spelling of the section as the file has it (the first match regardless of case), or the
// one asked for when the file has none.
QString StoredSection(QSettings& settings, const QString& section)
{
    for (const QString& group : settings.childGroups())
        if (group.compare(section, Qt::CaseInsensitive) == 0) return group;
    return section;
}

}  // namespace

TConfigFile::TConfigFile(const QString& programFolder)
{
    const QString besideProgram = QDir(programFolder).filePath(kFileName);
    if (IsBuildTreeFolder(programFolder.toStdString()) && CanWriteIn(programFolder, besideProgram)) {
        m_path = besideProgram;
        m_writable = true;
        return;
    }
    const QString userFolder = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + "/mirelk";
    QDir().mkpath(userFolder);
    m_path = QDir(userFolder).filePath(kFileName);
    m_writable = CanWriteIn(userFolder, m_path);
}

QString TConfigFile::Value(const QString& section, const QString& key, const QString& fallback) const
{
    QSettings settings(m_path, QSettings::IniFormat);
    const QVariant value = settings.value(StoredSection(settings, section) + "/" + key);
    return value.isValid() ? value.toString() : fallback;
}

bool TConfigFile::SetValue(const QString& section, const QString& key, const QString& value)
{
    QSettings settings(m_path, QSettings::IniFormat);
    settings.setValue(StoredSection(settings, section) + "/" + key, value);
    settings.sync();
    return settings.status() == QSettings::NoError;
}

TConfigFile::TEntries TConfigFile::Entries(const QString& section) const
{
    QSettings settings(m_path, QSettings::IniFormat);
    settings.beginGroup(StoredSection(settings, section));
    TEntries entries;
    for (const QString& key : settings.childKeys()) {
        const QVariant value = settings.value(key);
        entries.emplace_back(key, value.typeId() == QMetaType::QStringList ? value.toStringList().join(',')
                                                                           : value.toString());
    }
    return entries;
}

bool TConfigFile::SetEntries(const QString& section, const TEntries& entries)
{
    QSettings settings(m_path, QSettings::IniFormat);
    settings.beginGroup(StoredSection(settings, section));
    settings.remove("");
    for (const auto& [key, value] : entries) settings.setValue(key, value);
    settings.endGroup();
    settings.sync();
    return settings.status() == QSettings::NoError;
}

int TConfigFile::TasksAtOnce() const
{
    bool number = false;
    const int tasks = Value(kRunSection, kTasksAtOnceKey).trimmed().toInt(&number);
    if (number && tasks >= 1) return tasks;
    return qMax(1, QThread::idealThreadCount());
}

}  // namespace mirelk::ui
