#include "ui/list_journal.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>
#include <QStandardPaths>
#include <iterator>

namespace mirelk::ui {

namespace {

constexpr char kFormat[] = "mirelk-list";
constexpr int kVersion = 1;
// A list of a hundred thousand files takes a few tens of megabytes.
constexpr qint64 kLargestList = 256LL << 20;
constexpr const char* kStates[] = {"ready", "finished", "failed", "stopped"};

QJsonObject RowObject(const TKeptRow& row)
{
    return QJsonObject{{"input", row.InputFile},
                       {"folder", row.SubFolder},
                       {"output", row.OutputFile},
                       {"state", kStates[row.State]},
                       {"clipStart", row.ClipStart},
                       {"clipEnd", row.ClipEnd},
                       {"cutClip", row.CutClip}};
}

TKeptRow RowOf(const QJsonObject& object)
{
    TKeptRow row;
    row.InputFile = object.value("input").toString();
    row.SubFolder = object.value("folder").toString();
    row.OutputFile = object.value("output").toString();
    const QString state = object.value("state").toString();
    for (std::size_t index = 0; index < std::size(kStates); ++index)
        if (state == kStates[index]) row.State = static_cast<TKeptRow::TState>(index);
    row.ClipStart = object.value("clipStart").toString("0");
    row.ClipEnd = object.value("clipEnd").toString("0");
    row.CutClip = object.value("cutClip").toBool();
    return row;
}

}  // namespace

QString ListJournalPath(const QString& configFile, const QString& programFolder)
{
    if (QFileInfo(configFile).absolutePath() == QFileInfo(programFolder).absoluteFilePath())
        return QDir(programFolder).filePath("list.json");
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + "/mirelk/list.json";
}

bool WriteListJournal(const QString& path, const TKeptList& kept, QString* error)
{
    if (kept.Rows.empty()) {
        if (!QFile::exists(path) || QFile::remove(path)) return true;
        *error = QString("cannot remove %1").arg(path);
        return false;
    }
    QJsonArray list;
    for (const TKeptRow& row : kept.Rows) list.append(RowObject(row));
    const QByteArray text = QJsonDocument(QJsonObject{{"format", kFormat},
                                                      {"version", kVersion},
                                                      {"outputFolder", kept.OutputFolder},
                                                      {"rows", list}})
                                .toJson(QJsonDocument::Compact);
    QDir().mkpath(QFileInfo(path).absolutePath());
    // Written beside the old one, synced, and renamed over it.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(text) != text.size() || !file.commit()) {
        *error = QString("cannot write %1: %2").arg(path, file.errorString());
        return false;
    }
    return true;
}

TKeptList ReadListJournal(const QString& path, QString* problem)
{
    QFile file(path);
    if (!file.exists()) return {};
    if (file.size() > kLargestList) {
        *problem = QString("%1 is too large to be a list of files").arg(path);
        return {};
    }
    if (!file.open(QIODevice::ReadOnly)) {
        *problem = QString("cannot read %1: %2").arg(path, file.errorString());
        return {};
    }
    QJsonParseError parse;
    const QJsonDocument document = QJsonDocument::fromJson(file.readAll(), &parse);
    const QJsonObject top = document.object();
    if (parse.error != QJsonParseError::NoError || top.value("format").toString() != kFormat ||
        !top.value("rows").isArray()) {
        *problem = QString("%1 is not a list of files").arg(path);
        return {};
    }
    TKeptList kept;
    kept.OutputFolder = top.value("outputFolder").toString();
    for (const QJsonValue& value : top.value("rows").toArray()) {
        TKeptRow row = RowOf(value.toObject());
        if (!row.InputFile.isEmpty()) kept.Rows.push_back(std::move(row));
    }
    return kept;
}

}  // namespace mirelk::ui
