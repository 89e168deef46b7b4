#include "plPrevFrmParts.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyleOptionToolButton>
#include <QStylePainter>

#include <algorithm>

// ---------------------------------------------------------------- scroll box

TplScrollBox::TplScrollBox(QWidget* parent) : QScrollArea(parent), FClient(new QWidget)
{
    setFrameShape(QFrame::NoFrame);
    setWidgetResizable(false);
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
    FClient->setAutoFillBackground(false);
    FClient->resize(1, 1);
    setWidget(FClient);
    // The button-face colour of whatever look the window has, until a
    // colour of its own is given.
    viewport()->setAutoFillBackground(true);
    viewport()->setBackgroundRole(QPalette::Button);
}

static QPoint ScrollOffset(const QScrollArea* a)
{
    return {a->horizontalScrollBar()->value(), a->verticalScrollBar()->value()};
}

void TplScrollBox::SetChildBounds(QWidget* child, const QRect& clientRect)
{
    child->setGeometry(clientRect.translated(ScrollOffset(this)));
    UpdateRange();
}

QRect TplScrollBox::ChildBounds(const QWidget* child) const
{
    return child->geometry().translated(-ScrollOffset(this));
}

void TplScrollBox::MoveChildBy(QWidget* child, QPoint delta)
{
    child->move(child->pos() + delta);
}

void TplScrollBox::SetAutoScroll(bool on)
{
    FAutoScroll = on;
    UpdateRange();
}

void TplScrollBox::SetScrollBarsVisible(bool on)
{
    FBarsVisible = on;
    const auto policy = on ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff;
    setHorizontalScrollBarPolicy(policy);
    setVerticalScrollBarPolicy(policy);
    if (!on)
        ScrollToOrigin(); // without bars there is no scroll position
    UpdateRange();
}

void TplScrollBox::ScrollToOrigin()
{
    // Children keep their place on the content, so their client positions
    // move with the scroll.
    horizontalScrollBar()->setValue(0);
    verticalScrollBar()->setValue(0);
}

void TplScrollBox::SettleScrollBars()
{
    // The bars are shown or hidden through a queued call; run it now.
    QCoreApplication::sendPostedEvents(this, QEvent::MetaCall);
    QCoreApplication::sendPostedEvents(this, QEvent::LayoutRequest);
}

int TplScrollBox::ClientWidth() const
{
    return viewport()->width();
}

int TplScrollBox::ClientHeight() const
{
    return viewport()->height();
}

void TplScrollBox::SetBackground(const QColor& c)
{
    FOwnBackground = true;
    viewport()->setBackgroundRole(QPalette::Window);
    QPalette p = viewport()->palette();
    p.setColor(QPalette::Window, c);
    viewport()->setPalette(p);
}

QColor TplScrollBox::Background() const
{
    return viewport()->palette().color(viewport()->backgroundRole());
}

void TplScrollBox::UpdateRange()
{
    // The content spans the children that are shown, from the content's
    // origin; what lies left of or above it cannot be scrolled to.
    int right = 1, bottom = 1;
    if (FAutoScroll) {
        for (QObject* o : FClient->children()) {
            auto* w = qobject_cast<QWidget*>(o);
            if (!w || w->isHidden())
                continue;
            right = std::max(right, w->geometry().right() + 1 + Margin);
            bottom = std::max(bottom, w->geometry().bottom() + 1 + Margin);
        }
    }
    if (FClient->size() != QSize(right, bottom))
        FClient->resize(right, bottom);
}

void TplScrollBox::wheelEvent(QWheelEvent* e)
{
    if (OnMouseWheel && OnMouseWheel(e)) {
        e->accept();
        return;
    }
    QScrollArea::wheelEvent(e);
}

// ------------------------------------------------------------------- shapes

TplShape::TplShape(bool filled, const QColor& colour, QWidget* parent)
    : QWidget(parent), FFilled(filled), FColour(colour)
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_NoSystemBackground);
}

void TplShape::SetColour(const QColor& c)
{
    FColour = c;
    update();
}

void TplShape::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    const int w = width(), h = height();
    if (FFilled) {
        p.fillRect(rect(), FColour);
        return;
    }
    p.fillRect(0, 0, w, 1, FColour);
    p.fillRect(0, h - 1, w, 1, FColour);
    p.fillRect(0, 0, 1, h, FColour);
    p.fillRect(w - 1, 0, 1, h, FColour);
}

// --------------------------------------------------------------- page image

TplPageImage::TplPageImage(QWidget* parent) : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void TplPageImage::SetPicture(const TMetafile& p)
{
    FPicture = p;
    FHasPicture = p.Width() > 0 && p.Height() > 0;
    FCacheValid = false;
    FCache = QImage();
    update();
}

void TplPageImage::paintEvent(QPaintEvent* e)
{
    QPainter p(this);
    if (!FHasPicture) {
        p.fillRect(rect(), Qt::white);
        return;
    }
    const qreal dpr = devicePixelRatioF();
    const QSize px = (QSizeF(size()) * dpr).toSize();
    // A picture larger than this is replayed on every paint instead of kept.
    constexpr qint64 kMaxCachePixels = qint64(16) * 1024 * 1024;
    if (qint64(px.width()) * px.height() > kMaxCachePixels || px.isEmpty()) {
        p.setClipRegion(e->region());
        p.fillRect(rect(), Qt::white);
        p.setRenderHint(QPainter::Antialiasing);
        p.setRenderHint(QPainter::TextAntialiasing);
        FPicture.Play(p, QRectF(rect()));
        return;
    }
    if (!FCacheValid || FCache.size() != px || FCache.devicePixelRatio() != dpr) {
        FCache = QImage(px, QImage::Format_RGB32);
        FCache.setDevicePixelRatio(dpr);
        FCache.fill(Qt::white);
        QPainter cp(&FCache);
        cp.setRenderHint(QPainter::Antialiasing);
        cp.setRenderHint(QPainter::TextAntialiasing);
        cp.setRenderHint(QPainter::SmoothPixmapTransform);
        FPicture.Play(cp, QRectF(0, 0, width(), height()));
        FCacheValid = true;
    }
    p.drawImage(QPoint(0, 0), FCache);
}

void TplPageImage::mousePressEvent(QMouseEvent* e)
{
    if (OnMouseDown)
        OnMouseDown(e);
}

void TplPageImage::mouseMoveEvent(QMouseEvent* e)
{
    if (OnMouseMove)
        OnMouseMove(e);
}

void TplPageImage::mouseReleaseEvent(QMouseEvent* e)
{
    if (OnMouseUp)
        OnMouseUp(e);
}

// -------------------------------------------------------------- tool button

TplToolButton::TplToolButton(QWidget* parent) : QToolButton(parent)
{
    setAutoRaise(true);
    setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    setIconSize(QSize(24, 24));
    // Reachable with Tab, not taken by a click: the page keeps the keys.
    setFocusPolicy(Qt::TabFocus);
}

void TplToolButton::paintEvent(QPaintEvent*)
{
    QStylePainter p(this);
    QStyleOptionToolButton opt;
    initStyleOption(&opt);
    // The style draws the flat panel (hover, pressed); glyph and caption are
    // placed here so that they keep their distance on every style.
    opt.text.clear();
    opt.icon = QIcon();
    p.drawComplexControl(QStyle::CC_ToolButton, opt);

    const QFontMetrics fm(font());
    const int textH = fm.height();
    const int top = std::max(0, (height() - (24 + 2 + textH)) / 2);
    const QIcon::Mode mode = isEnabled() ? QIcon::Normal : QIcon::Disabled;
    const QPixmap pm = icon().pixmap(QSize(24, 24), devicePixelRatioF(), mode);
    p.drawPixmap(QRect((width() - 24) / 2, top, 24, 24), pm);
    QStyleOption to;
    to.initFrom(this);
    style()->drawItemText(&p, QRect(0, top + 24 + 2, width(), textH),
                          Qt::AlignHCenter | Qt::AlignTop | Qt::TextShowMnemonic, to.palette, isEnabled(), text(),
                          QPalette::ButtonText);
}
