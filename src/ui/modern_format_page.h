// The main window's page of today's targets (WebM, HEVC, AV1, FLAC, Opus, ALAC, M4A, GIF): the
// format with a line on what it is for, the frame size and the encoder speed. Converting from
// the tool bar on this page uses these choices.
#pragma once

#include <QWidget>

#include "form/main_window_pages.h"

class QComboBox;
class QLabel;

namespace mirelk::ui {

class TModernFormatPage final : public QWidget {
    Q_OBJECT
public:
    explicit TModernFormatPage(QWidget* parent = nullptr);
    // The page's tab caption in the window's language, known before the page is in its tabs so
    // that the window's first size makes room for it.
    static QString Caption();

    // The page's lists as the form's choices (ModernFormat, FrameSize and EncoderSpeed).
    TPageChoices Choices() const;

protected:
    void changeEvent(QEvent* event) override;

private:
    void ShowFormatState();
    void TranslateSpeeds();

    QComboBox* m_format = nullptr;
    QComboBox* m_size = nullptr;
    QComboBox* m_speed = nullptr;
    QLabel* m_about = nullptr;
};

}  // namespace mirelk::ui
