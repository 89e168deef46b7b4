#pragma once

// What the document asks of the window that previews it. The document knows
// its window only through this interface; the window's library provides the
// window and registers how to make one (RegisterPreviewForm), so that the
// document can be built, linked and used without it.

#include <QObject>
#include <QString>

class QWidget;
class TCustomplPrev;

class TplPrevHost {
public:
    virtual ~TplPrevHost() = default;

    // Links the window to the document it shows.
    virtual void SetplPrev(TCustomplPrev* Doc) = 0;
    // Visual style name, given before every show.
    virtual void SetStyleName(const QString& Name) = 0;
    // Shows the window, or brings it to the front.
    virtual void Show() = 0;
    // Shows the window and returns when it is closed.
    virtual int ShowModal() = 0;
    // Draws the document's current page.
    virtual void DrawMetaImage() = 0;
    // Shows the page with its frame, and with its shadow when Shade is set;
    // or hides all three.
    virtual void ShowPageImage(bool Visible, bool Shade) = 0;
    // The window's Close and Print commands.
    virtual void CloseBtnClick(QObject* Sender) = 0;
    virtual void PrintBtnClick(QObject* Sender) = 0;
};

Q_DECLARE_INTERFACE(TplPrevHost, "org.mirvak.TplPrevHost")

// Makes a new, unlinked preview window (a QWidget that implements
// TplPrevHost).
using TplPrevFormFactory = QWidget* (*)();

// Sets the factory the document uses to make its preview window. The
// window's library registers itself when it is linked in (Mirvak::Engine
// makes sure it is); a program linked to the document alone has none, and
// then Show and ShowModal show nothing.
void RegisterPreviewForm(TplPrevFormFactory Factory);
// The registered factory; none when no window library is linked.
TplPrevFormFactory PreviewFormFactory();
