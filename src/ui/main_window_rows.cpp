// The main window's rows one by one (their state, context menu and keys: stop, retry, convert
// again, open the output's folder, play the output, remove) and the end of a run: the tool bar
// back to the state after adding, the status bar's count, one summary box, and a desktop
// notification when the window is not the active one.
#include <QAction>
#include <QApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDesktopServices>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QSystemTrayIcon>
#include <QTimer>
#include <QToolButton>
#include <QTableView>
#include <QUrl>

#include "form/option_form_settings.h"
#include "ui/file_list_model.h"
#include "ui/language.h"
#include "ui/main_window.h"

namespace mirelk::ui {

namespace {

constexpr int kProgressColumn = TFileListModel::colProgress;
constexpr char kContext[] = "TfrmMain";

}  // namespace

QString TfrmMain::FolderText() const
{
    return m_folder->text().isEmpty() ? QString(kSameAsInput) : m_folder->text();
}

void TfrmMain::ShowStatus(std::function<QString()> text)
{
    m_statusText = std::move(text);
    m_status->setText(m_statusText());
}

QString TfrmMain::StatusText() const { return m_status->text(); }

std::string TfrmMain::OutputFile(int row) const
{
    return row >= 0 && row < static_cast<int>(m_rows.size()) ? m_rows[static_cast<std::size_t>(row)].OutputFile
                                                              : std::string();
}

void TfrmMain::ShowRowState(int row)
{
    if (row < 0 || row >= m_model->rowCount() || row >= static_cast<int>(m_rows.size())) return;
    const TRowEntry& entry = m_rows[static_cast<std::size_t>(row)];
    switch (entry.State) {
    case rsReady:
        return;
    case rsFinished:
        m_model->SetCell(row, kProgressColumn, "100%");
        break;
    case rsFailed:
        m_model->SetCell(row, kProgressColumn, Tr("TfrmMain", "Failed"));
        break;
    case rsStopped:
        m_model->SetCell(row, kProgressColumn, Tr("TfrmMain", "Stopped"));
        break;
    }
    const QString tip = entry.Failure.isEmpty() ? QString() : entry.Failure;
    for (int column = 0; column < TFileListModel::kColumns; ++column)
        if (column != TFileListModel::colName && column != TFileListModel::colOutput) m_model->SetToolTip(row, column, tip);
    UpdateRowActions();
}

void TfrmMain::RunEnded()
{
    FlushLog();
    int finished = 0;
    int failed = 0;
    int stopped = 0;
    QStringList failures;
    for (const TRowEntry& row : m_rows) {
        if (!row.InRun) continue;
        if (row.State == rsFinished) ++finished;
        if (row.State == rsStopped || row.State == rsReady) ++stopped;
        if (row.State == rsFailed) {
            ++failed;
            failures << QString("%1: %2").arg(QFileInfo(QString::fromStdString(row.InputFile)).fileName(), row.Failure);
        }
    }
    const bool rows = !m_rows.empty();
    SetToolStates(true, rows, rows, false, false, false);
    m_delete->setEnabled(rows);
    UpdateRowActions();
    const QString folder = m_folder->text();
    const auto summary = [finished, failed, stopped, folder] {
        return Tr("TfrmMain", "Done: %1 finished, %2 failed, %3 stopped. Outputs are %4.")
            .arg(finished)
            .arg(failed)
            .arg(stopped)
            .arg(folder.isEmpty() ? Tr("TfrmMain", "beside each input file") : Tr("TfrmMain", "in %1").arg(folder));
    };
    ShowStatus(summary);
    if (!isActiveWindow()) Notify(Tr("TfrmMain", "Conversion finished"), summary());
    if (failed > 0) {
        // One box for the whole run, never one a file; the rows keep the reasons.
        auto* box = new QMessageBox(QMessageBox::Warning, QApplication::applicationName(),
                                    Tr("TfrmMain", "Files that could not be converted: %1").arg(failed), QMessageBox::Ok,
                                    this);
        box->setObjectName("RunSummaryBox");
        box->setInformativeText(failures.mid(0, 10).join('\n') + (failures.size() > 10 ? "\n..." : ""));
        box->setDetailedText(failures.join('\n'));
        box->setAttribute(Qt::WA_DeleteOnClose);
        box->setWindowModality(Qt::NonModal);
        box->show();
    }
}

void TfrmMain::Notify(const QString& title, const QString& text)
{
    emit Notified(title, text);
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (bus.isConnected()) {
        QDBusMessage call = QDBusMessage::createMethodCall("org.freedesktop.Notifications", "/org/freedesktop/Notifications",
                                                           "org.freedesktop.Notifications", "Notify");
        call << QApplication::applicationName() << 0u << QString("mirelk") << title << text << QStringList()
             << QVariantMap() << -1;
        // Not waited for: a desktop without a notification service just does not answer.
        bus.send(call);
        return;
    }
    if (QSystemTrayIcon::isSystemTrayAvailable()) {
        auto* tray = new QSystemTrayIcon(windowIcon(), this);
        tray->show();
        tray->showMessage(title, text);
        QTimer::singleShot(10000, tray, &QObject::deleteLater);
    }
}

void TfrmMain::StopRow(int row)
{
    if (row < 0 || row >= static_cast<int>(m_rows.size())) return;
    const TTaskId task = m_rows[static_cast<std::size_t>(row)].Task;
    if (m_converting && task != kNoTask) m_qelvan->StopTask(m_qelvan->IndexOfTask(task));
}

void TfrmMain::RetryRow(int row)
{
    if (m_converting || row < 0 || row >= static_cast<int>(m_rows.size())) return;
    const TRowState state = m_rows[static_cast<std::size_t>(row)].State;
    if (state != rsFailed && state != rsStopped) return;
    ConvertRowsAgain({row});
}

void TfrmMain::ConvertRowsAgain(const std::vector<int>& rows)
{
    if (m_converting) return;
    std::vector<bool> only(m_rows.size(), false);
    for (int row : rows)
        if (row >= 0 && row < static_cast<int>(m_rows.size())) only[static_cast<std::size_t>(row)] = true;
    Convert(true, &only);
}

void TfrmMain::RemoveRow(int row)
{
    if (m_converting || row < 0 || row >= m_model->rowCount()) return;
    SelectRow(row);
    m_delete->click();
}

bool TfrmMain::OpenRowFolder(int row)
{
    const QString file = QString::fromStdString(OutputFile(row));
    if (file.isEmpty()) return false;
    const QString folder = QFileInfo(file).absolutePath();
    if (QDesktopServices::openUrl(QUrl::fromLocalFile(folder))) return true;
    ShowStatus([=] { return Tr("TfrmMain", "The desktop has no program to open %1.").arg(folder); });
    return false;
}

bool TfrmMain::PlayRowOutput(int row)
{
    const QString file = QString::fromStdString(OutputFile(row));
    if (file.isEmpty() || !QFileInfo::exists(file)) {
        ShowStatus([=] { return Tr("TfrmMain", "%1 is not there yet.").arg(file); });
        return false;
    }
    if (QDesktopServices::openUrl(QUrl::fromLocalFile(file))) return true;
    ShowStatus([=] { return Tr("TfrmMain", "The desktop has no program to open %1.").arg(file); });
    return false;
}

void TfrmMain::ShowRowMenu(const QPoint& position)
{
    if (m_rowMenu == nullptr) return;
    if (const QModelIndex at = m_files->indexAt(position); at.isValid()) SelectRow(at.row());
    m_rowMenu->popup(m_files->viewport()->mapToGlobal(position));
}

void TfrmMain::BuildRowMenu()
{
    m_rowMenu = new QMenu(this);
    m_rowMenu->setObjectName("mnuRow");
    const auto add = [this](const char* name, const char* text, const QKeySequence& keys, auto handler) {
        auto* action = new QAction(m_files);
        action->setObjectName(name);
        SetTrText(action, kContext, text);
        action->setShortcut(keys);
        // The keys act on the list's selected row while the list has the focus.
        action->setShortcutContext(Qt::WidgetWithChildrenShortcut);
        m_files->addAction(action);
        m_rowMenu->addAction(action);
        connect(action, &QAction::triggered, this, [this, handler] {
            if (const int current = CurrentRow(); current >= 0) (this->*handler)(current);
        });
        return action;
    };
    m_stopRow = add("mnuStopRow", QT_TRANSLATE_NOOP("TfrmMain", "Stop This File"), QKeySequence("Ctrl+."), &TfrmMain::StopRow);
    m_retryRow = add("mnuRetryRow", QT_TRANSLATE_NOOP("TfrmMain", "Retry"), QKeySequence("Ctrl+R"), &TfrmMain::RetryRow);
    m_againRows = add("mnuConvertAgain", QT_TRANSLATE_NOOP("TfrmMain", "Convert Again"), QKeySequence("Ctrl+Shift+R"),
                      &TfrmMain::ConvertRowAgain);
    m_rowMenu->addSeparator();
    m_openRowFolder = add("mnuOpenOutputFolder", QT_TRANSLATE_NOOP("TfrmMain", "Open Output Folder"),
                          QKeySequence("Ctrl+Shift+O"), &TfrmMain::OpenRowFolderCommand);
    m_playRow = add("mnuPlayOutput", QT_TRANSLATE_NOOP("TfrmMain", "Play Output"), QKeySequence("Ctrl+P"),
                    &TfrmMain::PlayRowCommand);
    m_rowMenu->addSeparator();
    m_removeRow = add("mnuRemoveRow", QT_TRANSLATE_NOOP("TfrmMain", "Remove"), QKeySequence(), &TfrmMain::RemoveRow);
    connect(m_rowMenu, &QMenu::aboutToShow, this, &TfrmMain::UpdateRowActions);
    UpdateRowActions();
}

void TfrmMain::UpdateRowActions()
{
    if (m_stopRow == nullptr) return;
    const int row = CurrentRow();
    const TRowEntry* entry = row >= 0 && row < static_cast<int>(m_rows.size()) ? &m_rows[static_cast<std::size_t>(row)] : nullptr;
    const bool idle = !m_converting;
    m_stopRow->setEnabled(entry != nullptr && m_converting && entry->Task != kNoTask && entry->State == rsReady);
    m_retryRow->setEnabled(entry != nullptr && idle && (entry->State == rsFailed || entry->State == rsStopped));
    m_againRows->setEnabled(entry != nullptr && idle && entry->State == rsFinished);
    m_openRowFolder->setEnabled(entry != nullptr && !entry->OutputFile.empty());
    m_playRow->setEnabled(entry != nullptr && entry->State == rsFinished);
    m_removeRow->setEnabled(entry != nullptr && idle);
}

void TfrmMain::ConvertRowAgain(int row) { ConvertRowsAgain({row}); }
void TfrmMain::OpenRowFolderCommand(int row) { OpenRowFolder(row); }
void TfrmMain::PlayRowCommand(int row) { PlayRowOutput(row); }

}  // namespace mirelk::ui
