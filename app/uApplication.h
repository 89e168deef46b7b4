#pragma once

#include <QApplication>
#include <QString>

#include <exception>
#include <utility>

// The program's application object. An error that escapes an event handler
// ends up here: it is shown in one message box with its text, and the event
// loop carries on.
//
// Qt's widget code is built without exception support, so an error that
// unwinds through it skips its clean-up. The program's own handlers are
// therefore connected through Guarded, which reports the error before it
// reaches Qt; the event dispatch catches whatever else gets through.
class TApplication : public QApplication {
    Q_OBJECT
public:
    TApplication(int& argc, char** argv);

    bool notify(QObject* Receiver, QEvent* Event) override;

    // Loads the toolkit's own translations (print dialog, message-box
    // buttons) for the language the program shows; English needs none.
    // Called again, it replaces what an earlier call loaded.
    static void LoadToolkitTranslations();

    // Shows the error's text in a message box.
    static void ShowException(std::exception_ptr Error);
    // The text shown for an error.
    static QString ExceptionMessage(std::exception_ptr Error);

    // Runs Handler; an error it raises is shown and goes no further.
    template <class F>
    static void Guarded(F&& Handler)
    {
        std::exception_ptr error;
        try {
            std::forward<F>(Handler)();
            return;
        } catch (...) {
            error = std::current_exception();
        }
        ShowException(error);
    }
};
