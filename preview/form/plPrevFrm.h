#pragma once

// The preview window: one recorded page at a time as a scaled picture in a
// scrolling area, with page navigation, zoom, panning, printing, printer
// setup, copying and a status bar.

#include "plPrevFrmCalc.h"
#include "plPrev.h"
#include "plPrevFrmParts.h"
#include "plPrevHost.h"
#include "plPrintDialog.h"

#include <QDialog>
#include <QImage>
#include <QPointer>

#include <functional>

class QLineEdit;
class QComboBox;
class QAction;
class QEventLoop;
class QLabel;
class QMenu;
class QStatusBar;
class QToolButton;

// The two program-wide message texts; English until a window is created on
// a Japanese system.
extern QString MsgPrintNoPrinter;
extern QString MsgSetupNoPrinter;

class TplPrevForm;

// Marks a handler of the window as running (see TplPrevForm::FBusy).
struct TplBusyScope {
    explicit TplBusyScope(TplPrevForm* f);
    ~TplBusyScope();
    QPointer<TplPrevForm> Form;
};

class TplPrevForm : public QDialog, public TplPrevHost {
    Q_OBJECT
    Q_INTERFACES(TplPrevHost)
public:
    explicit TplPrevForm(QWidget* parent = nullptr);
    ~TplPrevForm() override;

    // --- Members ----------------------------------------------------------
    QWidget* CoolBar1;
    QToolButton* PrintBtn;
    QToolButton* PrinterSetBtn;
    QToolButton* FirstPageBtn;
    QToolButton* PriorPageBtn;
    QToolButton* NextPageBtn;
    QToolButton* LastPageBtn;
    QToolButton* ZoomDownBtn;
    QToolButton* ZoomUpBtn;
    QToolButton* PageWholeBtn;
    QToolButton* PageWidthBtn;
    QToolButton* HelpBtn;
    QToolButton* InfoBtn;
    QToolButton* CloseBtn;
    // At the bar's end when the window is too narrow for every button: a
    // menu of the buttons that do not fit.
    QToolButton* OverflowBtn;
    // Save as PDF, after the designed buttons, and its context-menu item.
    QToolButton* SavePdfBtn;
    // After the buttons: the page shown as "n / N" (type a number and
    // Return to go there) and the zoom in percent (typed or picked).
    QLineEdit* PageNumberBox;
    QComboBox* ZoomBox;
    QAction* N5;
    QStatusBar* StatusBar;
    QLabel* StatusPanel[2];
    QWidget* DisplayPanel;
    TplScrollBox* ScrollBox1;
    TplShape* Shape2;     // page shadow
    TplPageImage* Image1; // the page
    TplShape* Shape1;     // page frame
    QMenu* PopupMenu1;
    QAction* N1;
    QAction* N2;
    QAction* N3;
    QAction* N4;

    // Button k in tool-bar order.
    QToolButton* Button(int k) const { return FButtons[k]; }

    // --- Linking and showing ------------------------------------------------
    TCustomplPrev* plPrev() const { return FPrev; }
    void SetplPrev(TCustomplPrev* doc) override;
    // Links a document the window owns itself (a TplPrev child), when the
    // window is not linked yet; Show and ShowModal do this first.
    bool LinkOwnedDocument();
    void Show() override;
    int ShowModal() override;
    void DrawMetaImage() override;
    void ShowPageImage(bool Visible, bool Shade) override;

    // Visual style name given by the document before every show.
    QString StyleName() const { return FStyleName; }
    void SetStyleName(const QString& name) override;

    // --- Handlers -------------------------------------------------------------
    void FirstPageBtnClick(QObject* Sender);
    void PriorPageBtnClick(QObject* Sender);
    void NextPageBtnClick(QObject* Sender);
    void LastPageBtnClick(QObject* Sender);
    void ZoomDownBtnClick(QObject* Sender);
    void ZoomUpBtnClick(QObject* Sender);
    void PageWholeBtnClick(QObject* Sender);
    void PageWidthBtnClick(QObject* Sender);
    void PrintBtnClick(QObject* Sender) override;
    void PrinterSetBtnClick(QObject* Sender);
    void CloseBtnClick(QObject* Sender) override;
    // Writes every page through the printing path to a PDF file the user
    // chooses; true when the file was written.
    bool SavePdfExecute(QObject* Sender);
    // The file chooser of Save as PDF (the system file dialog); replaceable
    // so that a check can answer it. An empty answer cancels.
    static std::function<QString(QWidget* parent, const QString& suggested)> ChoosePdfFile;
    void ActionPageCopyExecute(QObject* Sender);
    void ActionDispCopyExecute(QObject* Sender);
    void ActionHardCopyExecute(QObject* Sender);

    void SetBtnEnabled(QToolButton* Btn, bool On);
    void ArrangeButtons();
    void ApplyFormSettings();

    // --- State, readable for the document and for checks ------------------------
    bool ViewInitialised() const { return fgView; }
    TplImgRect ImageRect() const { return {ImgLeft, ImgTop, ImgWidth, ImgHeight}; }
    void SetImageRect(const TplImgRect& r);
    bool Dragging() const { return ImageDragFlag; }
    // The glyph list last chosen (at the last paint): the dark glyphs on a
    // dark tool bar, the light ones otherwise.
    bool DarkGlyphs() const { return FDarkGlyphs; }

    // The system print dialog; replaceable so that a check can stand in for it.
    static std::function<TplPrintDialogResult(QWidget* parent, int from, int to, int min, int max)> RunPrintDialog;
    // Prints a window capture on the current printer, scaled to the page
    // width with the capture's proportions.
    static std::function<void(const QImage& capture, double ratio)> PrintCapture;

protected:
    bool event(QEvent* e) override;
    void showEvent(QShowEvent* e) override;
    void hideEvent(QHideEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void moveEvent(QMoveEvent* e) override;
    void closeEvent(QCloseEvent* e) override;
    void paintEvent(QPaintEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    void FormCreate();
    void FormShow();
    void FormDestroy();
    void FormResize();
    bool FormCloseQuery();
    void FormClose(TCloseAction& Action);
    void FormPaint();
    void InitView();
    void PlaceShapes();
    void PlaceImage();
    bool ScrollBox1MouseWheel(QWheelEvent* e);
    // Keys for paging, zooming and printing; they act as the buttons would.
    void CreateShortcuts();
    void PressButton(QToolButton* Btn);
    QString SavePdfCaption() const;
    void PageNumberBoxReturn();
    void ZoomBoxChosen(const QString& Text);
    // The boxes show the page and the zoom as they are now.
    void UpdateBoxes();
    // Pixels of the page image per paper pixel at 100 % on this screen.
    double FullSizeWidth() const;
    void Image1MouseDown(QMouseEvent* e);
    void Image1MouseMove(QMouseEvent* e);
    void Image1MouseUp(QMouseEvent* e);
    void MoveImageBy(QPoint delta);
    void ApplyResizeRule();
    void ApplyGlyphs(bool dark);
    void SetCaptions(bool japanese);
    QRect ScreenRect() const;
    // Brings the window with its frame onto a screen's work area.
    void FitToWorkArea(const QRect& workArea);

    QPointer<TCustomplPrev> FPrev; // not owned; null again when the document goes
    TCustomplPrev* Doc() const { return FPrev; }
    void EmbedInParent();
    QString StatusPaperName();
    QString FPaperKey, FPaperName; // the status bar's paper name and what it belongs to
    void RestorePrinterSnapshot();
    // Why the chosen paper cannot print the recorded pages, and the choices.
    QString CroppedPagesText() const;
    QToolButton* FButtons[pbCount];
    bool fgView = false;
    int ImgLeft = 0, ImgTop = 0, ImgWidth = 0, ImgHeight = 0;
    int MouseDownX = 0, MouseDownY = 0;
    bool ImageDragFlag = false;
    bool FDarkGlyphs = false;
    bool FJapanese = false;
    bool FGlyphsSet = false;
    bool FSizeableBorder = true;
    bool FStyled = true; // the visual style is active: buttons overlap
    QString FStyleName;
    QPoint FPinnedPos; // where a window that may not move stays
    bool FPinned = false;
    bool FInDestroy = false;
    // Handlers that process pending events are on the stack; a close that
    // frees the window waits until the outermost one has returned.
    int FBusy = 0;
    bool FFreePending = false;
    friend struct TplBusyScope;
    QEventLoop* FModalLoop = nullptr;
    // The print dialog's page fields as last prepared.
    struct {
        int From = 0, To = 0, Min = 0, Max = 0;
    } PrintDialog1;
};
