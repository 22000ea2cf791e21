// What the main window does so that a user's list and files are not lost: the list kept on disk
// while the program runs and offered again after a crash, and the question before closing the
// window stops a run.
#include <QFileInfo>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

#include "binding/utilities.h"
#include "engine/files/output_check.h"
#include "form/main_window_pages.h"
#include "form/time_text.h"
#include "ui/file_list_model.h"
#include "ui/language.h"
#include "ui/main_window.h"

namespace mirelk::ui {

QString TfrmMain::ListFile() const { return m_listFile; }

void TfrmMain::ListChanged()
{
    if (m_saveList != nullptr) m_saveList->start();
}

void TfrmMain::SaveList()
{
    m_saveList->stop();
    TKeptList kept;
    kept.OutputFolder = m_folder->text();
    std::vector<TKeptRow>& rows = kept.Rows;
    rows.reserve(m_rows.size());
    for (const TRowEntry& entry : m_rows) {
        TKeptRow row;
        row.InputFile = QString::fromStdString(entry.InputFile);
        row.SubFolder = QString::fromStdString(entry.SubFolder);
        row.OutputFile = QString::fromStdString(entry.OutputFile);
        row.State = entry.State == rsFinished ? TKeptRow::ksFinished
                    : entry.State == rsFailed ? TKeptRow::ksFailed
                    : entry.State == rsStopped ? TKeptRow::ksStopped
                                               : TKeptRow::ksReady;
        row.ClipStart = QString::fromStdString(entry.ClipStart);
        row.ClipEnd = QString::fromStdString(entry.ClipEnd);
        row.CutClip = entry.CutClip;
        rows.push_back(std::move(row));
    }
    QString error;
    if (!WriteListJournal(m_listFile, kept, &error)) LogBlock("***Cannot keep the list: " + error);
}

bool TfrmMain::OfferListRestore()
{
    QString problem;
    TKeptList kept = ReadListJournal(m_listFile, &problem);
    std::vector<TKeptRow>& rows = kept.Rows;
    if (!problem.isEmpty()) LogBlock("***The last list is not restored: " + problem);
    if (rows.empty() || Adding() || m_converting) return false;
    QMessageBox ask(QMessageBox::Question, Tr("TfrmMain", "Restore the List"),
                    Tr("TfrmMain", "The program did not end normally last time. Restore its list of files (%1 in all)?")
                        .arg(rows.size()),
                    QMessageBox::NoButton, this);
    ask.setObjectName("dlgRestoreList");
    ask.setInformativeText(Tr("TfrmMain", "Files whose output is whole come back as finished; the others are converted "
                                        "by the next Convert."));
    QPushButton* restore = ask.addButton(Tr("TfrmMain", "Restore"), QMessageBox::AcceptRole);
    restore->setObjectName("btnRestoreList");
    QPushButton* discard = ask.addButton(Tr("TfrmMain", "Discard"), QMessageBox::RejectRole);
    discard->setObjectName("btnDiscardList");
    ask.setDefaultButton(restore);
    ask.exec();
    if (ask.clickedButton() != restore) {
        QString error;
        if (!WriteListJournal(m_listFile, TKeptList{}, &error)) LogBlock("***Cannot keep the list: " + error);
        return false;
    }
    // The rows' outputs go where they were going.
    m_folder->setText(kept.OutputFolder);
    for (TKeptRow& row : rows) {
        const QString folder = row.SubFolder;
        const QString input = row.InputFile;
        m_pending.push_back({input, folder, std::make_shared<const TKeptRow>(std::move(row))});
    }
    StartAdding(static_cast<int>(m_pending.size()));
    return true;
}

void TfrmMain::RestoreKeptRow(const TKeptRow& kept, std::int64_t durationMicroseconds)
{
    TRowEntry& row = m_rows.back();
    const int at = static_cast<int>(m_rows.size()) - 1;
    row.ClipStart = kept.ClipStart.toStdString();
    row.ClipEnd = kept.ClipEnd.toStdString();
    row.ClipStartText = row.ClipStart == "0" ? "0" : ClockText(ClipTextMicroseconds(row.ClipStart) / 1000000);
    row.ClipEndText = row.ClipEnd == "0" ? "0" : ClockText(ClipTextMicroseconds(row.ClipEnd) / 1000000);
    row.CutClip = kept.CutClip;
    if (kept.State != TKeptRow::ksFinished || kept.OutputFile.isEmpty()) return;
    // A finished row comes back finished only when its output is still whole: a run killed
    // before its rename leaves no such file, and a file changed since fails the check.
    const std::int64_t clip = ClipTextMicroseconds(row.ClipEnd) - ClipTextMicroseconds(row.ClipStart);
    const std::int64_t expected = row.ClipEnd != "0" && clip > 0 ? clip : durationMicroseconds;
    const std::string output = kept.OutputFile.toStdString();
    if (!QFileInfo(kept.OutputFile).isFile()) return;
    if (const std::string problem = CheckOutputFile(output, output, {}, expected > 0 ? expected : -1); !problem.empty()) {
        LogBlock("***" + QString::fromStdString(problem));
        return;
    }
    if (row.Task != kNoTask) {
        m_qelvan->RemoveTask(m_qelvan->IndexOfTask(row.Task));
        row.Task = kNoTask;
    }
    row.OutputFile = output;
    row.State = rsFinished;
    m_model->SetCell(at, TFileListModel::colOutput, QFileInfo(kept.OutputFile).fileName());
    m_model->SetToolTip(at, TFileListModel::colOutput, kept.OutputFile);
    m_model->SetCell(at, TFileListModel::colOutputSize,
                     QString::fromStdString(FormatFileSize(QFileInfo(kept.OutputFile).size())));
    ShowRowState(at);
}

void TfrmMain::CloseWithoutAsking()
{
    m_closeWithoutAsking = true;
    // The rows as they are now (a stop changes none that are saved) for the next start.
    if (!m_rows.empty()) SaveList();
    close();
}

bool TfrmMain::ConfirmStopOnClose()
{
    if ((!m_converting && !m_build) || m_closeWithoutAsking) return true;
    QMessageBox ask(QMessageBox::Question, Tr("TfrmMain", "Stop the Run"),
                    Tr("TfrmMain", "Files are being converted. Stop the run and close the window?"), QMessageBox::NoButton,
                    this);
    ask.setObjectName("dlgStopOnClose");
    ask.setInformativeText(Tr("TfrmMain", "Finished files are kept; the files being converted are kept as "
                                        "\"NAME (stopped)\"."));
    QPushButton* stop = ask.addButton(Tr("TfrmMain", "Stop"), QMessageBox::DestructiveRole);
    stop->setObjectName("btnStopRun");
    QPushButton* cancel = ask.addButton(Tr("TfrmMain", "Cancel"), QMessageBox::RejectRole);
    cancel->setObjectName("btnKeepRunning");
    ask.setDefaultButton(cancel);
    ask.setEscapeButton(cancel);
    ask.exec();
    return ask.clickedButton() == stop;
}

}  // namespace mirelk::ui
