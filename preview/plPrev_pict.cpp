#include "plPrev.h"

#include "plPrinter.h"

#include <QCoreApplication>
#include <QPainter>

#include <cmath>
#include <cstdlib>
#include <optional>

// Pictures on the page: files at their natural size or in a box, bitmaps and
// vector pictures in a rectangle.

namespace {

void ProcessMessages()
{
    QCoreApplication::processEvents();
}

// The rectangle a picture of PicW x PicH takes in the box X1..X2 x Y1..Y2:
// the box itself, or the picture's proportions centred in it. None when the
// box or the picture has no width or height, where proportions mean nothing.
std::optional<TRect> PictTarget(int X1, int X2, int Y1, int Y2, bool IsFit, int PicW, int PicH)
{
    if (X1 == X2 || Y1 == Y2 || PicW <= 0 || PicH <= 0)
        return std::nullopt;
    if (IsFit)
        return Rect(X1, Y1, X2, Y2);
    const double box = std::abs(double(Y2 - Y1) / double(X2 - X1));
    const double pic = double(PicH) / double(PicW);
    if (box > pic) {
        const int h = TCustomplPrev::Roundoff(std::abs(X2 - X1) * pic);
        const int top = int(std::ceil((Y1 + Y2) / 2.0 - h / 2.0));
        return Rect(X1, top, X2, top + h);
    }
    const int w = TCustomplPrev::Roundoff(std::abs(Y2 - Y1) / pic);
    const int left = int(std::ceil((X1 + X2) / 2.0 - w / 2.0));
    return Rect(left, Y1, left + w, Y2);
}

// Loads by the extension rule; Need sizes a JPEG's decoding to the drawing.
TPicture LoadPict(const QString& FileName, const TPicture::TNeed& Need)
{
    TPicture picture;
    if (PictureExtension(FileName) == QLatin1String(".JPG"))
        picture.LoadJpegFile(FileName, Need);
    else
        picture.LoadFromFile(FileName, Need);
    return picture;
}

} // namespace

void TCustomplPrev::DrawPict(int X1, int Y1, const QString& FileName)
{
    // One paper unit a pixel: the reference device needs DpiX / 254 pixels a unit.
    const int dpiX = FCanvas ? FCanvas->DpiX() : 254, dpiY = FCanvas ? FCanvas->DpiY() : 254;
    const TPicture picture = LoadPict(FileName, [&](QSize natural) {
        return QSize(int(std::ceil(natural.width() * dpiX / 254.0)), int(std::ceil(natural.height() * dpiY / 254.0)));
    });
    if (FCanvas && picture.Width() > 0 && picture.Height() > 0) {
        FCanvas->SetBkMode(TRANSPARENT);
        FCanvas->SetBkColor(FCanvas->Brush().Color);
        const TRect target = Rect(X1, Y1, X1 + picture.Width(), Y1 + picture.Height());
        if (picture.Kind() == TPictureKind::Metafile)
            FCanvas->DrawMetafile(target, picture.Metafile());
        else
            FCanvas->StretchDraw(target, picture.Image(), picture.Lossy());
    }
    ProcessMessages();
}

void TCustomplPrev::StretchDrawPict(int X1, int X2, int Y1, int Y2, bool IsFit, const QString& FileName)
{
    ProcessMessages();
    const int dpiX = FCanvas ? FCanvas->DpiX() : 254, dpiY = FCanvas ? FCanvas->DpiY() : 254;
    const TPicture picture = LoadPict(FileName, [&](QSize natural) {
        const std::optional<TRect> r = PictTarget(X1, X2, Y1, Y2, IsFit, natural.width(), natural.height());
        if (!r)
            return QSize(1, 1);
        return QSize(int(std::ceil(std::abs(r->Right - r->Left) * dpiX / 254.0)),
                     int(std::ceil(std::abs(r->Bottom - r->Top) * dpiY / 254.0)));
    });
    ProcessMessages();
    const std::optional<TRect> target = PictTarget(X1, X2, Y1, Y2, IsFit, picture.Width(), picture.Height());
    if (FCanvas && target) {
        FCanvas->SetBkMode(TRANSPARENT);
        switch (picture.Kind()) {
        case TPictureKind::Bitmap: StretchDrawBitmap(*target, &picture.Image()); break;
        case TPictureKind::Metafile: StretchDrawMetaFile(*target, &picture.Metafile()); break;
        case TPictureKind::Image: FCanvas->StretchDraw(*target, picture.Image(), picture.Lossy()); break;
        case TPictureKind::None: break;
        }
    }
    ProcessMessages();
}

void TCustomplPrev::StretchDrawBitmap(const TRect& ARect, const QImage* Pict)
{
    if (!Pict || Pict->isNull())
        return;
    if (FPrinting) {
        // Straight onto the page being printed, in paper units.
        QPainter* painter = TPrinter::Printer().Canvas();
        if (!painter)
            return;
        painter->save();
        {
            TCanvas canvas(painter);
            SetPrinterMapping(&canvas);
            canvas.StretchDraw(ARect, *Pict);
        }
        painter->restore();
        return;
    }
    if (FCanvas)
        FCanvas->StretchDraw(ARect, *Pict);
}

void TCustomplPrev::StretchDrawMetaFile(const TRect& ARect, const TMetafile* Pict)
{
    if (!Pict || !FCanvas)
        return;
    FCanvas->DrawMetafile(ARect, *Pict);
}
