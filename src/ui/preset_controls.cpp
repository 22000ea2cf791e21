#include "ui/preset_controls.h"

#include <QComboBox>
#include <QEvent>
#include <QFileDialog>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QStringList>

#include "ui/language.h"

namespace mirelk::ui {

namespace {

constexpr char kContext[] = "TPresetControls";

// The built-in presets' names as the list shows them; the store knows them in English.
[[maybe_unused]] constexpr const char* kBuiltInNames[] = {
    QT_TRANSLATE_NOOP("TPresetControls", "Web (WebM)"),
    QT_TRANSLATE_NOOP("TPresetControls", "Phone (MP4 H.264 720p)"),
    QT_TRANSLATE_NOOP("TPresetControls", "Archive (MKV AV1)"),
    QT_TRANSLATE_NOOP("TPresetControls", "Music (FLAC)"),
    QT_TRANSLATE_NOOP("TPresetControls", "Podcast (Opus mono)"),
};

QString Text(const std::string& text) { return QString::fromStdString(text); }

QPushButton* Button(QWidget* parent, const char* name, const char* caption)
{
    auto* button = new QPushButton(parent);
    button->setObjectName(name);
    SetTrText(button, kContext, caption);
    return button;
}

QString Filter() { return Tr("TPresetControls", "Presets (*.json);;All files (*)"); }

TPresetControls::TDialogs QtDialogs(QWidget* parent)
{
    TPresetControls::TDialogs dialogs;
    dialogs.AskName = [parent](const QString& title, const QString& label,
                               const QString& initial) -> std::optional<QString> {
        bool ok = false;
        const QString name = QInputDialog::getText(parent, title, label, QLineEdit::Normal, initial, &ok);
        if (!ok) return std::nullopt;
        return name;
    };
    dialogs.Confirm = [parent](const QString& question) {
        return QMessageBox::question(parent, Tr("TPresetControls", "Presets"), question) == QMessageBox::Yes;
    };
    dialogs.ChooseFileToOpen = [parent] {
        return QFileDialog::getOpenFileName(parent, Tr("TPresetControls", "Import Preset"), QString(), Filter());
    };
    dialogs.ChooseFileToSave = [parent](const QString& suggestedName) {
        return QFileDialog::getSaveFileName(parent, Tr("TPresetControls", "Export Preset"), suggestedName, Filter());
    };
    dialogs.Tell = [parent](TPresetControls::TMessageKind kind, const QString& text) {
        const QMessageBox::Icon icon = kind == TPresetControls::mkError     ? QMessageBox::Critical
                                       : kind == TPresetControls::mkWarning ? QMessageBox::Warning
                                                                            : QMessageBox::Information;
        QMessageBox box(icon, Tr("TPresetControls", "Presets"), text, QMessageBox::Ok, parent);
        box.setObjectName("PresetMessageBox");
        box.exec();
    };
    return dialogs;
}

}  // namespace

TPresetControls::TPresetControls(TOptionForm& form, QWidget* parent)
    : QGroupBox(parent), m_form(form), m_dialogs(QtDialogs(this))
{
    setObjectName("grpPresets");
    SetTrText(this, kContext, QT_TRANSLATE_NOOP("TPresetControls", "Presets"));
    m_names = new QComboBox(this);
    m_names->setObjectName("cboPresets");
    m_names->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    m_apply = Button(this, "btnPresetApply", QT_TRANSLATE_NOOP("TPresetControls", "Apply"));
    SetTrToolTip(m_apply, kContext, QT_TRANSLATE_NOOP("TPresetControls", "Every setting as the preset has it"));
    QPushButton* save = Button(this, "btnPresetSave", QT_TRANSLATE_NOOP("TPresetControls", "Save As..."));
    SetTrToolTip(save, kContext, QT_TRANSLATE_NOOP("TPresetControls", "The settings of now as a preset of your own"));
    m_rename = Button(this, "btnPresetRename", QT_TRANSLATE_NOOP("TPresetControls", "Rename..."));
    m_delete = Button(this, "btnPresetDelete", QT_TRANSLATE_NOOP("TPresetControls", "Delete"));
    QPushButton* exportButton = Button(this, "btnPresetExport", QT_TRANSLATE_NOOP("TPresetControls", "Export..."));
    QPushButton* importButton = Button(this, "btnPresetImport", QT_TRANSLATE_NOOP("TPresetControls", "Import..."));

    auto* layout = new QGridLayout(this);
    auto* top = new QHBoxLayout;
    top->addWidget(m_names, 1);
    top->addWidget(m_apply);
    top->addWidget(save);
    layout->addLayout(top, 0, 0);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(m_rename);
    bottom->addWidget(m_delete);
    bottom->addStretch(1);
    bottom->addWidget(exportButton);
    bottom->addWidget(importButton);
    layout->addLayout(bottom, 1, 0);

    connect(m_names, &QComboBox::currentIndexChanged, this, &TPresetControls::ShowButtonStates);
    connect(m_apply, &QPushButton::clicked, this, &TPresetControls::Apply);
    connect(save, &QPushButton::clicked, this, &TPresetControls::SaveAs);
    connect(m_rename, &QPushButton::clicked, this, &TPresetControls::Rename);
    connect(m_delete, &QPushButton::clicked, this, &TPresetControls::Delete);
    connect(exportButton, &QPushButton::clicked, this, &TPresetControls::Export);
    connect(importButton, &QPushButton::clicked, this, &TPresetControls::Import);
    ShowNames();
}

void TPresetControls::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::LanguageChange) ShowNames(ChosenName());
    QGroupBox::changeEvent(event);
}

void TPresetControls::ShowNames(const QString& choose)
{
    const QSignalBlocker quiet(m_names);
    m_names->clear();
    for (const std::string& name : m_store.Names()) {
        // Built-in names are shown in the window's language; the item keeps the store's name.
        const QString shown = TPresetStore::IsBuiltIn(name) ? Tr("TPresetControls", name.c_str()) : Text(name);
        m_names->addItem(shown, Text(name));
    }
    const int chosen = m_names->findData(choose);
    m_names->setCurrentIndex(chosen >= 0 ? chosen : 0);
    ShowButtonStates();
}

QString TPresetControls::ChosenName() const { return m_names->currentData().toString(); }

bool TPresetControls::IsUserPreset(const QString& name) const
{
    for (const std::string& existing : m_store.Names())
        if (Text(existing) == name) return !TPresetStore::IsBuiltIn(existing);
    return false;
}

void TPresetControls::ShowButtonStates()
{
    const QString name = ChosenName();
    m_apply->setEnabled(!name.isEmpty());
    // Built-in presets cannot be renamed or deleted.
    const bool own = IsUserPreset(name);
    m_rename->setEnabled(own);
    m_delete->setEnabled(own);
}

void TPresetControls::Refused(const QString& what, const TPresetError& error)
{
    m_dialogs.Tell(mkError, what + "\n" + QString::fromUtf8(error.what()));
}

void TPresetControls::TellSkipped(const QString& what, const std::vector<std::string>& skipped)
{
    QStringList names;
    for (const std::string& entry : skipped) names << Text(entry);
    m_dialogs.Tell(mkWarning, what + "\n" + names.join(", "));
}

void TPresetControls::Apply()
{
    const QString name = ChosenName();
    if (name.isEmpty()) return;
    try {
        const TPresetContents contents = m_store.Load(name.toStdString());
        // The output folder belongs to the main window and the clip to the shown file.
        TOptionFormSettings settings = contents.Settings;
        settings.OutputFolder = m_form.Settings.OutputFolder;
        settings.CutClip = m_form.Settings.CutClip;
        settings.CutClipEnabled = m_form.Settings.CutClipEnabled;
        m_form.Settings = settings;
        emit Applied();
        if (!contents.Skipped.empty())
            TellSkipped(Tr("TPresetControls", "The preset '%1' was applied without these entries, which this "
                                              "version does not take:").arg(name),
                        contents.Skipped);
    } catch (const TPresetError& error) {
        Refused(Tr("TPresetControls", "The preset was not applied."), error);
    }
}

void TPresetControls::SaveAs()
{
    const QString chosen = ChosenName();
    const std::optional<QString> typed =
        m_dialogs.AskName(Tr("TPresetControls", "Save Preset"), Tr("TPresetControls", "Name of the preset:"),
                          IsUserPreset(chosen) ? chosen : QString());
    if (!typed) return;
    const QString name = *typed;
    const std::string problem = PresetNameProblem(name.toStdString());
    if (!problem.empty()) {
        Refused(Tr("TPresetControls", "The preset was not saved."), TPresetError(problem));
        return;
    }
    const bool replace = IsUserPreset(name);
    if (replace && !m_dialogs.Confirm(Tr("TPresetControls", "A preset named '%1' exists. Replace it?").arg(name)))
        return;
    try {
        m_store.Save(name.toStdString(), m_form.Settings, replace);
        ShowNames(name);
    } catch (const TPresetError& error) {
        Refused(Tr("TPresetControls", "The preset was not saved."), error);
    }
}

void TPresetControls::Rename()
{
    const QString from = ChosenName();
    if (!IsUserPreset(from)) return;
    const std::optional<QString> to = m_dialogs.AskName(
        Tr("TPresetControls", "Rename Preset"), Tr("TPresetControls", "New name of the preset '%1':").arg(from), from);
    if (!to || *to == from) return;
    try {
        m_store.Rename(from.toStdString(), to->toStdString());
        ShowNames(*to);
    } catch (const TPresetError& error) {
        Refused(Tr("TPresetControls", "The preset was not renamed."), error);
    }
}

void TPresetControls::Delete()
{
    const QString name = ChosenName();
    if (!IsUserPreset(name) || !m_dialogs.Confirm(Tr("TPresetControls", "Delete the preset '%1'?").arg(name))) return;
    try {
        m_store.Remove(name.toStdString());
        ShowNames();
    } catch (const TPresetError& error) {
        Refused(Tr("TPresetControls", "The preset was not deleted."), error);
    }
}

void TPresetControls::Export()
{
    const QString name = ChosenName();
    if (name.isEmpty()) return;
    const QString path = m_dialogs.ChooseFileToSave(name + ".json");
    if (path.isEmpty()) return;
    try {
        // The file dialog asked before an existing file is replaced.
        m_store.Export(name.toStdString(), path.toStdString(), true);
        m_dialogs.Tell(mkInformation, Tr("TPresetControls", "The preset '%1' was written to %2.").arg(name, path));
    } catch (const TPresetError& error) {
        Refused(Tr("TPresetControls", "The preset was not exported."), error);
    }
}

void TPresetControls::Import()
{
    const QString path = m_dialogs.ChooseFileToOpen();
    if (path.isEmpty()) return;
    try {
        const QString name = Text(ReadPresetFile(path.toStdString()).Name);
        const bool replace = IsUserPreset(name);
        if (replace && !m_dialogs.Confirm(Tr("TPresetControls", "A preset named '%1' exists. Replace it?").arg(name)))
            return;
        const TPresetContents contents = m_store.Import(path.toStdString(), replace);
        ShowNames(Text(contents.Name));
        if (contents.Skipped.empty())
            m_dialogs.Tell(mkInformation, Tr("TPresetControls", "The preset '%1' was imported.").arg(Text(contents.Name)));
        else
            TellSkipped(Tr("TPresetControls", "The preset '%1' was imported without these entries, which this "
                                              "version does not take:").arg(Text(contents.Name)),
                        contents.Skipped);
    } catch (const TPresetError& error) {
        Refused(Tr("TPresetControls", "The preset was not imported."), error);
    }
}

}  // namespace mirelk::ui
