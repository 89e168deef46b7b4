#include "plPrevGlyphs.h"

#include <QCoreApplication>
#include <QFile>
#include <QHash>
#include <QPainter>
#include <QSvgRenderer>

static void InitGlyphResources()
{
    static const bool done = [] {
        Q_INIT_RESOURCE(plPrevFrm);
        return true;
    }();
    (void)done;
}

namespace {

const char* const kButtonFiles[13] = {
    "print",  "printerset", "first",     "prior", "next", "last",  "zoomout",
    "zoomin", "pagewhole",  "pagewidth", "help",  "info", "close",
};

const char* const kMenuFiles[4] = {"copypage", "copyscreen", "hardcopy", "savepdf"};

// The artwork's own colours (light, enabled) and their replacements.
struct Palette {
    const char* ink;    // outlines
    const char* accent; // the part that says what the button does
    const char* paper;  // fills of sheets, lenses and dials
    const char* alert;  // close
};
constexpr Palette kArtwork{"#1e1e1e", "#0067c0", "#ffffff", "#c42b1c"};
constexpr Palette kVariants[2][2] = {
    {kArtwork, {"#a3a3a3", "#a3a3a3", "#f5f5f5", "#a3a3a3"}}, // light: normal, disabled
    {{"#f2f2f2", "#5cc8ff", "#3b3b3b", "#ff8a80"}, {"#6b6b6b", "#6b6b6b", "#2e2e2e", "#6b6b6b"}}, // dark
};

QByteArray Colour(const QByteArray& svg, const Palette& to)
{
    QByteArray s = svg;
    // Placeholders first, so that a replacement colour never gets replaced again.
    s.replace(kArtwork.ink, "@1")
        .replace(kArtwork.accent, "@2")
        .replace(kArtwork.paper, "@3")
        .replace(kArtwork.alert, "@4");
    return s.replace("@1", to.ink).replace("@2", to.accent).replace("@3", to.paper).replace("@4", to.alert);
}

QByteArray Artwork(const char* name)
{
    InitGlyphResources();
    QFile f(QStringLiteral(":/plprevfrm/glyphs/%1.svg").arg(QLatin1String(name)));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QPixmap Render(const QByteArray& svg, int logicalSize, qreal dpr)
{
    const int px = qMax(1, qRound(logicalSize * dpr));
    QImage img(px, px, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    QSvgRenderer r(svg);
    if (r.isValid()) {
        QPainter p(&img);
        p.setRenderHint(QPainter::Antialiasing);
        r.render(&p, QRectF(0, 0, px, px));
    }
    QPixmap pm = QPixmap::fromImage(img);
    pm.setDevicePixelRatio(dpr);
    return pm;
}

QIcon MakeIcon(const char* name, bool dark, bool withDisabled)
{
    const QByteArray art = Artwork(name);
    QIcon icon;
    for (qreal dpr : {1.0, 1.25, 1.5, 2.0, 3.0}) {
        icon.addPixmap(Render(Colour(art, kVariants[dark][0]), 24, dpr), QIcon::Normal);
        if (withDisabled)
            icon.addPixmap(Render(Colour(art, kVariants[dark][1]), 24, dpr), QIcon::Disabled);
    }
    return icon;
}

} // namespace

TplGlyphList::TplGlyphList(bool dark) : FDark(dark) {}

QPixmap TplGlyphList::Pixmap(int index, int logicalSize, qreal dpr) const
{
    if (index < 0 || index >= Count)
        return {};
    return Render(Colour(Artwork(kButtonFiles[index / 2]), kVariants[FDark][index % 2]), logicalSize, dpr);
}

QIcon TplGlyphList::ButtonIcon(int k) const
{
    if (k < 0 || k >= Count / 2)
        return {};
    // Built once per process; dropped with the application so that no pixmap
    // outlives the window system.
    static QHash<int, QIcon>* cache = nullptr;
    if (!cache) {
        cache = new QHash<int, QIcon>;
        qAddPostRoutine([] {
            delete cache;
            cache = nullptr;
        });
    }
    const int key = k * 2 + FDark;
    auto it = cache->find(key);
    if (it == cache->end())
        it = cache->insert(key, MakeIcon(kButtonFiles[k], FDark, true));
    return *it;
}

QIcon TplGlyphList::MenuIcon(TplGlyphMenu item) const
{
    return MakeIcon(kMenuFiles[static_cast<int>(item)], FDark, true);
}

const TplGlyphList& TplGlyphList::Light()
{
    static const TplGlyphList list(false);
    return list;
}

const TplGlyphList& TplGlyphList::DarkList()
{
    static const TplGlyphList list(true);
    return list;
}
