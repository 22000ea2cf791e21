// The option window's presets: a list of the named presets (the built-in ones first) with
// Apply, Save As, Rename, Delete, Export and Import. The presets live in a TPresetStore; every
// refusal of the store is shown with the store's own sentence. The questions and file choices go
// through replaceable functions, so that a test can answer them.
#pragma once

#include <QGroupBox>
#include <QString>
#include <functional>
#include <optional>

#include "form/option_form.h"
#include "form/presets.h"

class QComboBox;
class QPushButton;

namespace mirelk::ui {

class TPresetControls final : public QGroupBox {
    Q_OBJECT
public:
    enum TMessageKind { mkInformation, mkWarning, mkError };
    struct TDialogs {
        // A name typed by the user (initial: the text offered), or nothing when cancelled.
        std::function<std::optional<QString>(const QString& title, const QString& label, const QString& initial)>
            AskName;
        // Yes or no.
        std::function<bool(const QString& question)> Confirm;
        // A preset file to read, or empty when cancelled.
        std::function<QString()> ChooseFileToOpen;
        // Where to write a preset (the dialog asks before replacing a file), or empty.
        std::function<QString(const QString& suggestedName)> ChooseFileToSave;
        std::function<void(TMessageKind kind, const QString& text)> Tell;
    };

    // The store's folder is TPresetStore::DefaultFolder() (so $XDG_DATA_HOME/mirelk/presets).
    TPresetControls(TOptionForm& form, QWidget* parent = nullptr);

    // Qt's dialogs by default.
    void SetDialogs(TDialogs dialogs) { m_dialogs = std::move(dialogs); }
    // The store's names again, keeping the chosen one when it is still there.
    void ShowNames(const QString& choose = {});
    // The store's name of the chosen preset; empty when there is none.
    QString ChosenName() const;

signals:
    // The form's settings were replaced by a preset's.
    void Applied();

protected:
    void changeEvent(QEvent* event) override;

private:
    void ShowButtonStates();
    void Apply();
    void SaveAs();
    void Rename();
    void Delete();
    void Export();
    void Import();
    bool IsUserPreset(const QString& name) const;
    // The store's failure with what was being done.
    void Refused(const QString& what, const TPresetError& error);
    void TellSkipped(const QString& name, const std::vector<std::string>& skipped);

    TOptionForm& m_form;
    TPresetStore m_store;
    TDialogs m_dialogs;
    QComboBox* m_names = nullptr;
    QPushButton* m_apply = nullptr;
    QPushButton* m_rename = nullptr;
    QPushButton* m_delete = nullptr;
};

}  // namespace mirelk::ui
