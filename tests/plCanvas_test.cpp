#include "plCanvas.h"
#include "plMetafile.h"
#include "support/SpoolerOutput.h"
#include "support/plLogDevice.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QPdfWriter>
#include <QPicture>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>

namespace {

// A page recorded in paper units against a 600 dpi reference device, mapped
// the way the document maps its pages: the view fills the picture's frame.
struct TPage {
    TMetafile Meta;
    std::unique_ptr<TCanvas> C;

    explicit TPage(int W = 2100, int H = 2970, int Dpi = 600)
    {
        Meta.SetSize(W, H);
        C = std::make_unique<TCanvas>(Meta, Dpi, Dpi);
        C->SetMapMode(MM_ANISOTROPIC);
        C->SetWindowExt(W, H);
        C->SetViewportExt(Meta.DeviceWidth(), Meta.DeviceHeight());
        TFont f;
        f.Name = "DejaVu Sans";
        f.Height = -37;
        C->SetFont(f);
        C->SetBkMode(TRANSPARENT);
    }
    std::vector<TLogItem> Log()
    {
        C->Close();
        return LogPicture(Meta);
    }
};

constexpr double kTol = 0.01;

} // namespace

// Paper units survive recording exactly, whatever the reference resolution.
TEST(plCanvas, RecordsInPaperUnits)
{
    for (int dpi : {300, 600, 96, 1200}) {
        TPage page(2099, 2969, dpi);
        page.C->MoveTo(100, 50);
        page.C->LineTo(200, 50);
        page.C->Rectangle(300, 400, 500, 700);
        auto items = page.Log();
        auto lines = Only(items, TLogItem::ikLine);
        auto rects = Only(items, TLogItem::ikRect);
        ASSERT_EQ(lines.size(), 1u) << dpi;
        ASSERT_EQ(rects.size(), 1u) << dpi;
        EXPECT_EQ(lines[0].Points[0], QPointF(100, 50)) << dpi;
        EXPECT_EQ(lines[0].Points[1], QPointF(200, 50)) << dpi;
        EXPECT_EQ(rects[0].Box, QRectF(300, 400, 200, 300)) << dpi;
    }
}

// Played into a reversed rectangle the page comes out turned by 180 degrees.
TEST(plCanvas, ReversedRectangleTurnsThePage)
{
    TPage page(1000, 2000);
    page.C->MoveTo(100, 50);
    page.C->LineTo(300, 50);
    page.C->ExtTextOut(100, 200, "Top");
    page.C->Close();

    TLogDevice dev(1000, 2000);
    {
        QPainter p(&dev);
        page.Meta.Play(p, QRectF(QPointF(1000, 2000), QPointF(0, 0)));
    }
    auto lines = Only(dev.Items, TLogItem::ikLine);
    auto texts = Texts(dev.Items);
    ASSERT_EQ(lines.size(), 1u);
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_EQ(lines[0].Points[0], QPointF(900, 1950));
    EXPECT_EQ(lines[0].Points[1], QPointF(700, 1950));
    EXPECT_NEAR(std::abs(texts[0].Angle), 180, 1e-9);
    // The cell's top-left corner lands at the bottom-right of the turned cell.
    EXPECT_NEAR(texts[0].Box.right(), 900, kTol);
    EXPECT_NEAR(texts[0].Box.bottom(), 1800, kTol);
}

// Stretched replay scales every coordinate and non-cosmetic pen width; a
// width-0 pen stays one device pixel.
TEST(plCanvas, StretchedReplayAndPenWidths)
{
    TPage page(2000, 2000);
    page.C->SetPen(TPen{clRed, psSolid, 10});
    page.C->MoveTo(0, 100);
    page.C->LineTo(2000, 100);
    page.C->SetPen(TPen{clBlack, psSolid, 0});
    page.C->MoveTo(0, 200);
    page.C->LineTo(2000, 200);
    page.C->Close();

    TLogDevice dev(1000, 1000);
    {
        QPainter p(&dev);
        page.Meta.Play(p, QRectF(0, 0, 1000, 1000));
    }
    auto lines = Only(dev.Items, TLogItem::ikLine);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].Points[1], QPointF(1000, 50));
    EXPECT_DOUBLE_EQ(lines[0].PenWidth, 5);
    EXPECT_EQ(lines[0].Pen.color(), QColor(255, 0, 0));
    EXPECT_TRUE(lines[1].Pen.isCosmetic());
    EXPECT_DOUBLE_EQ(lines[1].PenWidth, 0);
}

// Single-line box text: every alignment flag puts the cell where it belongs.
TEST(plCanvas, BoxTextAlignment)
{
    struct Case {
        unsigned Flags;
        int H; // 0 left, 1 centre, 2 right
        int V; // 0 top, 1 centre, 2 bottom
    };
    const Case cases[] = {
        {0x20, 0, 0}, {0x21, 1, 0}, {0x22, 2, 0}, {0x24, 0, 1}, {0x25, 1, 1},
        {0x26, 2, 1}, {0x28, 0, 2}, {0x29, 1, 2}, {0x2A, 2, 2},
    };
    for (const Case& c : cases) {
        TPage page;
        const double w = page.C->TextWidthF("Hg 123");
        const double cell = page.C->TextMetrics().Height;
        EXPECT_EQ(page.C->DrawText("Hg 123", Rect(100, 200, 900, 300), c.Flags), page.C->TextMetrics().Height);
        auto texts = Texts(page.Log());
        ASSERT_EQ(texts.size(), 1u) << c.Flags;
        const double left = c.H == 0 ? 100 : c.H == 1 ? (1000 - w) / 2 : 900 - w;
        const double top = c.V == 0 ? 200 : c.V == 1 ? (500 - cell) / 2 : 300 - cell;
        EXPECT_EQ(texts[0].Text, "Hg 123") << c.Flags;
        EXPECT_NEAR(texts[0].Box.left(), left, kTol) << c.Flags;
        EXPECT_NEAR(texts[0].Box.top(), top, 0.6) << c.Flags; // the cell height is whole units
        EXPECT_NEAR(texts[0].Width, w, kTol) << c.Flags;
        EXPECT_FALSE(texts[0].Clip) << c.Flags;
    }
}

// Box text is clipped to its box, inside any clip already set; DT_NOCLIP
// lets it run over.
TEST(plCanvas, BoxTextClipping)
{
    TPage page;
    const QString wide = "A rather long line of text";
    page.C->DrawText(wide, Rect(1000, 500, 1100, 600), DT_SINGLELINE | DT_CENTER | DT_VCENTER);
    page.C->SetClipRect(Rect(0, 0, 1050, 2970));
    page.C->DrawText(wide, Rect(1000, 700, 1100, 800), DT_SINGLELINE | DT_CENTER | DT_VCENTER);
    page.C->ClearClip();
    page.C->DrawText(wide, Rect(1000, 900, 1100, 1000), DT_SINGLELINE | DT_CENTER | DT_VCENTER | DT_NOCLIP);
    page.C->MoveTo(0, 0);
    page.C->LineTo(10, 10);
    auto items = page.Log();
    auto texts = Texts(items);
    ASSERT_EQ(texts.size(), 3u);
    ASSERT_TRUE(texts[0].Clip);
    EXPECT_EQ(*texts[0].Clip, QRectF(1000, 500, 100, 100));
    EXPECT_LT(texts[0].Box.left(), 1000); // centred: cut at both edges
    EXPECT_GT(texts[0].Box.right(), 1100);
    ASSERT_TRUE(texts[1].Clip);
    EXPECT_EQ(*texts[1].Clip, QRectF(1000, 700, 50, 100));
    EXPECT_FALSE(texts[2].Clip);
    EXPECT_FALSE(Only(items, TLogItem::ikLine)[0].Clip); // the clip ends with the text
}

// A box lower than the font's cell is not clipped while the glyphs
// themselves stay inside it; glyphs that reach out are.
TEST(plCanvas, BoxTextClipsOnlyWhatReachesOut)
{
    struct Case {
        QString Text;
        int Height;
        bool Clipped;
    };
    const Case cases[] = {
        {"42", 34, false},                                        // digits in a box lower than the cell
        {"+ =", 34, false}, {"(42)", 34, true},                   // parentheses reach below the baseline
        {"Ég", 34, true},   {"42", 8, true},    {"  ", 4, false}, // nothing is drawn
    };
    for (const Case& c : cases) {
        TPage page;
        ASSERT_LT(c.Height, page.C->TextMetrics().Height);
        page.C->DrawText(c.Text, Rect(100, 200, 600, 200 + c.Height), DT_SINGLELINE | DT_CENTER | DT_VCENTER);
        auto texts = Texts(page.Log());
        ASSERT_EQ(texts.size(), 1u) << c.Text.toStdString();
        EXPECT_EQ(texts[0].Clip.has_value(), c.Clipped) << c.Text.toStdString();
    }
}

// On a PDF, texts of digits and signs are written as runs of glyphs, in the
// same places and with the same look as text by text: letters, other
// scripts, colours, turned text, clips and shapes in between all keep
// their place and order.
TEST(plCanvas, PdfReplayGathersTextsInPlace)
{
    TPage page;
    TFont serif;
    serif.Name = "DejaVu Serif";
    serif.Height = -50;
    for (int row = 0; row < 6; ++row) {
        const int y = 300 + row * 100;
        page.C->SetFont(serif);
        page.C->DrawText(QStringLiteral("(%1)").arg(row + 1), Rect(100, y, 250, y + 80),
                         DT_SINGLELINE | DT_RIGHT | DT_VCENTER);
        TFont sans;
        sans.Name = "DejaVu Sans";
        sans.Height = -45;
        sans.Color = row == 3 ? RGBColor(200, 0, 0) : clBlack;
        page.C->SetFont(sans);
        page.C->DrawText(QString::number(17 * row + 10), Rect(250, y, 400, y + 80),
                         DT_SINGLELINE | DT_CENTER | DT_VCENTER);
        page.C->DrawText(row % 2 ? "-" : "+", Rect(400, y, 460, y + 80), DT_SINGLELINE | DT_CENTER | DT_VCENTER);
        page.C->DrawText(QString::number(93 - 11 * row), Rect(460, y, 610, y + 80),
                         DT_SINGLELINE | DT_CENTER | DT_VCENTER);
        page.C->DrawText("=", Rect(610, y, 670, y + 80), DT_SINGLELINE | DT_CENTER | DT_VCENTER);
    }
    page.C->SetFont(serif);
    page.C->TextOut(1000, 300, "Name: 12");
    page.C->TextOut(1000, 400, QStringLiteral("名前 12"));
    page.C->DrawText("123456", Rect(1000, 500, 1080, 560), DT_SINGLELINE | DT_LEFT | DT_VCENTER); // clipped
    page.C->MoveTo(1000, 700);
    page.C->LineTo(1500, 700);
    page.C->TextOut(1000, 720, "7 + 8");
    TFont turned = serif;
    turned.Escapement = 900;
    page.C->SetFont(turned);
    page.C->TextOut(1800, 1200, "99");
    page.C->Close();

    // Upright, and turned by 180 degrees as upside-down printing plays it.
    QTemporaryDir dir;
    const QRectF upright(0, 0, page.Meta.DeviceWidth(), page.Meta.DeviceHeight());
    for (const QRectF& target : {upright, QRectF(upright.bottomRight(), upright.topLeft())}) {
        SCOPED_TRACE(target.width() > 0 ? "upright" : "turned");
        auto write = [&](bool gather) {
            const QString path = dir.filePath(gather ? "runs.pdf" : "items.pdf");
            plmeta::SetGatherTextRuns(gather);
            {
                QPdfWriter pdf(path);
                pdf.setResolution(600);
                pdf.setPageSize(QPageSize(QPageSize::A4));
                pdf.setPageMargins(QMarginsF());
                QPainter p(&pdf);
                page.Meta.Play(p, target);
            }
            plmeta::SetGatherTextRuns(true);
            return path;
        };
        const QString items = write(false), runs = write(true);

        const auto expected = SpoolerOutput::Words(items);
        const auto actual = SpoolerOutput::Words(runs);
        ASSERT_GE(expected.size(), 30);
        ASSERT_EQ(actual.size(), expected.size());
        for (qsizetype i = 0; i < expected.size(); ++i) {
            EXPECT_EQ(actual[i].Text, expected[i].Text) << i;
            EXPECT_NEAR(actual[i].Box.left(), expected[i].Box.left(), 0.01) << expected[i].Text.toStdString();
            EXPECT_NEAR(actual[i].Box.top(), expected[i].Box.top(), 0.01) << expected[i].Text.toStdString();
            EXPECT_NEAR(actual[i].Box.right(), expected[i].Box.right(), 0.01) << expected[i].Text.toStdString();
        }

        const QImage a = SpoolerOutput::Render(items, 1, 150).convertToFormat(QImage::Format_RGB32);
        const QImage b = SpoolerOutput::Render(runs, 1, 150).convertToFormat(QImage::Format_RGB32);
        ASSERT_FALSE(a.isNull());
        ASSERT_EQ(a.size(), b.size());
        int inked = 0, differing = 0;
        for (int y = 0; y < a.height(); ++y) {
            for (int x = 0; x < a.width(); ++x) {
                const QRgb pa = a.pixel(x, y), pb = b.pixel(x, y);
                inked += qGray(pa) < 128;
                const int d = std::max({std::abs(qRed(pa) - qRed(pb)), std::abs(qGreen(pa) - qGreen(pb)),
                                        std::abs(qBlue(pa) - qBlue(pb))});
                differing += d > 32;
            }
        }
        EXPECT_GT(inked, 2000);
        EXPECT_EQ(differing, 0);
    }
}

// "&" underlines the next character and is not drawn; "&&" draws one "&";
// a line feed does not start a new line: it is drawn as its measured advance.
TEST(plCanvas, BoxTextPrefixes)
{
    TPage page;
    const double wa = page.C->TextWidthF("A");
    const double wb = page.C->TextWidthF("B");
    page.C->DrawText("A&B", Rect(100, 200, 900, 300), DT_SINGLELINE | DT_BOTTOM);
    page.C->DrawText("A&&B", Rect(100, 400, 900, 500), DT_SINGLELINE | DT_BOTTOM);
    page.C->DrawText("A&B", Rect(100, 600, 900, 700), DT_SINGLELINE | DT_BOTTOM | DT_NOPREFIX);
    page.C->DrawText("x\ny", Rect(100, 800, 900, 900), DT_SINGLELINE);
    auto items = page.Log();
    auto texts = Texts(items);
    auto fills = Fills(items);
    ASSERT_EQ(texts.size(), 5u);
    EXPECT_EQ(texts[0].Text, "AB");
    EXPECT_EQ(texts[1].Text, "A&B");
    EXPECT_EQ(texts[2].Text, "A&B");
    EXPECT_EQ(texts[3].Text, "x");
    EXPECT_EQ(texts[4].Text, "y");
    EXPECT_NEAR(texts[4].Origin.x(), 100 + page.C->TextWidthF("x\n"), kTol);
    ASSERT_EQ(fills.size(), 1u);
    EXPECT_NEAR(fills[0].Box.left(), 100 + wa, kTol);
    EXPECT_NEAR(fills[0].Box.width(), wb, kTol);
    EXPECT_GT(fills[0].Box.center().y(), texts[0].Origin.y()); // below the baseline
    EXPECT_LT(fills[0].Box.bottom(), 300 + 0.01);              // inside the cell
}

// Text at a point puts the cell's top-left corner there; advances place the
// characters one by one; the escapement turns the run about the point.
TEST(plCanvas, TextAtAPoint)
{
    TPage page;
    page.C->SetBrushStyle(bsClear);
    page.C->TextOut(1000, 500, "Hg");
    const QPoint pos = page.C->PenPos();
    const int dx[] = {100, 50, 25};
    page.C->ExtTextOut(200, 800, "abc", dx);
    TFont f = page.C->Font();
    f.Escapement = 900;
    page.C->SetFont(f);
    page.C->ExtTextOut(300, 1500, "Up");
    auto texts = Texts(page.Log());
    ASSERT_EQ(texts.size(), 5u);
    EXPECT_NEAR(texts[0].Box.left(), 1000, kTol);
    EXPECT_NEAR(texts[0].Box.top(), 500, kTol);
    EXPECT_EQ(pos, QPoint(1000 + TPage().C->TextWidth("Hg"), 500));
    EXPECT_NEAR(texts[1].Box.left(), 200, kTol);
    EXPECT_NEAR(texts[2].Box.left(), 300, kTol);
    EXPECT_NEAR(texts[3].Box.left(), 350, kTol);
    EXPECT_EQ(texts[3].Text, "c");
    EXPECT_NEAR(texts[4].Angle, 90, 1e-9);
    EXPECT_NEAR(texts[4].Box.left(), 300, kTol);    // the cell lies to the right of the point...
    EXPECT_NEAR(texts[4].Box.bottom(), 1500, kTol); // ...and runs upwards from it
}

// A "@" face turned to run downwards stacks its characters upright, each cell
// to the left of the reference point, each advancing by its own width: in
// the face's vertical forms where it has them (IPA Gothic), as in a line
// where it has none (DejaVu Sans, whose fallback draws the kanji).
TEST(plCanvas, VerticalFaceStacksCharacters)
{
    for (const char* face : {"@IPAGothic", "@DejaVu Sans"}) {
        SCOPED_TRACE(face);
        TPage page;
        TFont f = page.C->Font();
        f.Name = face;
        f.Escapement = 2700;
        page.C->SetFont(f);
        const double cell = page.C->TextMetrics().Height;
        const double w = page.C->TextWidthF(u"日"_qs);
        page.C->ExtTextOut(1000, 300, u"日本"_qs);
        auto texts = Texts(page.Log());
        ASSERT_EQ(texts.size(), 2u);
        for (int i = 0; i < 2; ++i) {
            EXPECT_EQ(texts[i].Angle, 0);
            EXPECT_NEAR(texts[i].Box.top(), 300 + i * w, kTol);
            EXPECT_NEAR(texts[i].Box.center().x(), 1000 - cell / 2, 0.6);
        }
    }
}

// Font heights: negative is the em height, positive the cell height; an
// explicit average width scales the characters horizontally.
TEST(plCanvas, FontHeightsAndWidths)
{
    TPage page;
    TFont f = page.C->Font();
    f.Height = -37;
    page.C->SetFont(f);
    const TTextMetric em = page.C->TextMetrics();
    const double natural = page.C->TextWidthF("Width");
    page.C->ExtTextOut(0, 0, "Width");

    f.Height = 60;
    page.C->SetFont(f);
    EXPECT_NEAR(page.C->TextMetrics().Height, 60, 1);

    f.Height = -37;
    f.Width = em.AveCharWidth * 8 / 10;
    page.C->SetFont(f);
    const double narrow = page.C->TextWidthF("Width");
    EXPECT_EQ(page.C->TextMetrics().AveCharWidth, f.Width);
    page.C->ExtTextOut(0, 100, "Width");

    auto texts = Texts(page.Log());
    ASSERT_EQ(texts.size(), 2u);
    EXPECT_DOUBLE_EQ(texts[0].FontPixels, 37);
    EXPECT_GT(em.Height, 37);
    EXPECT_EQ(em.Height, em.Ascent + em.Descent);
    EXPECT_NEAR(narrow / natural, double(f.Width) / (em.AveCharWidth), 0.03);
    EXPECT_NEAR(texts[1].XScale, narrow / natural, 1e-6);
    EXPECT_NEAR(texts[1].Width, narrow, kTol);
}

// The framework's brush rules, and what fills and frames paint.
TEST(plCanvas, BrushRulesFillAndFrame)
{
    TPage page;
    page.C->SetBrushColor(clRed);
    page.C->SetBrushStyle(bsClear);
    EXPECT_EQ(page.C->Brush(), (TBrush{clWhite, bsClear}));
    EXPECT_EQ(page.C->BkMode(), TRANSPARENT);
    page.C->FillRect(Rect(0, 0, 100, 100));  // nothing
    page.C->FrameRect(Rect(0, 0, 100, 100)); // nothing
    page.C->SetBrushColor(clBlue);
    EXPECT_EQ(page.C->Brush(), (TBrush{clBlue, bsSolid}));
    page.C->FillRect(Rect(10, 20, 110, 220));
    page.C->FrameRect(Rect(300, 300, 400, 350));
    page.C->SetBrushStyle(bsDiagCross);
    page.C->Rectangle(500, 500, 600, 600);
    auto items = page.Log();
    auto fills = Fills(items);
    ASSERT_EQ(fills.size(), 5u);
    EXPECT_EQ(fills[0].Box, QRectF(10, 20, 100, 200));
    EXPECT_EQ(fills[0].Brush.color(), QColor(0, 0, 255));
    EXPECT_EQ(fills[1].Box, QRectF(300, 300, 100, 1)); // top edge, one unit
    EXPECT_EQ(fills[2].Box, QRectF(300, 349, 100, 1)); // bottom edge
    auto rects = Only(items, TLogItem::ikRect);
    EXPECT_EQ(rects.back().Brush.style(), Qt::DiagCrossPattern);
    EXPECT_NE(rects.back().Pen.style(), Qt::NoPen);
}

// In opaque mode text is drawn on the background colour, once; in
// transparent mode on nothing, also right after an opaque fill.
TEST(plCanvas, TextBackground)
{
    TPage page;
    page.C->SetBrushColor(clRed); // a solid brush: opaque, red background
    page.C->FillRect(Rect(0, 0, 1000, 1000));
    page.C->SetBkColor(clLime);
    page.C->ExtTextOut(100, 100, "opaque");
    page.C->DrawText("opaque", Rect(100, 200, 900, 300), DT_SINGLELINE);
    page.C->SetBkMode(TRANSPARENT);
    page.C->ExtTextOut(100, 400, "clear");
    page.C->DrawText("clear", Rect(100, 500, 900, 600), DT_SINGLELINE);
    auto items = page.Log();
    auto fills = Fills(items);
    ASSERT_EQ(fills.size(), 3u);
    EXPECT_EQ(fills[0].Brush.color(), QColor(255, 0, 0));
    for (int i : {1, 2}) {
        EXPECT_EQ(fills[i].Brush.color(), QColor(0, 255, 0));
        EXPECT_NEAR(fills[i].Box.width(), page.C->TextWidthF("opaque"), 0.01);
    }
    EXPECT_EQ(Texts(items).size(), 4u);
}

// A copy of a picture keeps its drawing when the original is recorded again.
TEST(plCanvas, CopiesAreIndependent)
{
    TMetafile a;
    a.SetSize(1000, 1000);
    {
        TCanvas c(a, 600, 600);
        c.MoveTo(0, 0);
        c.LineTo(100, 100);
    }
    const TMetafile copy = a;
    {
        TCanvas c(a, 600, 600);
        c.Ellipse(0, 0, 50, 50);
    }
    EXPECT_EQ(Only(LogPicture(copy), TLogItem::ikLine).size(), 1u);
    EXPECT_TRUE(Only(LogPicture(copy), TLogItem::ikEllipse).empty());
    EXPECT_EQ(Only(LogPicture(a), TLogItem::ikEllipse).size(), 1u);
    EXPECT_TRUE(Only(LogPicture(a), TLogItem::ikLine).empty());
}

// A picture drawn into another keeps its shapes, stretched, and stays inside
// the clip of the page it is drawn on.
TEST(plCanvas, NestedPictureIsStretchedAndClipped)
{
    TPage inner(1000, 1000);
    inner.C->Rectangle(100, 100, 900, 900);
    inner.C->SetClipRect(Rect(0, 0, 500, 1000));
    inner.C->DrawText("clipped at the page edge", Rect(400, 0, 600, 100), DT_SINGLELINE | DT_CENTER);
    inner.C->Close();

    TPage outer(2000, 2000);
    outer.C->SetClipRect(Rect(0, 0, 1200, 2000));
    outer.C->DrawMetafile(Rect(0, 0, 2000, 2000), inner.Meta);
    auto items = outer.Log();
    auto rects = Only(items, TLogItem::ikRect);
    ASSERT_EQ(rects.size(), 1u);
    EXPECT_EQ(rects[0].Box, QRectF(200, 200, 1600, 1600));
    ASSERT_TRUE(rects[0].Clip);
    EXPECT_EQ(*rects[0].Clip, QRectF(0, 0, 1200, 2000));
    auto texts = Texts(items);
    ASSERT_EQ(texts.size(), 1u);
    ASSERT_TRUE(texts[0].Clip);
    EXPECT_EQ(*texts[0].Clip, QRectF(800, 0, 200, 200)); // box, page clip and outer clip
}

// Every recorded operation reaches a visitor in order with what it refers to
// looked up: the pen, brush and font set before it, its text, image,
// nested picture or vector picture.
TEST(plCanvas, VisitorGetsEveryRecordedOperation)
{
    using K = plmeta::TOpKind;
    TMetafile inner;
    inner.SetSize(100, 100);
    {
        TCanvas c(inner, 254, 254);
        c.Ellipse(0, 0, 10, 10);
    }
    QPicture vector;
    {
        QPainter p(&vector);
        p.drawLine(0, 0, 10, 10);
    }

    TPage page(1000, 1000);
    page.C->SetPen(TPen{clRed, psDash, 3});
    page.C->MoveTo(10, 20);
    page.C->LineTo(30, 40);
    page.C->Polyline(QPolygon({QPoint(1, 2), QPoint(3, 4), QPoint(5, 6)}));
    page.C->SetBrush(TBrush{clBlue, bsCross});
    page.C->Rectangle(100, 100, 200, 150);
    page.C->SetClipRect(Rect(0, 0, 500, 500));
    page.C->FillRect(Rect(300, 300, 400, 400));
    page.C->ClearClip();
    TFont f = page.C->Font();
    f.Color = clLime;
    f.Escapement = 450;
    page.C->SetFont(f);
    page.C->ExtTextOut(600, 600, "turned");
    page.C->StretchDraw(Rect(0, 0, 50, 50), QImage(2, 2, QImage::Format_RGB32), true);
    page.C->DrawMetafile(Rect(0, 0, 200, 200), inner);
    page.C->DrawVector(Rect(700, 700, 800, 800), vector);
    page.C->Close();

    const std::vector<TLogOp> ops = LogOps(page.Meta);
    std::vector<std::size_t> drawn;
    for (std::size_t i = 0; i < ops.size(); ++i)
        if (ops[i].Kind >= K::Line)
            drawn.push_back(i);
    const std::vector<K> kinds = {K::Line, K::Polyline, K::Rect, K::Fill, K::Text, K::Image, K::Picture, K::Vector};
    ASSERT_EQ(drawn.size(), kinds.size());
    for (std::size_t i = 0; i < kinds.size(); ++i)
        EXPECT_EQ(ops[drawn[i]].Kind, kinds[i]) << i;
    // The state operation of a kind last recorded before operation i.
    auto before = [&](K kind, std::size_t i) -> const TLogOp& {
        while (i > 0 && ops[--i].Kind != kind) {}
        EXPECT_EQ(ops[i].Kind, kind);
        return ops[i];
    };

    const TLogOp& line = ops[drawn[0]];
    EXPECT_EQ(line.Box, QRectF(QPointF(10, 20), QPointF(30, 40)));
    EXPECT_EQ(before(K::Pen, drawn[0]).Color, QColor(255, 0, 0));
    EXPECT_EQ(before(K::Pen, drawn[0]).Style, int(Qt::DashLine));
    EXPECT_EQ(ops[drawn[1]].Points, QPolygonF({QPointF(1, 2), QPointF(3, 4), QPointF(5, 6)}));
    EXPECT_EQ(ops[drawn[2]].Box, QRectF(100, 100, 100, 50));
    EXPECT_EQ(before(K::Brush, drawn[2]).Color, QColor(0, 0, 255));
    EXPECT_EQ(before(K::Brush, drawn[2]).Style, int(Qt::CrossPattern));

    const TLogOp& fill = ops[drawn[3]];
    EXPECT_EQ(fill.Box, QRectF(300, 300, 100, 100));
    EXPECT_EQ(fill.Color, QColor(0, 0, 255));
    EXPECT_EQ(fill.Style, int(Qt::CrossPattern));
    EXPECT_EQ(before(K::Clip, drawn[3]).Box, QRectF(0, 0, 500, 500));
    EXPECT_EQ(ops[drawn[3] + 1].Kind, K::NoClip);

    const TLogOp& text = ops[drawn[4]];
    EXPECT_EQ(text.Text, "turned");
    EXPECT_EQ(text.Box.topLeft(), QPointF(600, 600));
    EXPECT_DOUBLE_EQ(text.Angle, 45);
    EXPECT_EQ(before(K::Font, drawn[4]).Color, QColor(0, 255, 0));

    EXPECT_EQ(ops[drawn[5]].Box, QRectF(0, 0, 50, 50));
    EXPECT_TRUE(ops[drawn[5]].Lossy);
    EXPECT_EQ(ops[drawn[6]].Size, LogOps(inner).size());
    EXPECT_DOUBLE_EQ(ops[drawn[6]].Transform.m11(), 2);
    EXPECT_EQ(ops[drawn[7]].Box, QRectF(700, 700, 100, 100));
    EXPECT_EQ(ops[drawn[7]].Size, std::size_t(vector.size()));
}

// On a painter in device pixels the mapping takes paper units to pixels.
TEST(plCanvas, DrawsOnAPainterThroughTheMapping)
{
    TLogDevice dev(4960, 7016); // A4 at 600 dpi, in pixels
    {
        QPainter p(&dev);
        TCanvas c(&p);
        c.SetMapMode(MM_ANISOTROPIC);
        c.SetWindowExt(2100, 2970);
        c.SetViewportExt(4960, 7015);
        c.SetWindowOrg(-50, 0);
        c.SetViewportOrg(-100, -100);
        c.SetPen(TPen{clBlack, psSolid, 2});
        c.MoveTo(0, 0);
        c.LineTo(2100, 2970);
        TFont f;
        f.Name = "DejaVu Sans";
        c.SetFont(f);
        c.SetBkMode(TRANSPARENT);
        c.DrawText("x", Rect(0, 0, 2100, 2970), DT_SINGLELINE | DT_CENTER | DT_VCENTER);
        EXPECT_EQ(c.LogicalToDevice(QPointF(0, 0)), QPointF(50 * 4960.0 / 2100 - 100, -100));
    }
    auto lines = Only(dev.Items, TLogItem::ikLine);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_NEAR(lines[0].Points[0].x(), 50 * 4960.0 / 2100 - 100, 1e-6);
    EXPECT_NEAR(lines[0].Points[1].x(), 2150 * 4960.0 / 2100 - 100, 1e-6);
    EXPECT_NEAR(lines[0].Points[1].y(), 7015 - 100, 1e-6);
    EXPECT_NEAR(lines[0].PenWidth, 2 * std::sqrt(4960.0 / 2100 * 7015.0 / 2970), 1e-6);
    auto texts = Texts(dev.Items);
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_NEAR(texts[0].Box.center().x(), 1100 * 4960.0 / 2100 - 100, 0.5);
}

// System colours come from the top byte; plain colours have red lowest.
TEST(plCanvas, Colours)
{
    EXPECT_EQ(ColorToQColor(RGBColor(1, 2, 3)), QColor(1, 2, 3));
    EXPECT_EQ(ColorToQColor(0x00332211), QColor(0x11, 0x22, 0x33));
    EXPECT_TRUE(ColorToQColor(clBtnFace).isValid());
    EXPECT_EQ(ColorToQColor(clNone).alpha(), 0);
}

// What is measured is what is drawn: tabs, line feeds and given advances move
// the characters after them by exactly the measured advance on the log, on
// an image and in a PDF, and box text is aligned and clipped by that width.
TEST(plCanvas, MeasuredIsDrawn)
{
    struct Case {
        QString Text;
        unsigned Format; // DT_ flags; ~0u: TextOut at the box's top-left
        TRect Box;
    };
    const Case cases[] = {
        {"XY\tZ", ~0u, Rect(300, 300, 0, 0)},
        {"AB\nCD", DT_SINGLELINE | DT_RIGHT, Rect(300, 500, 1500, 600)},
        {"AB\nCD", DT_SINGLELINE | DT_CENTER, Rect(300, 700, 1500, 800)},
        {"AB\tCD", DT_SINGLELINE | DT_RIGHT, Rect(300, 900, 1500, 1000)},
        {"1\r\n2\x01"
         "3",
         DT_SINGLELINE | DT_LEFT, Rect(300, 1100, 1500, 1200)},
    };
    TPage page;
    TFont f = page.C->Font();
    f.Height = -49; // 14 pt
    page.C->SetFont(f);
    std::vector<double> ends;
    for (const Case& c : cases) {
        const double w = page.C->TextWidthF(c.Text);
        if (c.Format == ~0u) {
            page.C->TextOut(c.Box.Left, c.Box.Top, c.Text);
            EXPECT_EQ(page.C->PenPos().x(), int(std::lround(c.Box.Left + w)));
            ends.push_back(c.Box.Left + w);
        } else {
            page.C->DrawText(c.Text, c.Box, c.Format);
            ends.push_back(c.Format & DT_RIGHT        ? c.Box.Right
                               : c.Format & DT_CENTER ? (c.Box.Left + c.Box.Right + w) / 2
                                                      : c.Box.Left + w);
        }
    }
    const int dx[] = {100, 150, 10};
    page.C->ExtTextOut(300, 1300, "ABC", dx);
    ends.push_back(300 + 250 + page.C->TextWidthF("C"));
    const int cell = page.C->TextMetrics().Height;
    auto items = page.Log();

    // The log: the text in pieces between the control characters, the last
    // one ending where the measurement ended; nothing clipped.
    QFont qf("DejaVu Sans");
    qf.setPixelSize(49);
    qf.setHintingPreference(QFont::PreferNoHinting);
    const QFontMetricsF fm(qf);
    auto texts = Texts(items);
    for (std::size_t k = 0; k < ends.size(); ++k) {
        const double top = k < std::size(cases) ? cases[k].Box.Top : 1300;
        QString joined;
        const TLogItem* last = nullptr;
        for (const TLogItem& t : texts) {
            if (std::abs(t.Box.top() - top) < 1) {
                joined += t.Text;
                last = &t;
                EXPECT_FALSE(t.Clip) << k;
            }
        }
        ASSERT_TRUE(last) << k;
        QString visible = k < std::size(cases) ? cases[k].Text : QString("ABC");
        visible.remove(QRegularExpression("[\\x00-\\x1f]"));
        EXPECT_EQ(joined, visible) << k;
        EXPECT_NEAR(last->Origin.x() + last->Width, ends[k], 1) << k;
    }

    // An image at one pixel per unit: the last glyph's ink ends where its
    // measured place puts it.
    QImage image(2100, 1500, QImage::Format_RGB32);
    image.fill(Qt::white);
    {
        QPainter p(&image);
        page.Meta.Play(p, QRectF(0, 0, 2100, 2970));
    }
    for (std::size_t k = 0; k < ends.size(); ++k) {
        const int top = k < std::size(cases) ? cases[k].Box.Top : 1300;
        const QChar lastChar = k < std::size(cases) ? cases[k].Text.back() : QChar('C');
        int right = -1;
        for (int y = top; y < top + cell; ++y)
            for (int x = 0; x < image.width(); ++x)
                if (qGray(image.pixel(x, y)) < 128)
                    right = std::max(right, x + 1);
        const double inkRight = ends[k] - fm.horizontalAdvance(lastChar) + fm.boundingRect(lastChar).right();
        EXPECT_NEAR(right, inkRight, 1.5) << k;
    }

    // The PDF: the rightmost word of each line ends at the measured end.
    QTemporaryDir dir;
    const QString path = dir.filePath("measured.pdf");
    {
        QPdfWriter pdf(path);
        pdf.setResolution(600);
        pdf.setPageSize(QPageSize(QPageSize::A4));
        pdf.setPageMargins(QMarginsF());
        QPainter p(&pdf);
        page.Meta.Play(p, QRectF(0, 0, page.Meta.DeviceWidth(), page.Meta.DeviceHeight()));
    }
    const auto words = SpoolerOutput::Words(path);
    for (std::size_t k = 0; k < ends.size(); ++k) {
        const double top = k < std::size(cases) ? cases[k].Box.Top : 1300;
        double right = -1;
        for (const auto& w : words) {
            const double mid = w.Box.center().y() * 254 / 72;
            if (mid > top && mid < top + cell)
                right = std::max(right, w.Box.right() * 254 / 72);
        }
        EXPECT_NEAR(right, ends[k], 1) << k;
    }
}

// Drawing straight onto a painter and recording, then replaying, give the
// same pixels: the two backends draw the same primitives in the same state.
TEST(plCanvas, PaintingMatchesReplayedRecording)
{
    constexpr int W = 400, H = 300;
    TMetafile inner;
    inner.SetSize(100, 100);
    {
        TCanvas c(inner, 254, 254);
        c.SetPen(TPen{clBlue, psSolid, 4});
        c.Rectangle(10, 10, 90, 90);
        c.MoveTo(0, 100);
        c.LineTo(100, 0);
    }
    auto script = [&](TCanvas& c) {
        c.SetMapMode(MM_ANISOTROPIC);
        c.SetWindowExt(W, H);
        c.SetViewportExt(W, H);
        TFont f;
        f.Name = "DejaVu Sans";
        f.Height = -30;
        f.Color = 0x008000;
        c.SetFont(f);
        c.SetBkMode(TRANSPARENT);
        c.SetPen(TPen{clRed, psSolid, 3});
        c.MoveTo(10, 10);
        c.LineTo(200, 10);
        c.TextOut(20, 20, "Ab");
        c.LineTo(200, 60); // the line pen again after text
        c.Rectangle(220, 20, 300, 80);
        c.SetBrush(TBrush{0x00FFFF, bsSolid});
        c.Ellipse(310, 20, 390, 80);
        c.SetWindowOrg(-5, -5);                // transform changed, not yet used...
        c.SetClipRect(Rect(0, 100, 150, 200)); // ...when the clip is set
        c.Rectangle(-20, 90, 120, 180);
        c.DrawText("clipped text", Rect(100, 100, 180, 140), DT_SINGLELINE | DT_LEFT);
        c.ClearClip();
        c.SetBkMode(OPAQUE);
        c.SetBkColor(0xFFFF00);
        c.TextOut(200, 100, "Bk");
        c.SetWindowOrg(0, 0);
        c.DrawMetafile(Rect(250, 150, 350, 250), inner);
        c.SetClipRect(Rect(0, 200, 100, 300));
        c.DrawMetafile(Rect(20, 180, 140, 300), inner);
        c.ClearClip();
        c.MoveTo(0, 290);
        c.LineTo(390, 290);
    };
    QImage direct(W, H, QImage::Format_ARGB32_Premultiplied);
    direct.fill(Qt::white);
    {
        QPainter p(&direct);
        TCanvas c(&p);
        script(c);
    }
    TMetafile meta;
    meta.SetSize(W, H);
    {
        TCanvas c(meta, 254, 254);
        script(c);
    }
    QImage replayed(W, H, QImage::Format_ARGB32_Premultiplied);
    replayed.fill(Qt::white);
    {
        QPainter p(&replayed);
        meta.Play(p, QRectF(0, 0, W, H));
    }
    int differ = 0;
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x)
            differ += direct.pixel(x, y) != replayed.pixel(x, y);
    EXPECT_EQ(differ, 0);
}
