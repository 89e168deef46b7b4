#pragma once

// What the preview window needs from the document it shows. The document
// implements this; the window holds a pointer to it, never owns it.

#include <QColor>
#include <QIcon>
#include <QPainter>
#include <QSizeF>
#include <QString>

#include <cstdint>
#include <functional>

class QObject;
class QWidget;

enum TplPrevZoomType : int { ztWholePage = 0, ztPageWidth = 1, ztOther = 2 };
enum TplPrevFormWindowState : int { fwNormal, fwMaximized, fwMinimized, fwWorkArea, fwFullScreen };
enum TFormBorderStyle : int { bsNone, bsSingle, bsSizeable, bsDialog, bsToolWindow, bsSizeToolWin };
enum TPosition : int {
    poDesigned, poDefault, poDefaultPosOnly, poDefaultSizeOnly, poScreenCenter, poDesktopCenter,
    poMainFormCenter, poOwnerFormCenter
};
enum TBorderIcon : int { biSystemMenu, biMinimize, biMaximize, biHelp };
enum TCloseAction : int { caNone, caHide, caFree, caMinimize };

// A composed page: replays itself stretched into a rectangle.
struct TplPagePicture {
    std::function<void(QPainter&, const QRectF&)> Play;
    QSizeF Frame; // paper units (0.1 mm)
    explicit operator bool() const { return bool(Play); }
};

// The document's window settings, read when the window is linked.
struct TplPrevFormSettings {
    QString Title;
    int Left = 20, Top = 20, Width = 800, Height = 600;
    QIcon Icon;
    bool IconBar = true;
    uint32_t BorderIcons = (1u << biSystemMenu) | (1u << biMinimize) | (1u << biMaximize);
    TFormBorderStyle BorderStyle = bsSizeable;
    TPosition Position = poDefault;
    bool CanMove = true;
    bool CanResize = true;
    TplPrevFormWindowState WindowState = fwNormal;
    bool StatusBar = true;
    QColor Color; // invalid: the button-face colour of the style
    QWidget* Parent = nullptr;
};

class TplPrevLink {
public:
    virtual ~TplPrevLink() = default;

    // The document as a component; the window stops using the link when it
    // is destroyed.
    virtual QObject* Component() = 0;

    // Page position and view.
    virtual int PageNumber() const = 0;
    virtual void SetPageNumber(int v) = 0;
    virtual int PageCount() const = 0;
    virtual TplPrevZoomType ZoomType() const = 0;
    virtual void SetZoomType(TplPrevZoomType v) = 0;
    virtual double ViewPaperRatio() const = 0;
    virtual bool ImageVisible() const = 0;
    virtual bool ImageShade() const = 0;
    virtual bool ImageDrag() const = 0;
    virtual uint32_t BtnOptions() const = 0; // bit k: tool button k shown
    virtual QString Title() const = 0;
    virtual void SetTitle(const QString& v) = 0;
    virtual QString StatusBarText() const = 0;
    virtual TplPrevFormSettings FormSettings() const = 0;
    // The paper named in the status bar: the stored paper name without a
    // printer, else the printer settings' paper name.
    virtual QString StatusPaperName() = 0;
    virtual bool NoPrinter() const = 0;
    // The composed picture of a page; empty when there is nothing to show.
    virtual TplPagePicture GetMetaImage(int page) = 0;

    // Link fields.
    virtual void SetForm(QWidget* form) = 0;
    virtual void SetFormName(const QString& name) = 0;
    virtual bool AutoCreateForm() const = 0;
    virtual void SetIsPrevFormShow(bool v) = 0;
    virtual void DoPrepare() = 0;

    // Commands.
    virtual void SetPrintRange(int fromPage, int toPage) = 0;
    virtual void Print() = 0; // may throw
    virtual bool AcrobatOut() = 0;
    // Adopt the printer and settings chosen in a system dialog.
    virtual void AdoptCurrentPrinter() = 0;
    // Back to the printer settings of the document's text snapshot.
    virtual void RestorePrinterSnapshot() = 0;
    // The setup dialog of the printer settings; false when cancelled.
    virtual bool ShowSetupDialog() = 0;
    // After a confirmed setup: new snapshot, geometry read again, the view
    // taking the paper's proportions.
    virtual void PrinterSetupDone() = 0;
    virtual void ResetViewSize() = 0; // ViewWidth := ViewHeight := 0

    // Events raised by the window (each does nothing when unassigned).
    virtual void DoResize(QObject* sender, int page) = 0;
    virtual void DoAfterView(QObject* sender, int page) = 0;
    virtual void DoFormShow(QObject* sender) = 0;
    virtual void DoFormDestroy(QObject* sender) = 0;
    virtual void DoPrintButtonClick(QObject* sender, bool& canPrint) = 0;
    virtual void DoPrinterSetupDialog(QObject* sender) = 0;
    virtual void DoFormCloseQuery(QObject* sender, bool& canClose) = 0;
    virtual void DoFormClose(QObject* sender, TCloseAction& action) = 0;
};
