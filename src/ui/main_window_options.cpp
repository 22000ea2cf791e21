// The main window with the option window: the form's settings kept in "Config.ini", the selected
// row's file and clip shown in the option window, and clips marked there kept with the row.
#include <QTimer>

#include "form/main_window_pages.h"
#include "form/settings_entries.h"
#include "form/time_text.h"
#include "ui/main_window.h"
#include "ui/option_window.h"
#include "ui/playback_panel.h"

namespace mirelk::ui {

TOptionForm& TfrmMain::OptionForm()
{
    if (!m_optionForm) {
        m_optionForm = std::make_unique<TOptionForm>(m_programFolder.toStdString());
        TSettingsEntries entries;
        for (const auto& [key, value] : m_config.Entries(TConfigFile::kOptionsSection))
            entries.emplace_back(key.toStdString(), value.toStdString());
        ReadSettingsEntries(m_optionForm->Settings, entries);
        // Replacing files is a choice for today unless the user asked to keep it.
        if (!m_optionForm->Settings.RememberOverwrite) m_optionForm->Settings.Overwrite = false;
    }
    return *m_optionForm;
}

void TfrmMain::SaveOptionSettings()
{
    m_saveOptions->stop();
    // A configuration folder that cannot be written was told once at start.
    if (!m_optionForm || !m_config.Writable()) return;
    TOptionFormSettings kept = m_optionForm->Settings;
    if (!kept.RememberOverwrite) kept.Overwrite = false;
    TConfigFile::TEntries entries;
    for (const auto& [key, value] : SettingsEntries(kept))
        entries.emplace_back(QString::fromStdString(key), QString::fromStdString(value));
    if (!m_config.SetEntries(TConfigFile::kOptionsSection, entries))
        LogBlock("***Cannot write the settings to " + m_config.Path());
}

TfrmOption& TfrmMain::ShowOptionWindow()
{
    if (!m_optionWindow) {
        m_optionWindow = std::make_unique<TfrmOption>(OptionForm(), this);
        connect(m_optionWindow.get(), &TfrmOption::SettingsChanged, m_saveOptions, qOverload<>(&QTimer::start));
        connect(m_optionWindow.get(), &TfrmOption::SettingsChanged, this, [this] {
            ShowSettingsLine();
            m_refreshNames->start();
        });
        connect(m_optionWindow.get(), &TfrmOption::ClipMarked, this, &TfrmMain::OptionClipMarked);
        connect(m_optionWindow.get(), &TfrmOption::CutClipChanged, this, [this](bool checked) {
            if (TRowEntry* row = SelectedRow(); row != nullptr && row->InputFile == m_optionWindow->ShownFile())
                row->CutClip = checked;
        });
    }
    // The preview needs the libraries; without them the settings can still be chosen.
    LoadLibraries();
    m_optionWindow->ShowSettings();
    m_optionWindow->show();
    m_optionWindow->raise();
    m_optionWindow->activateWindow();
    HandRowToOptionWindow();
    return *m_optionWindow;
}

TfrmMain::TRowEntry* TfrmMain::SelectedRow()
{
    const int row = CurrentRow();
    if (row < 0) return nullptr;
    return &m_rows[static_cast<std::size_t>(row)];
}

void TfrmMain::HandRowToOptionWindow()
{
    if (!m_optionWindow || !m_optionWindow->isVisible() || m_formInUse) return;
    const TRowEntry* row = SelectedRow();
    const std::string file = row != nullptr ? row->InputFile : std::string();
    if (!file.empty()) LoadLibraries();
    if (file != m_optionWindow->ShownFile() || file.empty())
        m_optionWindow->ShowFile(file);
    else
        m_optionWindow->GiveFileBack();
    if (row != nullptr) m_optionWindow->ShowClip(row->ClipStart, row->ClipEnd, row->CutClip);
    m_optionWindow->ShowSettings();
}

void TfrmMain::OptionClipMarked(bool start)
{
    TRowEntry* row = SelectedRow();
    if (row == nullptr || row->InputFile != m_optionWindow->ShownFile()) return;
    const TOptionForm& form = OptionForm();
    const std::int64_t time = form.PreviewSlider().TimeOfPosition(form.PreviewSlider().Position());
    const std::string clock = ClockText(time / 1000000);
    if (start) {
        row->ClipStart = TimeText(time);
        row->ClipStartText = clock;
    } else {
        row->ClipEnd = TimeText(time);
        row->ClipEndText = clock;
    }
    row->CutClip = form.Settings.CutClip;
    m_playback->ShowMarks(QString::fromStdString(row->ClipStartText), QString::fromStdString(row->ClipEndText));
    ListChanged();
}

}  // namespace mirelk::ui
