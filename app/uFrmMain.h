#pragma once

#include "uImages.h"

#include <QSpinBox>
#include <QWidget>

#include <cstdint>

class QLabel;
class TplPrev;

// A box for whole numbers that takes no more than MaxLength characters.
class TNumberBox : public QSpinBox {
    Q_OBJECT
public:
    explicit TNumberBox(QWidget* Parent = nullptr);
    void SetMaxLength(int Length);
    int MaxLength() const;
};

// The main window: first and last sheet numbers, Print, Info.
class TFrmMain : public QWidget {
    Q_OBJECT
public:
    explicit TFrmMain(QWidget* Parent = nullptr);
    ~TFrmMain() override;

    QLabel* Label1;
    QLabel* Label2;
    TNumberBox* NumberBox1;
    TNumberBox* NumberBox2;
    TImageButton* bbPrint;
    TImageButton* bbInfo;
    TplPrev* plPrev1;
    TImageCollection ImageCollection;
    TVirtualImageList VirtualImageList{&ImageCollection, QSize(20, 20)};

    void FormCreate();
    void NumberBox1Change();
    void bbPrintClick();
    void bbInfoClick();

    // The printer list came in after the window was created without it: the
    // document is made again as the window makes it, unless the user has
    // already drawn or shown pages with it; then the next Print does it,
    // before it draws the pages again.
    void PrintersListed();

private:
    // Creates plPrev1 and gives it its stored settings.
    void CreateDocument();
    // After PrintersListed: makes plPrev1 again when it was made without a
    // printer and there are printers now, unless it is showing or printing
    // pages (then a later call does it).
    void TakeLatePrinters();
    // What FormCreate sets on the document: style, title, A4 portrait.
    void SetUpDocument();
    void ApplyTheme();
    // Generates the sheets Start..End and records their pages in plPrev1.
    void DrawSheets(int Start, int End);

    int32_t bHeight = 0;
    // A printer list came in that plPrev1, made without printers, has not taken.
    bool FLatePrinters = false;
};

extern TFrmMain* FrmMain;

// Start-up against a print server that may not answer: the printers are
// listed on a worker thread, and the main window waits for the list at most
// WaitMs before it is created; a list that comes in later fills in
// FrmMain's document.
void StartPrinterListing();
void WaitForPrinterList(int WaitMs);
// Before the application goes: a list that comes in later is dropped.
void StopPrinterListing();
// How long the start waits for the printer list (milliseconds).
constexpr int kPrinterListWaitMs = 200;
