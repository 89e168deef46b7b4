#include "plMessageBox.h"
#include "uApplication.h"
#include "uFrmMain.h"
#include "uTheme.h"
#include "uVCLFrmAbout.h"

int main(int argc, char** argv)
{
    TApplication app(argc, argv);
    // Before any window exists: the desktop's light or dark setting, once.
    ThemeStartup();

    if (!IsStyleAvailable(StyleNameLight))
        ShowMessageBox(QStringLiteral("Style '%1' not found.").arg(StyleNameLight), QStringLiteral("Mirvak"),
                       QMessageBox::Critical);

    FrmMain = new TFrmMain;
    VCLFrmAbout = new TVCLFrmAbout(FrmMain);
    FrmMain->show();

    const int result = app.exec();
    delete FrmMain;
    return result;
}
