#include "ui/host/preview_window.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QWindow>

#include "binding/bitmap24.h"

namespace mirelk::ui {

TPreviewWindowWidget::TPreviewWindowWidget(std::function<void()> onClosed)
    : QWidget(nullptr, Qt::Tool | Qt::WindowStaysOnTopHint), m_onClosed(std::move(onClosed))
{
    setObjectName("frmPreview");
    setAttribute(Qt::WA_DeleteOnClose, false);
}

void TPreviewWindowWidget::SetPicture(const QImage& picture)
{
    m_picture = picture;
    update();
}

void TPreviewWindowWidget::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), Qt::black);
    if (!m_picture.isNull()) painter.drawImage(0, 0, m_picture);
}

void TPreviewWindowWidget::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && windowHandle() != nullptr) windowHandle()->startSystemMove();
}

void TPreviewWindowWidget::closeEvent(QCloseEvent* event)
{
    if (m_onClosed) m_onClosed();
    event->accept();
}

TQtPreviewWindow::TQtPreviewWindow(std::function<void()> onClosed)
    : m_widget(new TPreviewWindowWidget(std::move(onClosed)))
{
}

TQtPreviewWindow::~TQtPreviewWindow()
{
    // A widget outlives no application object; without one the process is ending anyway.
    if (QCoreApplication::instance() != nullptr) delete m_widget;
}

void TQtPreviewWindow::Show(int width, int height)
{
    m_widget->setFixedSize(width, height);
    // Centred on the screen, above the windows that are in the way of a picture moving there.
    if (const QScreen* screen = m_widget->screen())
        m_widget->move(screen->availableGeometry().center() - QPoint(width / 2, height / 2));
    m_widget->show();
}

void TQtPreviewWindow::SetCaption(const std::string& caption) { m_widget->setWindowTitle(QString::fromStdString(caption)); }

void TQtPreviewWindow::Draw(const TBitmap24& picture)
{
    // A copy: the task reuses its bitmap for the next picture once this call has returned.
    const QImage rows(picture.ScanLine(0), picture.Width(), picture.Height(), picture.BytesPerLine(),
                      QImage::Format_BGR888);
    m_widget->SetPicture(rows.copy());
}

TPreviewWindowFactory QtPreviewWindows()
{
    return [](std::function<void()> onClosed) -> std::unique_ptr<IPreviewWindow> {
        return std::make_unique<TQtPreviewWindow>(std::move(onClosed));
    };
}

}  // namespace mirelk::ui
