#include "uImages.h"
#include "uUtils.h"

#include <gtest/gtest.h>

#include <QColor>
#include <QFile>
#include <QSvgRenderer>
#include <QImage>
#include <QPixmap>

namespace {

// Counts the visible pixels and the darkest and lightest of them.
struct Ink {
    int visible = 0;
    int minLightness = 255;
    int maxLightness = 0;
};

Ink InkOf(const QImage& image)
{
    Ink ink;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            if (c.alpha() < 128)
                continue;
            ++ink.visible;
            ink.minLightness = std::min(ink.minLightness, c.lightness());
            ink.maxLightness = std::max(ink.maxLightness, c.lightness());
        }
    return ink;
}

} // namespace

TEST(Images, ButtonGlyphsExistInBothLooksAtEverySize)
{
    InitImageResources();
    for (const char* glyph : {"Printer", "Info"})
        for (int size : {20, 25, 30}) {
            QImage light, dark;
            const QString name = QString::fromLatin1(glyph);
            ASSERT_TRUE(LoadPngResource(QStringLiteral("%1L_%2").arg(name).arg(size), light)) << glyph << size;
            ASSERT_TRUE(LoadPngResource(QStringLiteral("%1D_%2").arg(name).arg(size), dark)) << glyph << size;
            EXPECT_EQ(light.size(), QSize(size, size));
            EXPECT_EQ(dark.size(), QSize(size, size));
            // Black glyph and white glyph on a transparent ground, same shape.
            const Ink l = InkOf(light), d = InkOf(dark);
            EXPECT_GT(l.visible, size * 2) << glyph << size;
            EXPECT_LT(l.visible, size * size / 2) << glyph << size;
            EXPECT_EQ(l.visible, d.visible) << glyph << size;
            EXPECT_LE(l.maxLightness, 10) << glyph << size;
            EXPECT_GE(d.minLightness, 245) << glyph << size;
            EXPECT_EQ(light.pixelColor(0, 0).alpha(), 0);
            EXPECT_EQ(dark.pixelColor(size - 1, size - 1).alpha(), 0);
        }
}

TEST(Images, AboutIconIsAWhiteSheetOnABlueSquare)
{
    InitImageResources();
    QImage icon;
    ASSERT_TRUE(LoadPngResource(QStringLiteral("ABOUT_ICN60"), icon));
    ASSERT_EQ(icon.size(), QSize(60, 60));
    // Blue ground at the edges, white sheet in the middle, blue signs on it.
    for (QPoint p : {QPoint(5, 30), QPoint(54, 30), QPoint(30, 4), QPoint(30, 56)}) {
        const QColor c = icon.pixelColor(p);
        EXPECT_EQ(c.alpha(), 255);
        EXPECT_GT(c.blue(), c.red() + 80) << p.x() << "," << p.y();
    }
    EXPECT_EQ(icon.pixelColor(20, 33), QColor(Qt::white));
    const QColor plus = icon.pixelColor(30, 25), minus = icon.pixelColor(30, 42);
    EXPECT_GT(plus.blue(), plus.red() + 80);
    EXPECT_GT(minus.blue(), minus.red() + 80);
}

TEST(Images, TheListPicksTheHeldSizeThatFitsTheDisplayScale)
{
    TImageCollection collection;
    EXPECT_TRUE(collection.Add(QStringLiteral("PrinterL"), {30, 20, 25}));
    EXPECT_FALSE(collection.Add(QStringLiteral("PrinterL_missing"), {20}));
    EXPECT_FALSE(collection.Contains(QStringLiteral("PrinterL_missing")));
    // A size that is missing is reported but the others are kept.
    EXPECT_FALSE(collection.Add(QStringLiteral("InfoD"), {20, 21}));
    EXPECT_EQ(collection.Images(QStringLiteral("InfoD")).size(), 1);

    const TVirtualImageList list(&collection, QSize(20, 20));
    const QIcon icon = list.Icon(QStringLiteral("PrinterL"));
    ASSERT_FALSE(icon.isNull());
    const struct {
        qreal scale;
        int pixels;
    } cases[] = {{1.0, 20}, {1.25, 25}, {1.5, 30}};
    for (const auto& c : cases) {
        const QPixmap pm = icon.pixmap(list.Size(), c.scale);
        EXPECT_EQ(pm.width(), c.pixels) << c.scale;
        // The held picture itself, not a rescaled one.
        QImage held;
        ASSERT_TRUE(LoadPngResource(QStringLiteral("PrinterL_%1").arg(c.pixels), held));
        EXPECT_EQ(pm.toImage().convertToFormat(QImage::Format_ARGB32), held.convertToFormat(QImage::Format_ARGB32))
            << c.scale;
    }
    EXPECT_TRUE(list.Icon(QStringLiteral("Nothing")).isNull());
}

TEST(Images, DesktopEntryStartsTheProgramWithItsIcon)
{
    const QString root = QStringLiteral(MIRVAK_TEST_DATA_DIR "/../..");
    QFile entry(root + QStringLiteral("/app/mirvak.desktop"));
    ASSERT_TRUE(entry.open(QIODevice::ReadOnly | QIODevice::Text));
    QMap<QString, QString> keys;
    bool inMainGroup = false;
    for (const QByteArray& raw : entry.readAll().split('\n')) {
        const QString line = QString::fromUtf8(raw).trimmed();
        if (line.startsWith(u'['))
            inMainGroup = line == QLatin1String("[Desktop Entry]");
        else if (inMainGroup && line.contains(u'='))
            keys.insert(line.section(u'=', 0, 0), line.section(u'=', 1));
    }
    EXPECT_EQ(keys.value(QStringLiteral("Type")), QStringLiteral("Application"));
    EXPECT_EQ(keys.value(QStringLiteral("Name")), QStringLiteral("Mirvak"));
    EXPECT_EQ(keys.value(QStringLiteral("Name[ja]")), QStringLiteral("ミルヴァク"));
    EXPECT_EQ(keys.value(QStringLiteral("Exec")), QStringLiteral("mirvak"));
    EXPECT_EQ(keys.value(QStringLiteral("Icon")), QStringLiteral("mirvak"));
    EXPECT_TRUE(keys.value(QStringLiteral("Categories")).endsWith(u';'));

    QSvgRenderer icon(root + QStringLiteral("/app/icons/mirvak.svg"));
    ASSERT_TRUE(icon.isValid());
    EXPECT_EQ(icon.viewBox().width(), icon.viewBox().height());
}
