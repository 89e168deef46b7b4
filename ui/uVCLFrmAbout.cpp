#include "uVCLFrmAbout.h"

#include "uImages.h"
#include "uTheme.h"
#include "uUtils.h"

#include <QEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPixmap>
#include <QPushButton>

TVCLFrmAbout* VCLFrmAbout = nullptr;

namespace {

void SetTextColor(QWidget* w, const QColor& color)
{
    QPalette p = w->palette();
    p.setColor(QPalette::WindowText, color);
    w->setPalette(p);
}

} // namespace

TVCLFrmAbout::TVCLFrmAbout(QWidget* AOwner)
    : QDialog(AOwner,
              Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                  | Qt::WindowCloseButtonHint)
{
    InitImageResources();
    setObjectName(QStringLiteral("VCLFrmAbout"));
    setWindowTitle(QStringLiteral("About"));
    setFont(DesignFont(12));
    setFixedSize(354, 188);

    Panel1 = new QWidget(this);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setGeometry(0, 0, 354, 60);
    Panel1->setAutoFillBackground(true);

    Image1 = new QLabel(Panel1);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setGeometry(0, 0, 60, 60);

    lbAppName = new QLabel(Panel1);
    lbAppName->setObjectName(QStringLiteral("lbAppName"));
    QFont bold = DesignFont(12);
    bold.setBold(true);
    lbAppName->setFont(bold);
    lbAppName->move(80, 22);

    lbURL = new QLabel(this);
    lbURL->setObjectName(QStringLiteral("lbURL"));
    lbURL->setCursor(Qt::PointingHandCursor);
    lbURL->move(66, 76);
    lbURL->installEventFilter(this);
    // The link keeps the plain look so that its own colour shows.
    ApplyStyleName(lbURL, StyleNamePlain);

    lbMaker = new QLabel(QStringLiteral("Tessvale Works"), this);
    lbMaker->setObjectName(QStringLiteral("lbMaker"));
    lbMaker->setAlignment(Qt::AlignCenter);
    lbMaker->move(140, 128);
    lbMaker->adjustSize();

    btOK = new QPushButton(QStringLiteral("OK"), this);
    btOK->setObjectName(QStringLiteral("btOK"));
    btOK->setGeometry(0, 158, 354, 30);
    btOK->setDefault(true);
    connect(btOK, &QPushButton::clicked, this, &QDialog::accept);
}

TVCLFrmAbout::~TVCLFrmAbout()
{
    if (VCLFrmAbout == this)
        VCLFrmAbout = nullptr;
}

int TVCLFrmAbout::Execute()
{
    LoadPngResource(QStringLiteral("ABOUT_ICN60"), Image1Bitmap);
    Image1->setPixmap(QPixmap::fromImage(Image1Bitmap));

    const bool light = IsLightTheme();
    ApplyStyleName(this, light ? StyleNameLight : StyleNameDark);
    SetTextColor(lbURL, light ? QColor(0, 0, 255) : QColor(170, 170, 255));
    // The designed white box and grey band hold in the light look; the dark
    // look keeps its own ground, with the band a shade lighter.
    QPalette ground = palette();
    ground.setColor(QPalette::Window, light ? QColor(Qt::white) : DarkPalette().color(QPalette::Window));
    setPalette(ground);
    QPalette band = Panel1->palette();
    band.setColor(QPalette::Window, light ? QColor(240, 240, 240) : QColor(0x2D, 0x2D, 0x2D));
    Panel1->setPalette(band);

    lbURL->setText(IsJapanese() ? URLJapanese : URLEnglish);
    lbURL->adjustSize();

    lbAppName->setText(QStringLiteral("Mirvak Ver.") + GetVersionString());
    lbAppName->adjustSize();

    return exec();
}

void TVCLFrmAbout::lbURLClick()
{
    OpenURL(lbURL->text());
}

bool TVCLFrmAbout::eventFilter(QObject* Watched, QEvent* Event)
{
    if (Watched == lbURL && Event->type() == QEvent::MouseButtonRelease
        && static_cast<QMouseEvent*>(Event)->button() == Qt::LeftButton
        && lbURL->rect().contains(static_cast<QMouseEvent*>(Event)->position().toPoint())) {
        lbURLClick();
        return true;
    }
    return QDialog::eventFilter(Watched, Event);
}
