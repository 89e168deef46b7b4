#include "uApplication.h"

#include "plMessageBox.h"
#include "uUtils.h"

#include <QLibraryInfo>
#include <QTranslator>

#include <new>
#include <stdexcept>

namespace {

void ShowErrorBox(const QString& Text)
{
    ShowMessageBox(Text, QStringLiteral("Mirvak"), QMessageBox::Critical, QMessageBox::Ok, QMessageBox::NoButton,
                   QApplication::activeWindow());
}

} // namespace

TApplication::TApplication(int& argc, char** argv) : QApplication(argc, argv)
{
    // No display name: on X11 Qt would append it to every window title,
    // and the windows carry their captions exactly.
    setApplicationName(QStringLiteral("mirvak"));
    setDesktopFileName(QStringLiteral("mirvak"));
}

void TApplication::LoadToolkitTranslations()
{
    static QTranslator* loaded = nullptr;
    if (loaded) {
        QCoreApplication::removeTranslator(loaded);
        delete loaded;
        loaded = nullptr;
    }
    if (!IsJapanese())
        return;
    auto* t = new QTranslator(qApp);
    // "qt_ja" pulls in the base, print-support and other module catalogues.
    if (!t->load(QStringLiteral("qt_ja"), QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        delete t;
        return; // the package is missing: the dialogs stay English
    }
    QCoreApplication::installTranslator(t);
    loaded = t;
}

bool TApplication::notify(QObject* Receiver, QEvent* Event)
{
    std::exception_ptr error;
    try {
        return QApplication::notify(Receiver, Event);
    } catch (...) {
        error = std::current_exception();
    }
    // Shown outside the handler: the box runs an event loop of its own.
    ShowException(error);
    return false;
}

QString TApplication::ExceptionMessage(std::exception_ptr Error)
{
    try {
        std::rethrow_exception(Error);
    } catch (const std::bad_alloc&) {
        return QStringLiteral("Out of memory.");
    } catch (const std::exception& e) {
        const QString text = QString::fromUtf8(e.what());
        return text.isEmpty() ? QStringLiteral("An error occurred.") : text;
    } catch (...) {
        return QStringLiteral("An unknown error occurred.");
    }
}

void TApplication::ShowException(std::exception_ptr Error)
{
    ShowErrorBox(ExceptionMessage(Error));
}
