// The option window's quality page: constant video quality, audio quality per channel and the
// encoder's speed, bound to the option form's settings; and the note under the window's pages
// that tells what the chosen format makes of the settings (a quality outside the encoder's
// scale, a picture too small for the encoder, the length of an animated picture).
#pragma once

#include <QString>
#include <QWidget>

#include "form/option_form.h"

class QButtonGroup;
class QCheckBox;
class QLineEdit;

namespace mirelk::ui {

class TQualityControls final : public QWidget {
    Q_OBJECT
public:
    TQualityControls(TOptionForm& form, QWidget* parent = nullptr);

    // The form's settings into the widgets, without a Changed signal.
    void ShowSettings();
    // The widgets into the form's settings.
    void TakeSettings();

signals:
    // A user changed one of the page's settings.
    void Changed();

private:
    void WidgetChanged();

    TOptionForm& m_form;
    bool m_showing = false;
    QCheckBox* m_videoQuality = nullptr;
    QLineEdit* m_videoValue = nullptr;
    QCheckBox* m_audioQuality = nullptr;
    QLineEdit* m_audioValue = nullptr;
    QButtonGroup* m_speed = nullptr;
};

// What the user should know of the settings for the chosen format and the form's current file,
// in the window's language with the form's own sentences; empty when there is nothing to say.
QString SettingsNote(const TOptionForm& form);

}  // namespace mirelk::ui
