// A task's preview: a small tool window that stays on top, takes the size of the first picture,
// shows the picture's time as its caption and is moved by dragging its picture.
#pragma once

#include <QImage>
#include <QWidget>
#include <functional>

#include "binding/host_interfaces.h"

namespace mirelk::ui {

class TPreviewWindowWidget final : public QWidget {
    Q_OBJECT
public:
    explicit TPreviewWindowWidget(std::function<void()> onClosed);
    void SetPicture(const QImage& picture);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    std::function<void()> m_onClosed;
    QImage m_picture;
};

// The core's preview window over the widget; the widget is deleted with it.
class TQtPreviewWindow final : public IPreviewWindow {
public:
    explicit TQtPreviewWindow(std::function<void()> onClosed);
    ~TQtPreviewWindow() override;
    void Show(int width, int height) override;
    void SetCaption(const std::string& caption) override;
    void Draw(const TBitmap24& picture) override;

private:
    TPreviewWindowWidget* m_widget;
};

TPreviewWindowFactory QtPreviewWindows();

}  // namespace mirelk::ui
