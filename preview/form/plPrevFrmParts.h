#pragma once

// The controls the preview window is built from: a scroll box whose children
// sit at client positions (as the window's arithmetic expects), the two
// rectangle shapes, the page image and the flat tool button.

#include "plMetafile.h"

#include <QImage>
#include <QScrollArea>
#include <QToolButton>
#include <QWheelEvent>
#include <QWidget>

#include <functional>

// Children of Client() are placed in client coordinates: relative to the
// visible top-left corner, so a scrolled content has negative positions.
// With automatic scrolling the scroll range reaches Margin pixels beyond the
// right-most and lowest visible child.
class TplScrollBox : public QScrollArea {
    Q_OBJECT
public:
    explicit TplScrollBox(QWidget* parent = nullptr);

    QWidget* Client() const { return FClient; }
    void SetChildBounds(QWidget* child, const QRect& clientRect);
    QRect ChildBounds(const QWidget* child) const;
    void MoveChildBy(QWidget* child, QPoint delta);

    void SetAutoScroll(bool on);
    bool AutoScroll() const { return FAutoScroll; }
    int Margin = 0;

    // Shown: a bar appears when the range exceeds the client; hidden: never.
    void SetScrollBarsVisible(bool on);
    bool ScrollBarsVisible() const { return FBarsVisible; }
    void ScrollToOrigin();
    // Brings the bars up to date with the content now, so that the client
    // width read afterwards is the final one.
    void SettleScrollBars();
    int ClientWidth() const;
    int ClientHeight() const;

    // The background: the look's button face until a colour is given.
    void SetBackground(const QColor& c);
    QColor Background() const;
    bool OwnBackground() const { return FOwnBackground; }

    // Wheel turns; the handler returns true when it took the event.
    std::function<bool(QWheelEvent* e)> OnMouseWheel;

    void UpdateRange();

protected:
    void wheelEvent(QWheelEvent* e) override;

private:
    QWidget* FClient;
    bool FAutoScroll = false;
    bool FBarsVisible = true;
    bool FOwnBackground = false;
};

// A rectangle drawn on its own bounds: filled without outline, or an
// unfilled one-pixel outline. Takes no mouse input.
class TplShape : public QWidget {
public:
    TplShape(bool filled, const QColor& colour, QWidget* parent);
    void SetColour(const QColor& c);

protected:
    void paintEvent(QPaintEvent*) override;

private:
    bool FFilled;
    QColor FColour;
};

// The page image: shows its picture stretched to exactly its bounds, drawn
// at the screen's pixel density.
class TplPageImage : public QWidget {
public:
    explicit TplPageImage(QWidget* parent);
    // Takes a copy; an empty picture drops it.
    void SetPicture(const TMetafile& p);
    const TMetafile& Picture() const { return FPicture; }
    bool HasPicture() const { return FHasPicture; }

    std::function<void(QMouseEvent*)> OnMouseDown;
    std::function<void(QMouseEvent*)> OnMouseMove;
    std::function<void(QMouseEvent*)> OnMouseUp;

protected:
    void paintEvent(QPaintEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;

private:
    TMetafile FPicture;
    bool FHasPicture = false;
    QImage FCache; // the picture rendered at the current size and density
    bool FCacheValid = false;
};

// A flat tool button with its glyph above the caption, 2 pixels between them.
class TplToolButton : public QToolButton {
public:
    explicit TplToolButton(QWidget* parent);
    QSize sizeHint() const override { return size(); }

protected:
    void paintEvent(QPaintEvent*) override;
};
