#include "plPrevFrm.h"

#include "plPrevGlyphs.h"
#include "plSetPrinter.h"
#include "uTheme.h"
#include "uUtils.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QEventLoop>
#include <QHBoxLayout>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QScreen>
#include <QScrollBar>
#include <QStatusBar>
#include <QVBoxLayout>
#include <QWindow>

#include <algorithm>

QString MsgPrintNoPrinter = QStringLiteral("Printing is not possible because the printer is not installed.    ");
QString MsgSetupNoPrinter =
    QStringLiteral("The printer cannot be configured because the printer is not installed.     ");

// The window registers itself as the documents' preview window. The
// engine's link interface names this symbol, so the linker keeps this file
// even in a program that never mentions the window.
extern "C" const bool mirvak_preview_form_registered = [] {
    RegisterPreviewForm([]() -> QWidget* { return new TplPrevForm; });
    return true;
}();

namespace {

struct ButtonText {
    const char* name;
    int width;
    const char* enCaption;
    const char* enHint;
    const char* jaCaption;
    const char* jaHint;
};

const ButtonText kButtons[pbCount] = {
    {"PrintBtn", 80, "&Print", "Print", "印刷 (&P)", "印刷"},
    {"PrinterSetBtn", 80, "Setup", "Printer Setup", "設定", "プリンタと用紙の設定保存"},
    {"FirstPageBtn", 52, "First", "First Page", "先頭頁", "先頭頁"},
    {"PriorPageBtn", 52, "Prior", "Prior Page", "前頁", "前頁"},
    {"NextPageBtn", 52, "Next", "Next Page", "次頁", "次頁"},
    {"LastPageBtn", 52, "Last", "Last Page", "最終頁", "最終頁"},
    {"ZoomDownBtn", 52, "ZoomOut", "Zoom Out", "縮小", "縮小"},
    {"ZoomUpBtn", 52, "ZoomIn", "Zoom In", "拡大", "拡大"},
    {"PageWholeBtn", 52, "Whole", "Whole Page", "全体", "全体表示"},
    {"PageWidthBtn", 52, "Width", "Width Page", "頁幅", "横幅基準表示"},
    {"HelpBtn", 52, "Help", "Help", "ヘルプ", "ヘルプ"},
    {"InfoBtn", 52, "Info", "Version Infomation", "情報", "バージョン情報"},
    {"CloseBtn", 52, "Close", "Close", "閉じる", "閉じる"},
};

constexpr int kFirstButtonLeft = 19;
constexpr int kOverflowWidth = 24;
constexpr int kSavePdfWidth = 60;
constexpr int kPageBoxWidth = 70;
constexpr int kZoomBoxWidth = 76;
const QColor kShadowColour(116, 116, 116); // colour value 7631988

// Carried, not shown: the window leaves the display of hints off.
const char* const kHintProperty = "plHint";

} // namespace

TplPrevForm::TplPrevForm(QWidget* parent) : QDialog(parent, Qt::Window)
{
    setObjectName(QStringLiteral("plPrevForm"));
    QFont f = font();
    f.setFamilies({QStringLiteral("ＭＳ Ｐゴシック"), QStringLiteral("IPAPGothic"), QStringLiteral("Noto Sans CJK JP"),
                   QStringLiteral("DejaVu Sans")});
    f.setPixelSize(12);
    setFont(f);
    setSizeGripEnabled(false);
    setMinimumSize(350, 350);

    auto* lay = new QVBoxLayout(this);
    lay->setContentsMargins(0, 0, 0, 0);
    lay->setSpacing(0);

    CoolBar1 = new QWidget(this);
    CoolBar1->setObjectName(QStringLiteral("CoolBar1"));
    CoolBar1->setFixedHeight(54);
    lay->addWidget(CoolBar1);
    for (int k = 0; k < pbCount; ++k) {
        auto* b = new TplToolButton(CoolBar1);
        b->setObjectName(QLatin1String(kButtons[k].name));
        b->setGeometry(kFirstButtonLeft, 0, kButtons[k].width, 50);
        FButtons[k] = b;
    }
    PrintBtn = FButtons[pbPrint];
    PrinterSetBtn = FButtons[pbPrinterSet];
    FirstPageBtn = FButtons[pbFirstPage];
    PriorPageBtn = FButtons[pbPriorPage];
    NextPageBtn = FButtons[pbNextPage];
    LastPageBtn = FButtons[pbLastPage];
    ZoomDownBtn = FButtons[pbZoomDown];
    ZoomUpBtn = FButtons[pbZoomUp];
    PageWholeBtn = FButtons[pbPageWhole];
    PageWidthBtn = FButtons[pbPageWidth];
    HelpBtn = FButtons[pbHelp];
    InfoBtn = FButtons[pbInfo];
    CloseBtn = FButtons[pbClose];
    SavePdfBtn = new TplToolButton(CoolBar1);
    SavePdfBtn->setObjectName(QStringLiteral("SavePdfBtn"));
    SavePdfBtn->setGeometry(kFirstButtonLeft, 0, kSavePdfWidth, 50);
    connect(SavePdfBtn, &QToolButton::clicked, this, [this] { SavePdfExecute(SavePdfBtn); });
    PageNumberBox = new QLineEdit(CoolBar1);
    PageNumberBox->setObjectName(QStringLiteral("PageNumberBox"));
    PageNumberBox->setAlignment(Qt::AlignCenter);
    PageNumberBox->setGeometry(0, 13, kPageBoxWidth, 24);
    connect(PageNumberBox, &QLineEdit::returnPressed, this, [this] { PageNumberBoxReturn(); });
    ZoomBox = new QComboBox(CoolBar1);
    ZoomBox->setObjectName(QStringLiteral("ZoomBox"));
    ZoomBox->setEditable(true);
    ZoomBox->setInsertPolicy(QComboBox::NoInsert);
    ZoomBox->setCompleter(nullptr); // a typed number stays as typed
    for (int percent : {25, 50, 75, 100, 125, 150, 200, 300, 400})
        ZoomBox->addItem(QStringLiteral("%1%").arg(percent));
    ZoomBox->setGeometry(0, 13, kZoomBoxWidth, 24);
    connect(ZoomBox, &QComboBox::textActivated, this, [this](const QString& t) { ZoomBoxChosen(t); });
    // A typed value that is not in the list is taken on Return too.
    connect(ZoomBox->lineEdit(), &QLineEdit::returnPressed, this, [this] { ZoomBoxChosen(ZoomBox->currentText()); });
    OverflowBtn = new QToolButton(CoolBar1);
    OverflowBtn->setObjectName(QStringLiteral("OverflowBtn"));
    OverflowBtn->setText(QStringLiteral("»"));
    OverflowBtn->setAutoRaise(true);
    OverflowBtn->setPopupMode(QToolButton::InstantPopup);
    OverflowBtn->setMenu(new QMenu(OverflowBtn));
    OverflowBtn->hide();
    connect(OverflowBtn->menu(), &QMenu::aboutToShow, this, [this] {
        // The hidden buttons as they stand now: caption and enabled state.
        QMenu* m = OverflowBtn->menu();
        m->clear();
        QList<QToolButton*> all(std::begin(FButtons), std::end(FButtons));
        all << SavePdfBtn;
        for (QToolButton* b : all) {
            if (!b->property("plOverflow").toBool())
                continue;
            QAction* a = m->addAction(b->icon(), b->text());
            a->setEnabled(b->isEnabled());
            connect(a, &QAction::triggered, b, [b] { b->click(); });
        }
    });

    DisplayPanel = new QWidget(this);
    DisplayPanel->setObjectName(QStringLiteral("DisplayPanel"));
    auto* dl = new QHBoxLayout(DisplayPanel);
    dl->setContentsMargins(0, 0, 0, 0);
    ScrollBox1 = new TplScrollBox(DisplayPanel);
    ScrollBox1->setObjectName(QStringLiteral("ScrollBox1"));
    ScrollBox1->setFocusPolicy(Qt::StrongFocus);
    dl->addWidget(ScrollBox1);
    lay->addWidget(DisplayPanel, 1);

    StatusBar = new QStatusBar(this);
    StatusBar->setObjectName(QStringLiteral("StatusBar"));
    StatusBar->setFixedHeight(26);
    StatusBar->setSizeGripEnabled(true);
    for (int i = 0; i < 2; ++i) {
        StatusPanel[i] = new QLabel(StatusBar);
        StatusPanel[i]->setObjectName(QStringLiteral("StatusPanel%1").arg(i));
        StatusPanel[i]->setTextFormat(Qt::PlainText);
    }
    StatusPanel[0]->setFixedWidth(300);
    StatusPanel[1]->setMinimumWidth(50); // the last panel reaches to the bar's end
    StatusBar->addWidget(StatusPanel[0]);
    StatusBar->addWidget(StatusPanel[1], 1);
    lay->addWidget(StatusBar);

    // Lowest first: shadow, page, frame.
    Shape2 = new TplShape(true, kShadowColour, ScrollBox1->Client());
    Shape2->setObjectName(QStringLiteral("Shape2"));
    Image1 = new TplPageImage(ScrollBox1->Client());
    Image1->setObjectName(QStringLiteral("Image1"));
    Shape1 = new TplShape(false, Qt::black, ScrollBox1->Client());
    Shape1->setObjectName(QStringLiteral("Shape1"));
    Shape2->hide();
    Shape1->hide();

    PopupMenu1 = new QMenu(this);
    PopupMenu1->setObjectName(QStringLiteral("PopupMenu1"));
    N1 = PopupMenu1->addAction(QStringLiteral("現在の頁をコピー"));
    N2 = PopupMenu1->addAction(QStringLiteral("画面をコピー"));
    N3 = PopupMenu1->addAction(QStringLiteral("画面ハードコピー"));
    N5 = PopupMenu1->addAction(QString());
    N4 = PopupMenu1->addAction(QStringLiteral("キャンセル"));
    N5->setObjectName(QStringLiteral("N5"));
    connect(N5, &QAction::triggered, this, [this] { SavePdfExecute(N5); });
    N1->setObjectName(QStringLiteral("N1"));
    N2->setObjectName(QStringLiteral("N2"));
    N3->setObjectName(QStringLiteral("N3"));
    N4->setObjectName(QStringLiteral("N4"));
    connect(N1, &QAction::triggered, this, [this] { ActionPageCopyExecute(N1); });
    connect(N2, &QAction::triggered, this, [this] { ActionDispCopyExecute(N2); });
    connect(N3, &QAction::triggered, this, [this] { ActionHardCopyExecute(N3); });

    using Handler = void (TplPrevForm::*)(QObject*);
    const Handler handlers[pbCount] = {
        &TplPrevForm::PrintBtnClick,
        &TplPrevForm::PrinterSetBtnClick,
        &TplPrevForm::FirstPageBtnClick,
        &TplPrevForm::PriorPageBtnClick,
        &TplPrevForm::NextPageBtnClick,
        &TplPrevForm::LastPageBtnClick,
        &TplPrevForm::ZoomDownBtnClick,
        &TplPrevForm::ZoomUpBtnClick,
        &TplPrevForm::PageWholeBtnClick,
        &TplPrevForm::PageWidthBtnClick,
        nullptr,
        nullptr,
        &TplPrevForm::CloseBtnClick,
    };
    for (int k = 0; k < pbCount; ++k) {
        if (handlers[k])
            connect(FButtons[k], &QToolButton::clicked, this, [this, k, h = handlers[k]] { (this->*h)(FButtons[k]); });
    }

    ScrollBox1->OnMouseWheel = [this](QWheelEvent* e) { return ScrollBox1MouseWheel(e); };
    CreateShortcuts();
    Image1->OnMouseDown = [this](QMouseEvent* e) { Image1MouseDown(e); };
    Image1->OnMouseMove = [this](QMouseEvent* e) { Image1MouseMove(e); };
    Image1->OnMouseUp = [this](QMouseEvent* e) { Image1MouseUp(e); };

    ApplyGlyphs(false);
    FormCreate();
}

TplPrevForm::~TplPrevForm()
{
    FormDestroy();
}

void TplPrevForm::FormCreate()
{
    if (IsJapanese()) {
        SetCaptions(true);
        MsgPrintNoPrinter = QStringLiteral("プリンタがインストールされていないので印刷できません．　　");
        MsgSetupNoPrinter = QStringLiteral("プリンタがインストールされていないので設定できません．　　");
    } else {
        SetCaptions(false);
    }
    for (int k = 0; k < pbCount; ++k)
        FButtons[k]->setEnabled(k == pbClose);
    Image1->hide();
    FPrev = nullptr;
    fgView = false;
}

void TplPrevForm::SetCaptions(bool japanese)
{
    for (int k = 0; k < pbCount; ++k) {
        const auto& t = kButtons[k];
        FButtons[k]->setText(QString::fromUtf8(japanese ? t.jaCaption : t.enCaption));
        FButtons[k]->setProperty(kHintProperty, QString::fromUtf8(japanese ? t.jaHint : t.enHint));
    }
    SavePdfBtn->setText(japanese ? QStringLiteral("PDF保存") : QStringLiteral("PDF"));
    SavePdfBtn->setProperty(kHintProperty,
                            japanese ? QStringLiteral("PDFファイルに保存") : QStringLiteral("Save as PDF"));
    N5->setText(japanese ? QStringLiteral("PDFファイルに保存...") : QStringLiteral("Save as PDF..."));
    FJapanese = japanese;
}

QString TplPrevForm::SavePdfCaption() const
{
    return FJapanese ? QStringLiteral("　PDFファイルに保存") : QStringLiteral("　Save as PDF");
}

void TplPrevForm::FormDestroy()
{
    if (FInDestroy)
        return;
    FInDestroy = true;
    if (auto* d = Doc())
        if (d->OnFormDestroy)
            d->OnFormDestroy(this);
}

TplBusyScope::TplBusyScope(TplPrevForm* f) : Form(f)
{
    ++f->FBusy;
}

TplBusyScope::~TplBusyScope()
{
    if (!Form)
        return;
    if (--Form->FBusy == 0 && Form->FFreePending) {
        Form->FFreePending = false;
        Form->deleteLater();
    }
}

// ------------------------------------------------------------------ linking

void TplPrevForm::SetplPrev(TCustomplPrev* doc)
{
    if (!doc)
        return;
    FPrev = doc;
    doc->SetForm(this);
    if (!isVisible())
        ApplyFormSettings();
}

bool TplPrevForm::LinkOwnedDocument()
{
    if (FPrev)
        return true;
    // A document placed on the window: its class derives directly from
    // TCustomplPrev.
    for (QObject* o : children()) {
        auto* doc = qobject_cast<TCustomplPrev*>(o);
        const QMetaObject* base = o->metaObject()->superClass();
        if (!doc || !base || qstrcmp(base->className(), "TCustomplPrev") != 0)
            continue;
        FPrev = doc;
        doc->FFormName = objectName();
        doc->SetForm(this);
        doc->Prepare();
        ApplyFormSettings();
        return true;
    }
    return false;
}

QString TplPrevForm::StatusPaperName()
{
    TCustomplPrev* d = Doc();
    if (!d)
        return {};
    TplSetPrinter* sp = d->plSetPrinter();
    if (d->FNoPrinter || !sp)
        return d->FPaperName;
    // Asking the spooler for the paper table takes tens of milliseconds, so
    // the name is looked up again only when the printer or the paper changed.
    const QString key =
        QStringLiteral("%1\n%2\n%3").arg(sp->FPrinterName).arg(sp->PaperNumber()).arg(sp->CustomPaperName());
    if (key != FPaperKey) {
        FPaperKey = key;
        FPaperName = sp->PaperName();
    }
    return FPaperName;
}

void TplPrevForm::RestorePrinterSnapshot()
{
    // An empty snapshot (none taken, or taking it failed) is not put back.
    TCustomplPrev* d = Doc();
    if (d && !d->FSavePrinterNameStr.isEmpty())
        d->PrinterSettingsFromText(d->FSavePrinterNameStr);
}

void TplPrevForm::ApplyFormSettings()
{
    TCustomplPrev* d = Doc();
    if (!d)
        return;
    if (d->Title().isEmpty())
        d->SetTitle(QStringLiteral("印刷プレビュー"));

    setWindowTitle(d->Title());
    Qt::WindowFlags fl = Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint;
    const TBorderIcons icons = d->FormBorderIcons;
    auto has = [&](TBorderIcon i) { return icons.Contains(i); };
    TFormBorderStyle border = d->FormBorderStyle;
    if (d->FormWindowState == fwFullScreen)
        border = bsSingle;
    if (border == bsNone) {
        fl = Qt::Window | Qt::FramelessWindowHint;
    } else {
        if (border == bsToolWindow || border == bsSizeToolWin)
            fl = Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint;
        if (has(biSystemMenu))
            fl |= Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
        const bool sysButtons = has(biSystemMenu) && (border == bsSingle || border == bsSizeable);
        if (sysButtons && has(biMinimize))
            fl |= Qt::WindowMinimizeButtonHint;
        if (sysButtons && has(biMaximize))
            fl |= Qt::WindowMaximizeButtonHint;
        if (has(biSystemMenu) && has(biHelp) && border == bsDialog)
            fl |= Qt::WindowContextHelpButtonHint;
    }
    setWindowFlags(fl);
    FSizeableBorder = border == bsSizeable || border == bsSizeToolWin || border == bsNone;

    StatusBar->setVisible(d->FormStatusBar);
    CoolBar1->setVisible(d->FormIconBar);
    setWindowIcon(d->FormIcon());
    setMinimumSize(0, 0);
    setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    resize(MinimumWindowSize({d->FormWidth, d->FormHeight}));
    move(d->FormLeft, d->FormTop);

    if (!ScrollBox1->OwnBackground() && d->FormColor != clBtnFace)
        ScrollBox1->SetBackground(ColorToQColor(d->FormColor));

    const QRect monitor = ScreenRect();
    QScreen* scr = QGuiApplication::screenAt(monitor.center());
    if (!scr)
        scr = QGuiApplication::primaryScreen();
    const QRect workArea = scr ? scr->availableGeometry() : monitor;
    // The designed bounds are for the screen the window was designed on: on
    // a smaller one the window (and the size it is restored to from
    // maximised) is brought onto the work area, the designed size kept
    // where it fits.
    FitToWorkArea(workArea);
    setWindowState(Qt::WindowNoState);
    switch (d->FormWindowState) {
    case fwFullScreen: setGeometry(monitor); break;
    case fwWorkArea: setGeometry(workArea); break;
    case fwMinimized: setWindowState(Qt::WindowMinimized); break;
    case fwMaximized: setWindowState(Qt::WindowMaximized); break;
    case fwNormal:
        switch (d->FormPosition) {
        case poScreenCenter:
        case poDesktopCenter: move(workArea.center() - QPoint(width() / 2, height() / 2)); break;
        case poMainFormCenter:
        case poOwnerFormCenter: {
            QWidget* main = parentWidget() ? parentWidget()->window() : QApplication::activeWindow();
            if (main && main != this)
                move(main->frameGeometry().center() - QPoint(width() / 2, height() / 2));
            break;
        }
        default: break; // designed or left to the window manager: FormLeft, FormTop stand
        }
        FitToWorkArea(workArea);
        break;
    }
    FPinnedPos = pos();
    ApplyResizeRule();
    ArrangeButtons();
}

void TplPrevForm::FitToWorkArea(const QRect& workArea)
{
    // The frame is known once the window has been shown.
    const QRect framed = frameGeometry(), inner = geometry();
    const QMargins frame(inner.left() - framed.left(), inner.top() - framed.top(), framed.right() - inner.right(),
                         framed.bottom() - inner.bottom());
    const QRect fitted = FitWindowToArea(inner, frame, workArea, MinimumWindowSize({0, 0}));
    if (fitted != inner)
        setGeometry(fitted);
}

QRect TplPrevForm::ScreenRect() const
{
    // The monitor of the active window, else of this window's last pop-up
    // (itself), else the primary one.
    QWidget* active = QApplication::activeWindow();
    QScreen* scr = nullptr;
    if (active && active != this)
        scr = active->screen();
    if (!scr)
        scr = screen();
    if (!scr)
        scr = QGuiApplication::primaryScreen();
    return scr ? scr->geometry() : QRect(0, 0, 1920, 1080);
}

void TplPrevForm::ApplyResizeRule()
{
    TCustomplPrev* d = Doc();
    const bool resizable = FSizeableBorder && (!d || d->FormCanResize);
    if (resizable) {
        setMinimumSize(350, 350);
        setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    } else {
        setFixedSize(MinimumWindowSize(size()));
    }
    StatusBar->setSizeGripEnabled(resizable);
}

void TplPrevForm::ArrangeButtons()
{
    TCustomplPrev* d = Doc();
    if (!d)
        return;
    const TplPrevButtonSet visible = static_cast<TplPrevButtonSet>(d->BtnOptions().ToInt() & 0x1FFF);
    int widths[pbCount];
    for (int k = 0; k < pbCount; ++k)
        widths[k] = kButtons[k].width;
    TplButtonPlace places[pbCount];
    ArrangeButtonPlaces(visible, widths, kFirstButtonLeft, FStyled, places);
    // Buttons that would reach past the window's edge go behind the
    // overflow button, so every command stays reachable at the minimum size.
    int right = kFirstButtonLeft;
    for (int k = 0; k < pbCount; ++k)
        if (places[k].Left >= 0)
            right = std::max(right, places[k].Left + places[k].Width);
    // Save as PDF goes with printing, after the designed buttons.
    const bool pdfPlaced = !!(visible & ButtonBit(pbPrint));
    const int pdfLeft = right + 1;
    if (pdfPlaced)
        right = pdfLeft + kSavePdfWidth;
    const int limit = isWindow() || !parentWidget() ? width() : CoolBar1->width();
    const bool overflow = isVisible() && right > limit;
    const int edge = limit - kOverflowWidth;
    for (int k = 0; k < pbCount; ++k) {
        const bool placed = places[k].Left >= 0;
        const bool behind = placed && overflow && places[k].Left + places[k].Width > edge;
        FButtons[k]->setProperty("plOverflow", behind);
        FButtons[k]->setVisible(placed && !behind);
        if (placed)
            FButtons[k]->setGeometry(places[k].Left, 0, places[k].Width, 50);
    }
    // The boxes follow; where they do not fit they are left out (the page
    // and zoom buttons still are in the bar or its menu).
    const int boxesLeft = right + 8;
    const int boxesRight = boxesLeft + kPageBoxWidth + 4 + kZoomBoxWidth;
    const bool boxes = (!isVisible() || boxesRight <= limit) && !overflow;
    PageNumberBox->setVisible(boxes);
    ZoomBox->setVisible(boxes);
    PageNumberBox->move(boxesLeft, 13);
    ZoomBox->move(boxesLeft + kPageBoxWidth + 4, 13);
    const bool pdfBehind = pdfPlaced && overflow && right > edge;
    SavePdfBtn->setProperty("plOverflow", pdfBehind);
    SavePdfBtn->setVisible(pdfPlaced && !pdfBehind);
    SavePdfBtn->setGeometry(pdfLeft, 0, kSavePdfWidth, 50);
    OverflowBtn->setVisible(overflow);
    if (overflow) {
        OverflowBtn->setGeometry(edge, 0, kOverflowWidth, 50);
        OverflowBtn->raise();
    }
}

void TplPrevForm::SetBtnEnabled(QToolButton* Btn, bool On)
{
    if (!Btn)
        return;
    if (FStyled) {
        // Where neighbours overlap, the enabled one is drawn on top.
        if (On)
            Btn->raise();
        else
            Btn->lower();
    }
    Btn->setEnabled(On);
}

void TplPrevForm::SetStyleName(const QString& name)
{
    FStyleName = name;
    ApplyStyleName(this, name);
}

void TplPrevForm::EmbedInParent()
{
    TCustomplPrev* d = Doc();
    QWidget* host = d ? d->FormParent() : nullptr;
    if (!host || parentWidget() == host)
        return;
    setParent(host, Qt::Widget);
    setGeometry(host->rect());
    host->installEventFilter(this);
}

bool TplPrevForm::eventFilter(QObject* watched, QEvent* e)
{
    if (watched == parentWidget() && e->type() == QEvent::Resize && !isWindow())
        setGeometry(parentWidget()->rect());
    return QDialog::eventFilter(watched, e);
}

// ------------------------------------------------------------------ showing

void TplPrevForm::Show()
{
    LinkOwnedDocument();
    EmbedInParent();
    show();
    raise();
    activateWindow();
}

int TplPrevForm::ShowModal()
{
    LinkOwnedDocument();
    EmbedInParent();
    // The window may already be closed again while it is being shown (its
    // first page pumps events), so the modal loop runs only while it is open.
    QPointer<TplPrevForm> self(this);
    setResult(0);
    setWindowModality(Qt::ApplicationModal);
    show();
    if (self && isVisible()) {
        QEventLoop loop;
        FModalLoop = &loop;
        loop.exec(QEventLoop::DialogExec);
        if (self)
            FModalLoop = nullptr;
    }
    if (!self)
        return QDialog::Rejected;
    setWindowModality(Qt::NonModal);
    return result();
}

void TplPrevForm::showEvent(QShowEvent* e)
{
    TplBusyScope busy(this);
    ImageDragFlag = false;
    QDialog::showEvent(e);
    if (e->spontaneous())
        return;
    // Now that the frame is known, a window of its own in normal state is
    // kept inside the work area with its frame.
    if (Doc() && isWindow() && windowState() == Qt::WindowNoState && Doc()->FormWindowState == fwNormal)
        if (QScreen* scr = screen())
            FitToWorkArea(scr->availableGeometry());
    if (Doc()) {
        FormShow();
        if (isVisible())
            InitView();
    } else {
        fgView = true;
    }
}

void TplPrevForm::hideEvent(QHideEvent* e)
{
    ImageDragFlag = false;
    QDialog::hideEvent(e);
    if (FModalLoop && !e->spontaneous())
        FModalLoop->exit();
}

void TplPrevForm::FormShow()
{
    if (auto* d = Doc())
        if (d->OnFormShow)
            d->OnFormShow(this);
}

void TplPrevForm::InitView()
{
    TplBusyScope busy(this);
    TCustomplPrev* d = Doc();
    if (!d)
        return;
    fgView = true;
    setWindowTitle(d->Title());
    FPinnedPos = pos();
    if (d->GetMetaImage(d->PageNumber())) { // none: nothing drawn
        ScrollBox1->Margin = 10;
        ScrollBox1->SetAutoScroll(true);
        Image1->setVisible(d->ImageVisible());
        if (d->ZoomType == ztPageWidth)
            PageWidthBtnClick(this);
        else
            PageWholeBtnClick(this);
        DrawMetaImage();
        QPointer<TplPrevForm> self(this);
        QCoreApplication::processEvents();
        if (!self)
            return;
    }
    repaint();
}

void TplPrevForm::DrawMetaImage()
{
    TplBusyScope busy(this);
    if (!Doc() || Image1->isHidden())
        return;
    QPointer<TplPrevForm> self(this);
    QCoreApplication::processEvents();
    TCustomplPrev* d = self ? Doc() : nullptr;
    if (!d)
        return;
    const int page = d->PageNumber();
    const TMetafile* pic = d->GetMetaImage(page);
    Image1->SetPicture(pic ? *pic : TMetafile());
    Shape1->show();
    Shape2->setVisible(d->ImageShade);
    PlaceShapes();
    if (d->OnAfterView)
        d->OnAfterView(this, page);
    QCoreApplication::processEvents();
    if (!self || !(d = Doc()))
        return;

    const int n = d->PageNumber(), count = d->PageCount();
    const TplPrevButtonSet on = ButtonsEnabledForPage(n, count);
    for (int k : {pbPrint, pbPrinterSet, pbPageWhole, pbPageWidth, pbZoomDown, pbZoomUp, pbFirstPage, pbPriorPage,
                  pbNextPage, pbLastPage})
        SetBtnEnabled(FButtons[k], on & ButtonBit(k));
    StatusPanel[0]->setText(PageStatusText(n, count, StatusPaperName()));
    UpdateBoxes();
    const QString extra = d->StatusBarText;
    if (!extra.isEmpty())
        StatusPanel[1]->setText(extra);
}

void TplPrevForm::ShowPageImage(bool Visible, bool Shade)
{
    if (Visible) {
        Image1->show();
        Shape1->show();
        if (Shade)
            Shape2->show();
    } else {
        Image1->hide();
        Shape1->hide();
        Shape2->hide();
    }
}

void TplPrevForm::PlaceShapes()
{
    TCustomplPrev* d = Doc();
    if (Image1->isHidden())
        return;
    const QRect r = ScrollBox1->ChildBounds(Image1);
    ScrollBox1->SetChildBounds(Shape2, QRect(r.left() + 2, r.top() + 2, r.width() + 2, r.height() + 2));
    Shape1->SetColour(Qt::black);
    ScrollBox1->SetChildBounds(Shape1, QRect(r.left() - 1, r.top() - 1, r.width() + 1, r.height() + 1));
    if (d)
        if (d->OnResize)
            d->OnResize(this, d->PageNumber());
}

// --------------------------------------------------------------- navigation

void TplPrevForm::FirstPageBtnClick(QObject*)
{
    TplBusyScope busy(this);
    TCustomplPrev* d = Doc();
    if (!d || d->PageNumber() == 1)
        return;
    SetBtnEnabled(FirstPageBtn, false);
    SetBtnEnabled(PriorPageBtn, false);
    d->SetPageNumber(1);
    DrawMetaImage();
}

void TplPrevForm::PriorPageBtnClick(QObject*)
{
    TplBusyScope busy(this);
    TCustomplPrev* d = Doc();
    if (!d || d->PageNumber() == 1)
        return;
    SetBtnEnabled(PriorPageBtn, false);
    d->SetPageNumber(d->PageNumber() - 1);
    DrawMetaImage();
}

void TplPrevForm::NextPageBtnClick(QObject*)
{
    TplBusyScope busy(this);
    TCustomplPrev* d = Doc();
    if (!d || d->PageNumber() == d->PageCount())
        return;
    SetBtnEnabled(NextPageBtn, false);
    d->SetPageNumber(d->PageNumber() + 1);
    DrawMetaImage();
}

void TplPrevForm::LastPageBtnClick(QObject*)
{
    TplBusyScope busy(this);
    TCustomplPrev* d = Doc();
    if (!d || d->PageNumber() == d->PageCount())
        return;
    SetBtnEnabled(LastPageBtn, false);
    SetBtnEnabled(NextPageBtn, false);
    d->SetPageNumber(d->PageCount());
    DrawMetaImage();
}

// ------------------------------------------------------ resizing and moving

void TplPrevForm::resizeEvent(QResizeEvent* e)
{
    QDialog::resizeEvent(e);
    ArrangeButtons();
    FormResize();
}

void TplPrevForm::FormResize()
{
    TplBusyScope busy(this);
    TCustomplPrev* d = Doc();
    if (!d || !fgView)
        return;
    if (d->ZoomType == ztWholePage)
        PageWholeBtnClick(this);
    else if (d->ZoomType == ztPageWidth)
        PageWidthBtnClick(this);
}

void TplPrevForm::moveEvent(QMoveEvent* e)
{
    QDialog::moveEvent(e);
    TCustomplPrev* d = Doc();
    if (!d || !isVisible() || !isWindow() || d->FormCanMove) {
        FPinnedPos = pos();
        return;
    }
    // A window that may not move goes back where it was; maximising,
    // minimising and closing stay possible.
    if (windowState() & (Qt::WindowMaximized | Qt::WindowMinimized | Qt::WindowFullScreen))
        return;
    if (pos() != FPinnedPos)
        move(FPinnedPos);
}

// ------------------------------------------------------------------- glyphs

void TplPrevForm::paintEvent(QPaintEvent* e)
{
    FormPaint();
    QDialog::paintEvent(e);
}

void TplPrevForm::FormPaint()
{
    // The glyphs match the look the tool bar really has. The window's look
    // is settled when it is shown; a desktop switch later changes only what
    // the desktop asks for, and glyphs chosen from that would vanish into
    // a bar of the same shade.
    const QPalette& bar = CoolBar1->palette();
    const bool dark = bar.color(CoolBar1->backgroundRole()).lightness() < 128;
    if (!FGlyphsSet || dark != FDarkGlyphs)
        ApplyGlyphs(dark);
}

void TplPrevForm::ApplyGlyphs(bool dark)
{
    FGlyphsSet = true;
    FDarkGlyphs = dark;
    const TplGlyphList& list = dark ? TplGlyphList::DarkList() : TplGlyphList::Light();
    for (int k = 0; k < pbCount; ++k)
        FButtons[k]->setIcon(list.ButtonIcon(k));
    N1->setIcon(list.MenuIcon(TplGlyphMenu::PageCopy));
    N2->setIcon(list.MenuIcon(TplGlyphMenu::ScreenCopy));
    N3->setIcon(list.MenuIcon(TplGlyphMenu::HardCopy));
    N5->setIcon(list.MenuIcon(TplGlyphMenu::SavePdf));
    SavePdfBtn->setIcon(list.MenuIcon(TplGlyphMenu::SavePdf));
}
