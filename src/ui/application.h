// The desktop program's application object: whatever escapes an event handler is shown in a
// message box instead of ending the program.
#pragma once

#include <QApplication>
#include <exception>

namespace mirelk::ui {

class TMirelkApplication final : public QApplication {
public:
    TMirelkApplication(int& argc, char** argv);
    bool notify(QObject* receiver, QEvent* event) override;
};

// The error's message as the message box shows it: with "." appended when it is not empty and
// its last character sorts after ".".
QString ErrorBoxText(const QString& message);
// Shows an error that escaped a handler: engine errors with the warning icon, others with the
// error icon. Does not block the caller.
void ShowError(const std::exception* error);

}  // namespace mirelk::ui
