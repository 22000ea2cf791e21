// The option window: every setting of the option form as a widget, the preview of the file the
// form was last given with its slider and clip marks, and the file's description. The widgets
// show and change the form's settings; every rule stays with the form. The window is not modal:
// the main window hands it a row's file when a row is selected and converts with its settings.
#pragma once

#include <QDialog>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "form/option_form.h"
#include "probe/av_probe.h"

class QButtonGroup;
class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace mirelk::ui {

class TPresetControls;
class TSelectionSlider;

class TfrmOption final : public QDialog {
    Q_OBJECT
public:
    TfrmOption(TOptionForm& form, QWidget* parent);
    ~TfrmOption() override;

    // Shows the form's settings, after a caller other than the window changed them.
    void ShowSettings();
    // Opens the window's own prober on the file and hands it to the form: the preview, the slider
    // and the description then show it. False (and no file shown) when it cannot be opened; the
    // libraries must be loaded. An empty path shows no file.
    bool ShowFile(const std::string& path);
    // Hands the window's file to the form again, after another caller set the form's prober.
    void GiveFileBack();
    const std::string& ShownFile() const { return m_shownFile; }
    // A clip kept for the shown file (seconds as the main window keeps them, both "0" for none)
    // marked on the slider, with "Cut Clip" as given.
    void ShowClip(const std::string& start, const std::string& end, bool cutClip);
    // The settings as they were when the form was created, except the output folder, which the
    // main window keeps.
    void RestoreDefaults();

signals:
    // A user changed a setting.
    void SettingsChanged();
    // A user marked the clip's start or end of the shown file.
    void ClipMarked(bool start);
    // A user checked or cleared "Cut Clip" for the shown file.
    void CutClipChanged(bool checked);

protected:
    void changeEvent(QEvent* event) override;

private:
    struct TBinding {
        std::function<void()> Show;
        std::function<void()> Take;
    };

    QWidget* BuildFormatPage();
    QWidget* BuildAudioPage();
    QWidget* BuildVideoPage();
    QWidget* BuildHookPage();
    QWidget* BuildFilterPage();
    QWidget* BuildQualityPage();
    QWidget* BuildPreviewColumn();

    // Widgets bound to a setting: each shows it and writes it back on every change. A radio
    // group may go on in a second box: its buttons then take the ids after the first box's.
    QGroupBox* RadioGroup(const char* name, const char* title, std::span<const std::string_view> items,
                          int TOptionFormSettings::*field, int columns, QButtonGroup* sharedGroup = nullptr);
    QCheckBox* Check(const char* name, const char* caption, bool TOptionFormSettings::*field);
    QCheckBox* HookCheck(const char* name, const char* caption, THookCheck TOptionFormSettings::*field);
    QLineEdit* Edit(const char* name, std::string TOptionFormSettings::*field);
    QLineEdit* EdgeEdit(const char* name, TEdgeTexts TOptionFormSettings::*edges, std::string TEdgeTexts::*field);
    // The widget is enabled exactly when the setting says so.
    void BindEnabled(QWidget* widget, bool TOptionFormSettings::*field);
    void BindEnabled(QWidget* widget, THookCheck TOptionFormSettings::*field);
    void Changed();
    void ShowEnabledStates();
    void ShowNote();
    // The slider, preview, clip marks and description of the form's current file.
    void ShowFileState();
    void ShowPreview();
    void SliderMoved(int position);
    void MarkClip(bool start);

    TOptionForm& m_form;
    std::unique_ptr<TAVProbe> m_prober;
    std::string m_shownFile;
    std::vector<TBinding> m_bindings;
    std::vector<std::function<void()>> m_enabledStates;
    // Set while widgets are being filled from the settings, whose change signals are then not
    // a user's changes.
    bool m_showing = false;

    TSelectionSlider* m_slider = nullptr;
    QLabel* m_preview = nullptr;
    QLabel* m_pts = nullptr;
    QLineEdit* m_startTime = nullptr;
    QLineEdit* m_endTime = nullptr;
    QCheckBox* m_cutClip = nullptr;
    QPlainTextEdit* m_fileInfo = nullptr;
    QLineEdit* m_outPath = nullptr;
    QLabel* m_note = nullptr;
    TPresetControls* m_presets = nullptr;
};

}  // namespace mirelk::ui
