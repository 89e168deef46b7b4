#pragma once

#include <QApplication>
#include <QString>

#include <exception>

// The program's application object. An error that escapes an event handler
// ends up here: it is shown in one message box with its text, and the event
// loop carries on.
class TApplication : public QApplication {
    Q_OBJECT
public:
    TApplication(int& argc, char** argv);

    bool notify(QObject* Receiver, QEvent* Event) override;

    // Shows the error's text in a message box.
    static void ShowException(std::exception_ptr Error);
    // The text shown for an error.
    static QString ExceptionMessage(std::exception_ptr Error);
};
