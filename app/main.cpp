#include "plMessageBox.h"
#include "uCommandLine.h"
#include "uApplication.h"
#include "uFrmMain.h"
#include "uTheme.h"
#include "uUtils.h"
#include "uVCLFrmAbout.h"

int main(int argc, char** argv)
{
    // Sheets from the command line need no display.
    const bool commandLine = IsCommandLineMode(argc, argv);
    if (commandLine && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");

    TApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("mirvak"));
    QCoreApplication::setApplicationVersion(GetVersionString());
    if (commandLine)
        return RunCommandLine(QCoreApplication::arguments());
    // Printers are listed aside while the rest starts, so that a print
    // server that does not answer does not hold up the window.
    StartPrinterListing();
    TApplication::LoadToolkitTranslations();

    // Before any window exists: the desktop's light or dark setting, once.
    ThemeStartup();

    if (!IsStyleAvailable(StyleNameLight))
        ShowMessageBox(QStringLiteral("Style '%1' not found.").arg(StyleNameLight), QStringLiteral("Mirvak"),
                       QMessageBox::Critical);

    WaitForPrinterList(kPrinterListWaitMs);
    FrmMain = new TFrmMain;
    VCLFrmAbout = new TVCLFrmAbout(FrmMain);
    FrmMain->show();

    const int result = app.exec();
    // The listing's callback posts to the application, which goes first.
    StopPrinterListing();
    delete FrmMain;
    return result;
}
