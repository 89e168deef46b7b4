// Renders the program's SVG images into the PNG resources under ui/images.
// Build and run through scripts/render_images.sh.
#include <QCoreApplication>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>

#include <cstdio>

namespace {

bool Render(const QByteArray& svg, int size, const QString& out)
{
    QSvgRenderer renderer(svg);
    if (!renderer.isValid())
        return false;
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    renderer.render(&painter, QRectF(0, 0, size, size));
    painter.end();
    return image.convertToFormat(QImage::Format_ARGB32).save(out, "PNG", 9);
}

QByteArray Read(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

int main(int argc, char** argv)
{
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: render_images SOURCE_DIR\n");
        return 2;
    }
    const QString root = QString::fromLocal8Bit(argv[1]);
    const QString dest = root + QStringLiteral("/ui/images/");
    bool ok = true;
    // Each glyph in black (light look, "L") and white (dark look, "D") at the
    // sizes the image list picks from.
    for (const char* glyph : {"Printer", "Info"}) {
        const QByteArray black = Read(root + QStringLiteral("/ui/images/src/%1.svg").arg(QLatin1String(glyph)));
        QByteArray white = black;
        white.replace("#000000", "#FFFFFF");
        for (int size : {20, 25, 30}) {
            ok &= !black.isEmpty()
                && Render(black, size, dest + QStringLiteral("%1L_%2.png").arg(QLatin1String(glyph)).arg(size))
                && Render(white, size, dest + QStringLiteral("%1D_%2.png").arg(QLatin1String(glyph)).arg(size));
        }
    }
    // The about box shows the program icon at 60 pixels.
    ok &= Render(Read(root + QStringLiteral("/app/icons/mirvak.svg")), 60, dest + QStringLiteral("ABOUT_ICN60.png"));
    if (!ok)
        std::fprintf(stderr, "render_images: a source is missing or could not be rendered\n");
    return ok ? 0 : 1;
}
