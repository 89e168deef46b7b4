#pragma once

#include "plCanvas.h"
#include "plMetafile.h"
#include "plPicture.h"
#include "plSet.h"
#include "TextUtils.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QIcon>
#include <QMetaObject>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QWidget>

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

class QPainter;
class TplSetPrinter;
class TStreamReader;
class TStreamWriter;
struct TComponentSettingsResult;

// --- Types of the document component --------------------------------------

// How pages are produced: recorded in advance, drawn on demand, or not yet.
enum TplPrevDrawType { dtCont, dtStat, dtNone };

// Command buttons of the preview window (bit numbers of BtnOptions).
enum TplPrevBtnOption {
    boPrintBtn,
    boPrinterSetBtn,
    boFirstPageBtn,
    boPriorPageBtn,
    boNextPageBtn,
    boLastPageBtn,
    boZoomDownBtn,
    boZoomUpBtn,
    boPageWholeBtn,
    boPageWidthBtn,
    boHelpBtn,
    boInfoBtn,
    boCloseBtn,
};
using TplPrevBtnOptions = TSet<TplPrevBtnOption>;
// Every button except printer setup, help and information.
constexpr uint32_t kDefaultBtnOptions = 0x13FD;

enum TplPrevZoomType { ztWholePage, ztPageWidth, ztOther };
enum TplPrevFormWindowState { fwNormal, fwMaximized, fwMinimized, fwWorkArea, fwFullScreen };

enum TBorderIcon { biSystemMenu, biMinimize, biMaximize, biHelp };
using TBorderIcons = TSet<TBorderIcon>;
enum TFormBorderStyle { bsNone, bsSingle, bsSizeable, bsDialog, bsToolWindow, bsSizeToolWin };
enum TPosition {
    poDesigned,
    poDefault,
    poDefaultPosOnly,
    poDefaultSizeOnly,
    poScreenCenter,
    poDesktopCenter,
    poMainFormCenter,
    poOwnerFormCenter,
};
// What a closing window does with itself.
enum TCloseAction { caNone, caHide, caFree, caMinimize };

using TNotifyEvent = std::function<void(QObject* Sender)>;
using TCloseEvent = std::function<void(QObject* Sender, TCloseAction& Action)>;
using TCloseQueryEvent = std::function<void(QObject* Sender, bool& CanClose)>;
using TplPrevPageEvent = std::function<void(QObject* Sender, int Page)>;
using TplPrintButtonEvent = std::function<void(QObject* Sender, bool& CanPrint)>;
// Which pages of the print range go out: all, or those with an odd or an
// even page number.
enum TplPageSet { pgAll, pgOdd, pgEven };
// Told after each printed page (done of total) and while the finished job is
// sent to the spooler (Sending true, done of total in thousandths); returning
// false cancels the job, which then leaves nothing on the spooler.
using TplPrintProgress = std::function<bool(int Done, int Total, bool Sending)>;
using TPrevProc = std::function<void()>;

// --- Paper geometry ----------------------------------------------------------

// What the current printer reports, in its device pixels.
struct TPrinterPixels {
    int PaperWidth = 0, PaperHeight = 0;   // physical sheet
    int PageWidth = 0, PageHeight = 0;     // printable area
    int LeftOffset = 0, TopOffset = 0;     // physical offset of the printable area
    int RightOffset = 0, BottomOffset = 0; // left offset + printable width, top offset + printable height
    int XResolution = 0, YResolution = 0;  // dots per inch
    bool Landscape = false;
};

// The geometry the document works with: the printer's pixels, the unprintable
// bands in the page's drawn orientation, and the paper-unit values.
struct TPaperGeometry {
    int plPaperWidth = 0, plPaperHeight = 0, plPageWidth = 0, plPageHeight = 0;
    int PaperLO = 0, PaperTO = 0, PaperRO = 0, PaperBO = 0;
    int XResolution = 0, YResolution = 0;
    int PaperWidth = 0, PaperHeight = 0, PageWidth = 0, PageHeight = 0;
    int LeftOffset = 0, TopOffset = 0, RightOffset = 0, BottomOffset = 0;
    bool operator==(const TPaperGeometry&) const = default;
};

// Converts printer pixels to paper units: sizes truncate, the left and top
// offsets round up, the right and bottom edges are measured from the paper's
// size. InversePrint exchanges the left/right and top/bottom bands. A designed
// size (both > 0) replaces the paper size, turned for a landscape printer.
// Needs both resolutions > 0.
TPaperGeometry PaperGeometry(const TPrinterPixels& Px, bool InversePrint, int DesignedWidth = 0,
                             int DesignedHeight = 0);

// --- The document component --------------------------------------------------

// Records the pages an application draws in paper units (0.1 mm from the
// sheet's top-left corner), reports the current printer's paper geometry in
// paper units, and hands the pages to the preview window and to printing.
//
// Every coordinate and length exchanged with it is an integer in paper units;
// box operations take their box as X1, X2, Y1, Y2 (left, right, top, bottom).
class TCustomplPrev : public QObject {
    Q_OBJECT
public:
    explicit TCustomplPrev(QObject* AOwner = nullptr);
    ~TCustomplPrev() override;

    QString Name() const { return objectName(); }
    void SetName(const QString& v) { setObjectName(v); }

    // Rounds half away from zero.
    static int Roundoff(double X);

    // --- Recording ---------------------------------------------------------
    virtual void BeginDoc();
    virtual void NewPage();
    virtual void EndDoc();
    // --- Showing and printing ----------------------------------------------
    virtual void ShowModal();
    virtual void Show();
    virtual void Print();
    virtual bool Display(int Page);
    // The composed picture of one page, owned by the document and overwritten
    // by the next composition or recording; none before anything was drawn.
    virtual TMetafile* GetMetaImage(int Page);
    virtual void Close();

    // The recording canvas of the current page; none outside a recording.
    TCanvas* Canvas() const { return FCanvas.get(); }

    // --- Geometry, paper units (read-only) ------------------------------------
    int PaperWidth() const { return FPaperWidth; }
    int PaperHeight() const { return FPaperHeight; }
    int PageWidth() const { return FPageWidth; }
    int PageHeight() const { return FPageHeight; }
    int LeftOffset() const { return FLeftOffset; }
    int TopOffset() const { return FTopOffset; }
    int RightOffset() const { return FRightOffset; }
    int BottomOffset() const { return FBottomOffset; }
    double PaperRatio() const { return FPaperRatio; }
    int XResolution() const { return FXResolution; }
    int YResolution() const { return FYResolution; }
    // Reads the current printer's geometry and converts it to paper units.
    void UpdatePaperValues();

    int ViewWidth() const { return FViewWidth; }
    void SetViewWidth(int v);
    int ViewHeight() const { return FViewHeight; }
    void SetViewHeight(int v);
    double ViewPaperRatio() const;

    // --- Pages -------------------------------------------------------------------
    int PageCount() const { return FPageCount; }
    void SetPageCount(int v);
    int PageNumber() const { return FPageNumber; }
    void SetPageNumber(int v) { FPageNumber = v; }
    TplPrevDrawType DrawType() const { return FDrawType; }
    // The page store: element i holds page i + 1.
    const std::vector<TMetafile>& Pages() const { return MetaImageList; }
    // A picture holding the same recording as P that stays unchanged when P is
    // recorded again.
    static TMetafile CopyMetafile(const TMetafile& P);

    // --- Printer settings -----------------------------------------------------------
    TplSetPrinter* plSetPrinter() const { return FplSetPrinter; }
    void SetplSetPrinter(TplSetPrinter* v);
    bool NoPrinter() const { return FNoPrinter; }
    // Text snapshot of the printer-settings object in use; empty on failure.
    QString PrinterSettingsToText();
    void PrinterSettingsFromText(const QString& T);
    bool UseOriginPaperSize() const { return FUseOriginPaperSize; }
    void SetUseOriginPaperSize(bool v) { FUseOriginPaperSize = v; }

    // --- Drawing state -------------------------------------------------------------
    void FontSize(double S);
    void FontHeight(int V);
    void FontName(const QString& V);
    void FontColor(TColor V);
    void FontStyle(TFontStyles V);
    void FontCharset(int V);
    void FontAssign(const TFont& V);
    void PenColor(TColor V);
    void LineColor(TColor V) { PenColor(V); }
    void PenStyle(TPenStyle V);
    void LineStyle(TPenStyle V) { PenStyle(V); }
    void PenWidth(int V);
    void LineWidth(int V) { PenWidth(V); }
    void BrushColor(TColor V);
    void BrushStyle(TBrushStyle V);

    // --- Shapes -----------------------------------------------------------------------
    void MoveTo(int X, int Y);
    void LineTo(int X, int Y);
    void Line(int X1, int X2, int Y1, int Y2);
    void Rectangle(int X1, int X2, int Y1, int Y2);
    void FillRect(int X1, int X2, int Y1, int Y2);
    void RectLine(int X1, int X2, int Y1, int Y2);
    void FrameRect(int X1, int X2, int Y1, int Y2);
    void Circle(int X, int Y, int D);
    void Ellipse(int X, int Y, int DX, int DY);

    // --- Aligned text ----------------------------------------------------------------
    void TextOut(int X1, int Y1, const QString& Text);
    void TextOutLT(int X1, int Y1, const QString& Text);
    void TextOutLC(int X1, int Y1, const QString& Text);
    void TextOutLB(int X1, int Y1, const QString& Text);
    void TextOutCT(int X1, int Y1, const QString& Text);
    void TextOutCC(int X1, int Y1, const QString& Text);
    void TextOutCB(int X1, int Y1, const QString& Text);
    void TextOutRT(int X1, int Y1, const QString& Text);
    void TextOutRC(int X1, int Y1, const QString& Text);
    void TextOutRB(int X1, int Y1, const QString& Text);
    void TextRectLT(int X1, int X2, int Y1, int Y2, const QString& Text);
    void TextRectLC(int X1, int X2, int Y1, int Y2, const QString& Text);
    void TextRectLB(int X1, int X2, int Y1, int Y2, const QString& Text);
    void TextRectCT(int X1, int X2, int Y1, int Y2, const QString& Text);
    void TextRectCC(int X1, int X2, int Y1, int Y2, const QString& Text);
    void TextRectCB(int X1, int X2, int Y1, int Y2, const QString& Text);
    void TextRectRT(int X1, int X2, int Y1, int Y2, const QString& Text);
    void TextRectRC(int X1, int X2, int Y1, int Y2, const QString& Text);
    void TextRectRB(int X1, int X2, int Y1, int Y2, const QString& Text);

    // --- Width conversion ------------------------------------------------------------
    // Narrow and wide forms of characters, as Japanese text mixes them; no
    // document state is used. AlpToHank moves only the full-width digits,
    // letters and the symbols between them to ASCII and keeps the length;
    // ToHankaku and ToZenkaku turn every character that has a narrow (wide)
    // form into it, so the length may change.
    static QString AlpToHank(const QString& S);
    static QString ToHankaku(const QString& S);
    static QString ToZenkaku(const QString& S);

    // --- Pictures ----------------------------------------------------------------------
    // Picture files go by extension: ".JPG" in any letter case is decoded as a
    // JPEG; every other name goes to the general loader (bmp, ico, emf, wmf,
    // tif, tiff, jpeg, jpg, png, gif, svg). A file that cannot be opened, an
    // extension no reader claims or damaged data throws EPictureError before
    // anything is drawn. Pending messages are processed at fixed points.
    //
    // The picture at its natural size, one paper unit per pixel, top-left at
    // (X1, Y1).
    void DrawPict(int X1, int Y1, const QString& FileName);
    // The picture in the box X1..X2 x Y1..Y2: filling it (IsFit) or keeping
    // its proportions, centred. A box or picture without width or height
    // draws nothing.
    void StretchDrawPict(int X1, int X2, int Y1, int Y2, bool IsFit, const QString& FileName);
    // Every pixel of Pict stretched into ARect, no transparency; straight to
    // the printer while printing, else recorded. None draws nothing.
    void StretchDrawBitmap(const TRect& ARect, const QImage* Pict);
    // The vector picture replayed into ARect on the page. None draws nothing.
    void StretchDrawMetaFile(const TRect& ARect, const TMetafile* Pict);

    // --- Text flow -------------------------------------------------------------------
    // Flows the entries of SL, one paragraph each, in rows of RowH from Yt down
    // between Xl and Xr in the current font, while the top of a row lies at
    // most |Yb - Yt| below Yt. Printed entries leave the list; a paragraph cut
    // off by the end of the room stays first, shortened to its unprinted rest.
    // KinsokuCnt: at most this many brackets leave the end of a row and this
    // many closing characters are pulled back onto it. Returns the top of the
    // first unused row.
    int32_t StringListOut(QStringList& SL, TFormatOptions Options, int Xl, int Xr, int Yt, int Yb, int RowH,
                          int KinsokuCnt);
    // Reads FileName (see ReadTextFileLines) and flows it justified from Yt
    // down to the paper height less the bottom margin; lines that do not fit
    // are dropped. A file that cannot be read throws std::runtime_error
    // before anything is drawn.
    int32_t TextOutFile(int Yt, int Xl, int Xr, int RowH, const QString& FileName);

    // --- Justified, vertical, fitted and turned text; postal-code boxes ---------------
    // A temporary font derived from the current one is selected for each call
    // only; the font state never changes.
    void TextRectJust(int X1, int X2, int Y1, int Y2, const QString& Text);
    void TextRectJustTate(int X1, int X2, int Y1, int Y2, const QString& Text);
    void TextRectFit(int X1, int X2, int Y1, int Y2, int Cnt, const QString& Text);
    void TextSpecial(int X, int Y, int R, int V, const QString& Text);
    void TextRectLCEx(int X1, int X2, int Y1, int Y2, const QString& Text);
    void TextRectCCEx(int X1, int X2, int Y1, int Y2, const QString& Text);
    void ZipOut(const QString& Zip, int OffsetX, int OffsetY, bool PrtOut, int DispOffsetY);
    void ZipOutEx(const QString& Zip, int OffsetX, int OffsetY, bool PrtOut, int DispOffsetY);

    // --- Printing ----------------------------------------------------------------------
    int PrintFromPage() const { return FPrintFromPage; }
    void SetPrintFromPage(int v) { FPrintFromPage = v; }
    int PrintToPage() const { return FPrintToPage; }
    void SetPrintToPage(int v) { FPrintToPage = v; }
    bool InversePrint() const { return FInversePrint; }
    void SetInversePrint(bool v);
    int PrintOffsetX() const { return FPrintOffsetX; }
    void SetPrintOffsetX(int v) { FPrintOffsetX = v; }
    int PrintOffsetY() const { return FPrintOffsetY; }
    void SetPrintOffsetY(int v) { FPrintOffsetY = v; }
    bool Printing() const { return FPrinting; }
    // Odd or even pages only, and the last page first: for the next Print.
    TplPageSet PrintPageSet = pgAll;
    bool PrintReverse = false;
    // Set by whoever shows the job's progress (the preview window does).
    TplPrintProgress PrintProgress;
    // The page numbers Print sends, in their order, for a range first..last.
    std::vector<int> PrintPageOrder(int First, int Last) const;
    // Whether the current paper holds a recorded page as it was recorded:
    // false when printing would cut part of it off.
    bool PaperHoldsPages() const;
    // The current printer's name contains "ACROBAT" in any letter case.
    bool AcrobatOut() const;
    // Draws page Page as printed (composed in its printing form, turned by
    // 180 degrees for InversePrint, shifted by the print offsets) onto a
    // painter in printer pixels whose origin is the printable area's top-left
    // corner.
    void PrintPage(QPainter* Painter, int Page);

    // --- Composition and on-demand drawing ----------------------------------------------
    void DesignedPaperSize(int W, int H);
    const TPrevProc& ProcName() const { return FProcName; }
    void SetProcName(const TPrevProc& v);
    // Paper colour, preview-only drawing and tractor-feed marks; nothing while printing.
    void DrawPaperBackground(TCanvas* ACanvas, int W, int H);

    // --- Preview hosting ------------------------------------------------------------------
    QWidget* Form() const { return FForm; }
    void SetForm(QWidget* v) { FForm = v; }
    QWidget* FormParent() const { return FFormParent; }
    void SetFormParent(QWidget* v) { FFormParent = v; }
    bool ImageVisible() const { return FImageVisible; }
    void SetImageVisible(bool v);
    // Runs the DoPrepare extension point; for a window that links a document
    // placed on it.
    bool Prepare() { return DoPrepare(); }

    // --- Settings stored with the owning form ----------------------------------------------
    int LeftMargin() const { return FLeftMargin; }
    int TopMargin() const { return FTopMargin; }
    int RightMargin() const { return FRightMargin; }
    int BottomMargin() const { return FBottomMargin; }
    int HeaderMargin() const { return FHeaderMargin; }
    int FooterMargin() const { return FFooterMargin; }
    // Index: 1 top, 2 bottom, 3 left, 4 right, 5 header, 6 footer.
    void SetMargin(int Index, int Value);
    void SetLeftMargin(int v) { SetMargin(3, v); }
    void SetTopMargin(int v) { SetMargin(1, v); }
    void SetRightMargin(int v) { SetMargin(4, v); }
    void SetBottomMargin(int v) { SetMargin(2, v); }
    void SetHeaderMargin(int v) { SetMargin(5, v); }
    void SetFooterMargin(int v) { SetMargin(6, v); }

    TplPrevBtnOptions BtnOptions() const { return FBtnOptions; }
    void SetBtnOptions(TplPrevBtnOptions v) { FBtnOptions = v; }
    QString Title() const { return FTitle; }
    void SetTitle(const QString& v) { FTitle = v; }
    Qt::CursorShape Cursor() const { return FCursor; }
    void SetCursor(Qt::CursorShape v) { FCursor = v; }
    const QIcon& FormIcon() const { return FFormIcon; }
    void SetFormIcon(const QIcon& v) { FFormIcon = v; } // an empty icon clears it

    // The end-of-loading step: takes the printer-settings snapshot. The
    // owner runs it once all its components' settings are read.
    void Loaded();

    // --- Stored settings ---------------------------------------------------------------
    // The published settings, DesignPaperValue and PrinterData as stored
    // component settings (plComponentSettings.h). Writing first refreshes the
    // design paper's printer, paper and bin names and paper number from the
    // printer-settings object in use, and stores orientation 1 when that
    // object is landscape (FOrientation itself stays).
    QByteArray WriteSettings();
    // The same with the orientation value and the printer data given, and
    // the design paper as the fields hold it.
    QByteArray EncodeSettings(int Orientation, const QByteArray& PrinterData) const;
    // Reads stored settings into the document, then reads the geometry again
    // (without a printer the design paper stays). A value that does not read
    // is ignored, the values read before it stay and reading goes on; damage
    // to the container throws TStreamError with the values read so far kept.
    // Loaded is the owner's to run afterwards.
    TComponentSettingsResult ReadSettings(QByteArrayView Data);
    // The two streamed values. Reading keeps what was read before a fault
    // and throws TStreamError at it.
    void WriteDesignPaperValue(TStreamWriter& W, int Orientation) const;
    void ReadDesignPaperValue(TStreamReader& R);
    // The document's own printer-settings object ("Default") as one stream.
    void ReadPrinterData(TStreamReader& R);

    // --- Events ------------------------------------------------------------------------------
    TNotifyEvent OnFormShow;
    TCloseEvent OnFormClose;
    TCloseQueryEvent OnFormCloseQuery;
    TNotifyEvent OnFormDestroy;
    TNotifyEvent OnPrinterSetupDialog;
    TplPrintButtonEvent OnPrintButtonClick;
    TplPrevPageEvent OnAfterView;
    TplPrevPageEvent OnResize;
    TplPrevPageEvent OnBeforeView;
    TplPrevPageEvent OnNoPrintDraw;
    TplPrevPageEvent OnPrint;

    // --- State shared with the preview window and the settings stream -----------------------
    // Design-time paper (streamed with DesignPaperValue).
    QString FPrinterName, FPaperName, FBinName;
    int FOrientation = 0;
    int FPaperNumber = 0;
    // Printer geometry, pixels.
    int FplPaperWidth = 0, FplPaperHeight = 0, FplPageWidth = 0, FplPageHeight = 0;
    int PaperLO = 0, PaperTO = 0, PaperRO = 0, PaperBO = 0;
    int FXResolution = 0, FYResolution = 0;
    int ScaleMode = 0;
    // Geometry, paper units.
    int FPaperWidth = 0, FPaperHeight = 0, FPageWidth = 0, FPageHeight = 0;
    int FLeftOffset = 0, FTopOffset = 0, FRightOffset = 0, FBottomOffset = 0;
    double FPaperRatio = 0;
    int FViewWidth = 0, FViewHeight = 0;
    double FViewPaperRatio = 0;
    int MetaW = 0, MetaH = 0;
    int FDesignedPaperWidth = 0, FDesignedPaperHeight = 0;

    QString FSavePrinterNameStr;
    bool FNoPrinter = true;

    // Window settings (read by the preview window).
    int FLeftMargin = 0, FTopMargin = 0, FRightMargin = 0, FBottomMargin = 0;
    int FHeaderMargin = 0, FFooterMargin = 0;
    TplPrevBtnOptions FBtnOptions = TplPrevBtnOptions::FromInt(kDefaultBtnOptions);
    QString FTitle = QStringLiteral("印刷プレビュー[Vorblin]");
    Qt::CursorShape FCursor = Qt::WaitCursor;
    int FormLeft = 20, FormTop = 20, FormWidth = 0, FormHeight = 0;
    QString FFormName;
    QIcon FFormIcon;
    bool FormIconBar = true;
    TBorderIcons FormBorderIcons{biSystemMenu, biMinimize, biMaximize};
    TFormBorderStyle FormBorderStyle = bsSizeable;
    TPosition FormPosition = poDefault;
    bool FormCanMove = true;
    bool FormCanResize = true;
    TplPrevFormWindowState FormWindowState = fwNormal;
    bool FormStatusBar = true;
    QString StatusBarText;
    TColor FormColor = clBtnFace;
    QString FormStyleName;
    TColor PaperColor = clWhite;
    bool ViewClip = true;
    TplPrevZoomType ZoomType = ztWholePage;
    bool ImageDrag = true;
    bool ImageShade = true;

    // Printing.
    int FPrintFromPage = 0, FPrintToPage = 0;
    bool FInversePrint = false;
    int FPrintOffsetX = 0, FPrintOffsetY = 0;
    bool FPrinting = false;
    std::array<uint8_t, 256> KeyBoardState{};
    uint8_t DefaultKeyState = 0;

    // Preview hosting.
    QPointer<QWidget> FForm;
    QPointer<QWidget> FFormParent;
    bool FAutoCreateForm = false;
    bool FIsPrevFormShow = false;
    bool fgDisplay = true;
    bool FImageVisible = true;

protected:
    // Extension point for derived documents, called before showing and before
    // printing without a visible preview.
    virtual bool DoPrepare();
    // Runs the print command of the linked preview window, if there is one.
    virtual void PrintWithDialog();

    // Starts a recording on the work picture; fresh: a new picture whose view
    // size comes from the paper when it is 0.
    void NewMetaCanvas(bool Fresh);
    // Maps the view onto the picture's frame; decorate draws the paper
    // background; clips to the printable area when ViewClip is set.
    void SetCanvasMapping(TCanvas* ACanvas, bool Decorate);
    // The printer's variant: paper unit (0, 0) on the sheet's physical corner.
    void SetPrinterMapping(TCanvas* ACanvas);
    void ClearPages();
    // At every document start: the printer takes the document's settings, the
    // printer-settings snapshot is taken and put back, the geometry is read.
    void PrepareDocument();
    // Screen cursor: Cursor while working, the saved one afterwards.
    void ShowWorkCursor();
    void RestoreCursor();

    TplSetPrinter* FTempSetPrinter = nullptr;
    TplSetPrinter* FplSetPrinter = nullptr;
    bool FUseOriginPaperSize = false;

    TMetafile FMetaImage;
    std::unique_ptr<TCanvas> FCanvas;
    std::vector<TMetafile> MetaImageList;
    int FPageCount = 1;
    int FPageNumber = 1;
    TplPrevDrawType FDrawType = dtNone;
    TPrevProc FProcName;
    Qt::CursorShape SaveCursor = Qt::ArrowCursor;

    // Line-break rules of the text flow. Characters that may not end a row
    // and those that may not begin one.
    static const std::array<char16_t, 8> NoLineEndChars;
    static const std::array<char16_t, 14> NoLineStartChars;
    // Takes up to Cnt characters that may not end a row from position P
    // (1-based) backwards; P drops by their number. Text order.
    static QString KinsokuPushOut(const QString& S, int& P, int Cnt);
    // Takes up to Cnt characters that may not begin a row from the start of
    // S; P grows by their number.
    static QString KinsokuPullIn(const QString& S, int& P, int Cnt);

private:
    void FixPageFontWidth();
    void TextOutAt(int X1, int Y1, const QString& Text, int Horz, int Vert);
    void TextRect(int X1, int X2, int Y1, int Y2, const QString& Text, unsigned Format);
    void ZipBoxes(const QString& Zip, int OffsetX, int OffsetY, bool PrtOut, int DispOffsetY, bool Large);
    void PrinterDestroyed();

    QMetaObject::Connection FPrinterLink;
    bool FCursorShown = false;

    // >>> preview window hosting
    // Finds or creates the preview window and links it; true when a
    // preview window (TplPrevHost) is linked.
    bool FindPreviewForm();
    // A document for a PDF-writing printer is printed, not shown: true then.
    bool PrintedInsteadOfShown();
    // <<< preview window hosting
};

// The component as placed on a form.
class TplPrev : public TCustomplPrev {
    Q_OBJECT
public:
    using TCustomplPrev::TCustomplPrev;
};
