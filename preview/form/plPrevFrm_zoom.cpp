// Zoom, wheel scrolling and panning of the page image.
#include "plPrevFrm.h"

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QScreen>
#include <QScrollBar>
#include <QShortcut>
#include <QWheelEvent>

#include <algorithm>

void TplPrevForm::PlaceImage()
{
    ScrollBox1->SetChildBounds(Image1, QRect(ImgLeft, ImgTop, ImgWidth, ImgHeight));
    PlaceShapes();
    UpdateBoxes();
    QCoreApplication::processEvents();
}

void TplPrevForm::SetImageRect(const TplImgRect& r)
{
    ImgLeft = r.Left;
    ImgTop = r.Top;
    ImgWidth = r.Width;
    ImgHeight = r.Height;
}

void TplPrevForm::PageWholeBtnClick(QObject*)
{
    TplBusyScope busy(this);
    TCustomplPrev* d = Doc();
    if (!d)
        return;
    d->ZoomType = ztWholePage;
    ScrollBox1->SetScrollBarsVisible(false);
    const TplImgRect r = WholePageRect(ScrollBox1->width(), ScrollBox1->height(), d->ViewPaperRatio());
    SetImageRect(r);
    PlaceImage();
    if ((d = Doc()) && d->ImageVisible()) {
        SetBtnEnabled(ZoomUpBtn, true);
        SetBtnEnabled(ZoomDownBtn, true);
    }
}

void TplPrevForm::PageWidthBtnClick(QObject*)
{
    TplBusyScope busy(this);
    TCustomplPrev* d = Doc();
    if (!d)
        return;
    d->ZoomType = ztPageWidth;
    ScrollBox1->SetScrollBarsVisible(true);
    ScrollBox1->ScrollToOrigin();
    for (int pass = 0; pass < 2; ++pass) {
        // The first placement may bring up the vertical bar and narrow the
        // client; the second one fits the width that is left.
        const TplImgRect r = PageWidthRect(ScrollBox1->ClientWidth(), d->ViewPaperRatio());
        SetImageRect(r);
        ScrollBox1->SetChildBounds(Image1, QRect(ImgLeft, ImgTop, ImgWidth, ImgHeight));
        ScrollBox1->SettleScrollBars();
    }
    PlaceImage();
    if ((d = Doc()) && d->ImageVisible()) {
        SetBtnEnabled(ZoomUpBtn, true);
        SetBtnEnabled(ZoomDownBtn, true);
    }
}

void TplPrevForm::ZoomDownBtnClick(QObject*)
{
    TplBusyScope busy(this);
    TCustomplPrev* d = Doc();
    if (!d)
        return;
    d->ZoomType = ztOther;
    ScrollBox1->SetScrollBarsVisible(true);
    TplImgRect r = ImageRect();
    r.Width = Image1->width(); // the image as it is now
    if (ZoomOutStep(r, d->ViewPaperRatio())) {
        ImgWidth = r.Width;
        ImgHeight = r.Height;
        PlaceImage();
        SetBtnEnabled(ZoomDownBtn, true);
    } else {
        SetBtnEnabled(ZoomDownBtn, false);
    }
    SetBtnEnabled(ZoomUpBtn, true);
}

void TplPrevForm::ZoomUpBtnClick(QObject*)
{
    TplBusyScope busy(this);
    TCustomplPrev* d = Doc();
    if (!d)
        return;
    d->ZoomType = ztOther;
    ScrollBox1->SetScrollBarsVisible(true);
    const QRect now = ScrollBox1->ChildBounds(Image1);
    const QRect screenRect = ScreenRect();
    TplImgRect r{ImgLeft, ImgTop, now.width(), now.height()};
    if (ZoomInStep(r, now.left(), now.top(), d->ViewPaperRatio(), screenRect.width(), screenRect.height())) {
        SetImageRect(r);
        PlaceImage();
    } else {
        SetBtnEnabled(ZoomUpBtn, false);
    }
    SetBtnEnabled(ZoomDownBtn, true);
}

bool TplPrevForm::ScrollBox1MouseWheel(QWheelEvent* e)
{
    const QPoint a = e->angleDelta();
    if (e->modifiers() & Qt::ControlModifier) {
        const int delta = a.y() ? a.y() : a.x();
        if (delta > 0)
            PressButton(ZoomUpBtn);
        else if (delta < 0)
            PressButton(ZoomDownBtn);
        return true;
    }
    // A sideways wheel, or the wheel with Shift, scrolls across.
    const bool across = a.x() != 0 || (e->modifiers() & Qt::ShiftModifier);
    QScrollBar* bar = across ? ScrollBox1->horizontalScrollBar() : ScrollBox1->verticalScrollBar();
    bar->setValue(WheelScrollPosition(bar->value(), a.x() ? a.x() : a.y()));
    return true;
}

void TplPrevForm::PressButton(QToolButton* Btn)
{
    // Only what the tool bar offers now: a button the document hides or
    // that is disabled (the first page already shown) does nothing.
    const bool offered = Btn->isVisible() || Btn->property("plOverflow").toBool();
    if (offered && Btn->isEnabled() && FBusy == 0)
        Btn->click();
}

void TplPrevForm::CreateShortcuts()
{
    const struct {
        QKeySequence key;
        QToolButton* btn;
    } keys[] = {
        {QKeySequence(Qt::Key_PageUp), PriorPageBtn},   {QKeySequence(Qt::Key_PageDown), NextPageBtn},
        {QKeySequence(Qt::Key_Home), FirstPageBtn},     {QKeySequence(Qt::Key_End), LastPageBtn},
        {QKeySequence(Qt::Key_Plus), ZoomUpBtn},        {QKeySequence(Qt::SHIFT | Qt::Key_Plus), ZoomUpBtn},
        {QKeySequence(Qt::Key_Equal), ZoomUpBtn},       {QKeySequence(Qt::Key_Minus), ZoomDownBtn},
        {QKeySequence(Qt::CTRL | Qt::Key_P), PrintBtn},
    };
    for (const auto& k : keys) {
        auto* s = new QShortcut(k.key, this);
        QToolButton* btn = k.btn;
        connect(s, &QShortcut::activated, this, [this, btn] { PressButton(btn); });
    }
}

void TplPrevForm::Image1MouseDown(QMouseEvent* e)
{
    const QPoint p = e->position().toPoint();
    MouseDownX = p.x();
    MouseDownY = p.y();
    TCustomplPrev* d = Doc();
    if (!d)
        return;
    if (e->button() == Qt::LeftButton) {
        if (d->ImageDrag && d->ImageVisible()) {
            ScrollBox1->SetScrollBarsVisible(true);
            ScrollBox1->SetAutoScroll(true);
            ImageDragFlag = true;
        }
    } else if (e->button() == Qt::RightButton) {
        if (d->FNoPrinter) {
            N2->setEnabled(false);
            N3->setEnabled(false);
        }
        PopupMenu1->popup(e->globalPosition().toPoint());
    }
}

void TplPrevForm::MoveImageBy(QPoint delta)
{
    if (delta.isNull())
        return;
    for (QWidget* w : {static_cast<QWidget*>(Image1), static_cast<QWidget*>(Shape1), static_cast<QWidget*>(Shape2)})
        ScrollBox1->MoveChildBy(w, delta);
    ScrollBox1->UpdateRange();
    ScrollBox1->viewport()->repaint();
}

void TplPrevForm::Image1MouseMove(QMouseEvent* e)
{
    if (!ImageDragFlag || !(e->buttons() & Qt::LeftButton))
        return;
    const QPoint p = e->position().toPoint();
    MoveImageBy(QPoint(p.x() - MouseDownX, p.y() - MouseDownY));
}

void TplPrevForm::Image1MouseUp(QMouseEvent* e)
{
    if (!ImageDragFlag || e->button() != Qt::LeftButton)
        return;
    const QPoint p = e->position().toPoint();
    MoveImageBy(QPoint(p.x() - MouseDownX, p.y() - MouseDownY));
    ImageDragFlag = false;
}

double TplPrevForm::FullSizeWidth() const
{
    // The paper's width (0.1 mm units) on this screen at its logical
    // resolution.
    TCustomplPrev* d = Doc();
    const int paper = d ? d->PaperWidth() : 0;
    return paper > 0 ? paper / 254.0 * logicalDpiX() : 0.0;
}

void TplPrevForm::UpdateBoxes()
{
    TCustomplPrev* d = Doc();
    if (!d)
        return;
    if (!PageNumberBox->hasFocus())
        PageNumberBox->setText(QStringLiteral("%1 / %2").arg(d->PageNumber()).arg(d->PageCount()));
    const double full = FullSizeWidth();
    if (full > 0 && !ZoomBox->lineEdit()->hasFocus())
        ZoomBox->setEditText(QStringLiteral("%1%").arg(qRound(Image1->width() * 100.0 / full)));
}

void TplPrevForm::PageNumberBoxReturn()
{
    TplBusyScope busy(this);
    TCustomplPrev* d = Doc();
    if (!d)
        return;
    // The number typed, before any " / N" that is left in the box.
    bool ok = false;
    const int n = PageNumberBox->text().section(QLatin1Char('/'), 0, 0).trimmed().toInt(&ok);
    ScrollBox1->setFocus();
    if (ok && n >= 1 && n <= d->PageCount() && n != d->PageNumber()) {
        d->SetPageNumber(n);
        DrawMetaImage();
    }
    UpdateBoxes();
}

void TplPrevForm::ZoomBoxChosen(const QString& Text)
{
    TplBusyScope busy(this);
    TCustomplPrev* d = Doc();
    bool ok = false;
    QString t = Text.trimmed();
    if (t.endsWith(QLatin1Char('%')))
        t.chop(1);
    const double percent = t.trimmed().toDouble(&ok);
    const double full = FullSizeWidth();
    ScrollBox1->setFocus();
    if (d && ok && full > 0 && d->ImageVisible()) {
        // Within what the zoom buttons reach: a tenth up to four times.
        const int w = qRound(full * std::clamp(percent, 10.0, 400.0) / 100.0);
        d->ZoomType = ztOther;
        ScrollBox1->SetScrollBarsVisible(true);
        ImgWidth = std::max(1, w);
        ImgHeight = std::max(1, qRound(w * d->ViewPaperRatio()));
        PlaceImage();
        SetBtnEnabled(ZoomUpBtn, true);
        SetBtnEnabled(ZoomDownBtn, true);
    }
    UpdateBoxes();
}
