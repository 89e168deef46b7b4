#pragma once

// The preview window's tool-button and menu glyphs. Each button has a normal
// and a disabled glyph, in a light and a dark list: glyph 2k is button k
// enabled, 2k+1 the same button disabled. The artwork is one SVG per glyph,
// drawn in the light colours; the other variants swap the colours.

#include <QIcon>
#include <QPixmap>

// Glyphs of the context menu's items; Save as PDF also on its tool button.
enum class TplGlyphMenu { PageCopy, ScreenCopy, HardCopy, SavePdf };

class TplGlyphList {
public:
    explicit TplGlyphList(bool dark);

    static constexpr int Count = 26;
    bool Dark() const { return FDark; }

    // Glyph index (0..Count-1) at a logical size and device pixel ratio.
    QPixmap Pixmap(int index, int logicalSize = 24, qreal dpr = 1.0) const;
    // Normal and disabled glyph of button k at the common scales.
    QIcon ButtonIcon(int k) const;
    QIcon MenuIcon(TplGlyphMenu item) const;

    // The light list and the dark list, built once.
    static const TplGlyphList& Light();
    static const TplGlyphList& DarkList();

private:
    bool FDark;
};
