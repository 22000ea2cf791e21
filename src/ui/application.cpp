#include "ui/application.h"

#include "ui/language.h"

#include <QMessageBox>

#include "engine/options/ffmpeg_exception.h"

namespace mirelk::ui {

TMirelkApplication::TMirelkApplication(int& argc, char** argv) : QApplication(argc, argv) {}

bool TMirelkApplication::notify(QObject* receiver, QEvent* event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& error) {
        ShowError(&error);
    } catch (...) {
        ShowError(nullptr);
    }
    return false;
}

QString ErrorBoxText(const QString& message)
{
    if (!message.isEmpty() && message.back() > QChar('.')) return message + ".";
    return message;
}

void ShowError(const std::exception* error)
{
    const bool engine = dynamic_cast<const FFmpegException*>(error) != nullptr;
    const QString text = ErrorBoxText(error != nullptr ? QString::fromUtf8(error->what()) : Tr("TMirelkApplication", "Unknown error"));
    auto* box = new QMessageBox(engine ? QMessageBox::Warning : QMessageBox::Critical, QApplication::applicationName(),
                                text, QMessageBox::Ok);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setObjectName("ErrorBox");
    box->open();
}

}  // namespace mirelk::ui
