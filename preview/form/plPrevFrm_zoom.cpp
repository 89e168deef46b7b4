// Zoom, wheel scrolling and panning of the page image.
#include "plPrevFrm.h"

#include <QApplication>
#include <QMenu>
#include <QMouseEvent>
#include <QScreen>
#include <QScrollBar>

void TplPrevForm::PlaceImage()
{
    ScrollBox1->SetChildBounds(Image1, QRect(ImgLeft, ImgTop, ImgWidth, ImgHeight));
    PlaceShapes();
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

bool TplPrevForm::ScrollBox1MouseWheel(int WheelDelta)
{
    QScrollBar* bar = ScrollBox1->verticalScrollBar();
    bar->setValue(WheelScrollPosition(bar->value(), WheelDelta));
    return true;
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
