#include "uFrmMain.h"
#include "uSheets.h"

#include "plComponentSettings.h"
#include "plPrev.h"
#include "plPrinter.h"
#include "plSetPrinter.h"
#include "uApplication.h"
#include "uSheets.h"
#include "uTheme.h"
#include "uUtils.h"
#include "uVCLFrmAbout.h"

#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QScreen>

#include <cmath>

TFrmMain* FrmMain = nullptr;

TNumberBox::TNumberBox(QWidget* Parent) : QSpinBox(Parent)
{
    setButtonSymbols(QAbstractSpinBox::NoButtons);
    setCorrectionMode(QAbstractSpinBox::CorrectToNearestValue);
    setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
}

void TNumberBox::SetMaxLength(int Length)
{
    lineEdit()->setMaxLength(Length);
}

int TNumberBox::MaxLength() const
{
    return lineEdit()->maxLength();
}

namespace {

TNumberBox* MakeNumberBox(QWidget* parent, const char* name, QRect bounds)
{
    auto* box = new TNumberBox(parent);
    box->setObjectName(QLatin1String(name));
    box->setRange(1, 100);
    box->SetMaxLength(3);
    box->setValue(1);
    box->setGeometry(bounds);
    return box;
}

QLabel* MakeLabel(QWidget* parent, const char* name, const QString& caption, QPoint at)
{
    auto* label = new QLabel(caption, parent);
    label->setObjectName(QLatin1String(name));
    label->move(at);
    label->adjustSize();
    return label;
}

} // namespace

TFrmMain::TFrmMain(QWidget* Parent)
    : QWidget(Parent,
              Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                  | Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint)
{
    InitImageResources();
    setObjectName(QStringLiteral("FrmMain"));
    setWindowTitle(QStringLiteral("Mirvak"));
    setWindowIcon(QIcon::fromTheme(QStringLiteral("mirvak"), QIcon(QStringLiteral(":/rcdata/ABOUT_ICN60"))));
    setFont(DesignFont(12));
    setFixedSize(600, 200);

    for (const char* name : {"PrinterD", "PrinterL", "InfoD", "InfoL"})
        ImageCollection.Add(QLatin1String(name), {20, 25, 30});

    // Tab order follows creation: start box, Print, end box, Info.
    Label1 = MakeLabel(this, "Label1", QStringLiteral("start number:"), {49, 31});
    NumberBox1 = MakeNumberBox(this, "NumberBox1", {142, 28, 39, 23});

    bbPrint = new TImageButton(this);
    bbPrint->setObjectName(QStringLiteral("bbPrint"));
    bbPrint->setText(QStringLiteral("Print"));
    bbPrint->setGeometry(207, 32, 229, 60);
    bbPrint->SetImages(&VirtualImageList);
    bbPrint->SetImageName(QStringLiteral("PrinterL"));

    Label2 = MakeLabel(this, "Label2", QStringLiteral("end number:"), {49, 73});
    NumberBox2 = MakeNumberBox(this, "NumberBox2", {142, 70, 39, 23});

    bbInfo = new TImageButton(this);
    bbInfo->setObjectName(QStringLiteral("bbInfo"));
    bbInfo->setGeometry(567, 8, 25, 25);
    bbInfo->SetImages(&VirtualImageList);
    bbInfo->SetImageName(QStringLiteral("InfoL"));

    setTabOrder(NumberBox1, bbPrint);
    setTabOrder(bbPrint, NumberBox2);
    setTabOrder(NumberBox2, bbInfo);

    CreateDocument();

    connect(NumberBox1, &QSpinBox::valueChanged, this,
            [this] { TApplication::Guarded([this] { NumberBox1Change(); }); });
    connect(bbPrint, &QPushButton::clicked, this, [this] { TApplication::Guarded([this] { bbPrintClick(); }); });
    connect(bbInfo, &QPushButton::clicked, this, [this] { TApplication::Guarded([this] { bbInfoClick(); }); });

    FormCreate();

    if (QScreen* screen = this->screen())
        move(screen->availableGeometry().center() - QPoint(width() / 2, height() / 2));
}

TFrmMain::~TFrmMain()
{
    if (FrmMain == this)
        FrmMain = nullptr;
}

void TFrmMain::CreateDocument()
{
    plPrev1 = new TplPrev(this);
    plPrev1->setObjectName(QStringLiteral("plPrev1"));
    try {
        ReadMainDocumentSettings(*plPrev1);
    } catch (const TStreamError& e) {
        // The document keeps its defaults and what was read.
        qWarning("mirvak: the main window's stored document settings do not read: %s", e.what());
    }
    // The window has loaded: its components finish their loading.
    plPrev1->Loaded();
}

void TFrmMain::SetUpDocument()
{
    plPrev1->FormStyleName = IsLightTheme() ? StyleNameLight : StyleNameDark;
    if (IsJapanese())
        plPrev1->SetTitle(QStringLiteral("印刷プレビュー"));
    plPrev1->plSetPrinter()->SetPaperNumberProp(9);
    plPrev1->plSetPrinter()->SetOrientationProp(0);
}

void TFrmMain::PrintersListed()
{
    FLatePrinters = plPrev1->NoPrinter();
    if (plPrev1->DrawType() == dtNone)
        TakeLatePrinters();
}

void TFrmMain::TakeLatePrinters()
{
    if (!FLatePrinters || plPrev1->Form() || plPrev1->Printing())
        return;
    if (plPrev1->NoPrinter() && plPrev1->plSetPrinter()->PrintersCount() > 0) {
        // The new document first: if it cannot be made, the old one stays.
        TplPrev* old = plPrev1;
        CreateDocument();
        delete old;
        SetUpDocument();
    }
    FLatePrinters = false;
}

void StartPrinterListing()
{
    TPrinter::Printer().Service().StartListing([] {
        if (!QCoreApplication::instance())
            return;
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            [] {
                if (FrmMain)
                    TApplication::Guarded([] { FrmMain->PrintersListed(); });
            },
            Qt::QueuedConnection);
    });
}

void WaitForPrinterList(int WaitMs)
{
    TPrinter::Printer().Service().WaitForListing(WaitMs);
}

void StopPrinterListing()
{
    TPrinter::Printer().Service().StopListing();
}

void TFrmMain::FormCreate()
{
    // The application's own look is the plain system one already: only the
    // windows that are given a style name (this one, the about box, the
    // preview) take the light or dark look.
    ApplyTheme();

    if (IsJapanese()) {
        setWindowTitle(QStringLiteral("ミルヴァク"));
        bbPrint->setText(QStringLiteral("プリントを印刷"));
        Label1->setText(QStringLiteral("開始回:"));
        Label1->adjustSize();
        Label2->setText(QStringLiteral("終了回:"));
        Label2->adjustSize();
    }
    // The preview's title in the window's language, A4 portrait.
    SetUpDocument();

    // 60 device pixels shorter than designed, whatever the display's scale.
    bHeight = frameGeometry().height();
    const int frame = bHeight - height(); // title bar and border, once the window has them
    const qreal scale = devicePixelRatioF() > 0 ? devicePixelRatioF() : 1.0;
    const int shorter = static_cast<int>(std::lround(60.0 / scale));
    setFixedSize(width(), bHeight - shorter - frame);
}

void TFrmMain::ApplyTheme()
{
    const bool light = IsLightTheme();
    const QString styleName = light ? StyleNameLight : StyleNameDark;
    const QString suffix = light ? QStringLiteral("L") : QStringLiteral("D");
    ApplyStyleName(this, styleName);
    plPrev1->FormStyleName = styleName;
    bbPrint->SetImageName(QStringLiteral("Printer") + suffix);
    bbInfo->SetImageName(QStringLiteral("Info") + suffix);
    update();
}

void TFrmMain::NumberBox1Change()
{
    NumberBox2->setMinimum(NumberBox1->value());
    if (NumberBox1->value() > NumberBox2->value())
        NumberBox2->setValue(NumberBox1->value());
}

void TFrmMain::bbPrintClick()
{
    // Text still being typed counts.
    NumberBox1->interpretText();
    NumberBox2->interpretText();
    const int Start = NumberBox1->value();
    const int End = NumberBox2->value();
    // The pages are drawn anew: a document made before the printers were
    // known is replaced first.
    TakeLatePrinters();
    DrawSheets(Start, End);
    plPrev1->FormPosition = poScreenCenter;
    plPrev1->ShowModal();
}

void TFrmMain::bbInfoClick()
{
    if (!VCLFrmAbout)
        VCLFrmAbout = new TVCLFrmAbout(this);
    VCLFrmAbout->Execute();
}
