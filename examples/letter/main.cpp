// A Japanese business letter printed through the Mirvak engine: postal-code
// boxes, the addressee written vertically, a justified sender block, a logo,
// a body text flowed from a file with the Japanese line-break rules, and a
// table ruled with lines.
//
//   letter [--body FILE] [--logo FILE] [OUTPUT.pdf]   writes a PDF (default letter.pdf)
//   letter --printer NAME [--body FILE] [--logo FILE]  prints on a CUPS printer
//
// Everything is drawn in paper units: tenths of a millimetre from the sheet's
// top-left corner, x to the right, y downwards. Box operations take their box
// as left, right, top, bottom.
#include "plFileOutputService.h"
#include "plMemoryPrinterService.h"
#include "plMessageBox.h"
#include "plPrev.h"
#include "plPrinter.h"
#include "plSaveFile.h"
#include "plSetPrinter.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QSaveFile>

#include <cstdio>
#include <exception>
#include <memory>

namespace {

const QString kFace = QStringLiteral("IPAGothic");
constexpr TColor kTeal = 0x786F1F; // colours are 0xBBGGRR
constexpr TColor kShade = 0xF2EEE8;
constexpr int kLeft = 150, kRight = 1950; // the letter's margins on A4 (2100 x 2970)

void Complain(const QString& text)
{
    std::fprintf(stderr, "letter: %s\n", qPrintable(text));
}

// Top of the page: the logo, the sender, the date, the subject.
void DrawSender(TplPrev& doc, const QString& logo)
{
    doc.StretchDrawPict(kLeft, kLeft + 180, 130, 310, false, logo);
    doc.FontName(kFace);
    doc.FontSize(10);
    // Each line spread over the same width, so the block has straight edges.
    const QString sender[] = {"株式会社ミルヴァク印刷　営業部", "東京都渋谷区神宮前一丁目二番三号",
                              "電話　〇三（一二三四）五六七八"};
    for (int i = 0; i < 3; ++i)
        doc.TextRectJust(370, 950, 150 + i * 55, 200 + i * 55, sender[i]);
    doc.TextRectRB(kLeft, 1450, 380, 440, "2026年12月11日");

    doc.FontSize(16);
    doc.FontStyle({fsBold});
    doc.TextRectCC(kLeft, 1450, 520, 620, "お見積りのご送付について");
    doc.FontStyle({});
    doc.LineColor(kTeal);
    doc.LineWidth(5);
    doc.Line(350, 1250, 630, 630);

    doc.FontSize(10.5);
    doc.TextRectLCEx(kLeft + 100, 1450, 700, 760, "見積番号　MV-2026-1211");
    doc.TextRectLCEx(kLeft + 100, 1450, 760, 820, "有効期限　2027年1月31日");
}

// Top right: the postal code in its boxes and the address written
// vertically below them, in columns from right to left.
void DrawAddressee(TplPrev& doc)
{
    doc.FontName(kFace);
    doc.FontSize(14);
    doc.ZipOut("100-0005", 0, 0, true, 0);
    doc.FontSize(11);
    doc.TextRectJustTate(1920, 2000, 300, 1010, "東京都千代田区丸の内二丁目七番三号");
    doc.TextRectJustTate(1840, 1920, 420, 1010, "東京ビルディング十二階");
    doc.TextRectJustTate(1740, 1830, 300, 880, "株式会社東都商事　総務部");
    doc.FontSize(20);
    doc.TextRectJustTate(1580, 1730, 380, 1010, "山田　花子　様");
}

// The body, flowed from a text file from Top down; returns the top of the
// first free row.
int DrawBody(TplPrev& doc, const QString& bodyFile, int Top)
{
    doc.FontName(kFace);
    doc.FontSize(11);
    const int rowHeight = 68;
    const int end = doc.TextOutFile(Top, kLeft, kRight, rowHeight, bodyFile);
    doc.TextOutRT(kRight, end, "敬具");
    return end + rowHeight;
}

// The quotation as a table: a shaded head row, items, a total; ruled with lines.
int DrawTable(TplPrev& doc, int Top)
{
    struct Item {
        QString Name, Count, Price, Amount;
    };
    const Item rows[] = {{"品名", "数量", "単価", "金額"},
                         {"計算ドリル冊子（二十冊組）", "30", "4,800", "144,000"},
                         {"表紙デザイン", "1", "25,000", "25,000"},
                         {"送料", "1", "1,500", "1,500"},
                         {"合計（税込）", "", "", "170,500"}};
    const int columns[] = {kLeft, 1000, 1200, 1500, kRight};
    const int rowHeight = 80, count = 5, bottom = Top + count * rowHeight;

    doc.FontName(kFace);
    doc.FontSize(10.5);
    doc.TextRectCC(kLeft, kRight, Top, Top + rowHeight, "記");
    const int top = Top + rowHeight;
    doc.BrushColor(kShade);
    doc.FillRect(kLeft, kRight, top, top + rowHeight);
    doc.BrushStyle(bsClear);

    for (int r = 0; r < count; ++r) {
        const int y1 = top + r * rowHeight, y2 = y1 + rowHeight;
        const Item& item = rows[r];
        if (r == 0) {
            const QString head[] = {item.Name, item.Count, item.Price, item.Amount};
            for (int c = 0; c < 4; ++c)
                doc.TextRectCC(columns[c], columns[c + 1], y1, y2, head[c]);
            continue;
        }
        doc.TextRectLC(columns[0] + 25, columns[1], y1, y2, item.Name);
        doc.TextRectRC(columns[1], columns[2] - 25, y1, y2, item.Count);
        doc.TextRectRC(columns[2], columns[3] - 25, y1, y2, item.Price);
        doc.TextRectRC(columns[3], columns[4] - 25, y1, y2, item.Amount);
    }
    // Rules: thin between rows, thick around the table and under the head.
    doc.LineColor(clBlack);
    for (int r = 0; r <= count; ++r) {
        doc.LineWidth(r == 0 || r == 1 || r == count - 1 || r == count ? 4 : 1);
        doc.Line(kLeft, kRight, top + r * rowHeight, top + r * rowHeight);
    }
    for (int c = 0; c < 5; ++c) {
        doc.LineWidth(c == 0 || c == 4 ? 4 : 1);
        // The total spans the name, count and price columns.
        const int y2 = (c == 1 || c == 2) ? top + (count - 1) * rowHeight : top + count * rowHeight;
        doc.Line(columns[c], columns[c], top, y2);
    }
    doc.TextRectRC(kLeft, kRight, bottom + rowHeight, bottom + 2 * rowHeight, "以上");
    return bottom + 2 * rowHeight;
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription("Prints a Japanese business letter through the Mirvak engine.");
    parser.addHelpOption();
    const QCommandLineOption printerOpt("printer", "Print on this printer instead of writing a PDF.", "NAME");
    const QCommandLineOption bodyOpt("body", "The letter's body text.", "FILE", LETTER_DIR "/body.txt");
    const QCommandLineOption logoOpt("logo", "The sender's logo.", "FILE", LETTER_DIR "/logo.png");
    parser.addOptions({printerOpt, bodyOpt, logoOpt});
    parser.addPositionalArgument("output", "The PDF to write (default letter.pdf).", "[OUTPUT.pdf]");
    parser.process(app);
    const bool toPrinter = parser.isSet(printerOpt);
    const QStringList args = parser.positionalArguments();
    if (args.size() > 1 || (toPrinter && !args.isEmpty())) {
        Complain("give either one PDF file or --printer NAME");
        return 2;
    }

    // The engine reports some failures (no printer, nothing drawn) in
    // message boxes; this program writes them to standard error instead.
    int failures = 0;
    SetMessageBoxHook([&failures](const TMessageBoxRequest& r) {
        ++failures;
        Complain(r.Text.trimmed());
        return QMessageBox::Ok;
    });

    // A PDF is printed too: on an A4 printer held in memory whose finished
    // job is written to the file. Without this the printers come from CUPS.
    QSaveFile pdf(args.isEmpty() ? QStringLiteral("letter.pdf") : args.first());
    if (!toPrinter) {
        if (!pdf.open(QIODevice::WriteOnly)) {
            Complain(QString("cannot write %1: %2").arg(pdf.fileName(), pdf.errorString()));
            return 1;
        }
        auto a4 = std::make_shared<TMemoryPrinterService>();
        a4->Printers.push_back(TMemoryPrinterService::ColorLaser("Letter PDF", "pdf"));
        TPrinter::Printer().SetService(std::make_shared<TFileOutputService>(a4, pdf));
    }

    bool ok = false;
    {
        TplPrev doc; // made after the printer service is chosen: it looks for printers
        if (toPrinter) {
            const QString name = doc.plSetPrinter()->FindPrinterName(parser.value(printerOpt));
            if (name.isEmpty()) {
                Complain(QString("no printer named '%1'").arg(parser.value(printerOpt)));
                return 1;
            }
            doc.plSetPrinter()->SetPrinterName(name);
        }
        doc.plSetPrinter()->SetPaperNumber(9); // A4
        doc.plSetPrinter()->SetOrientation(poPortrait);
        doc.SetTitle("Letter");
        try {
            doc.BeginDoc();
            DrawSender(doc, parser.value(logoOpt));
            DrawAddressee(doc);
            const int end = DrawBody(doc, parser.value(bodyOpt), 1080);
            DrawTable(doc, end);
            doc.EndDoc();
            doc.Print();
            ok = failures == 0;
        } catch (const std::exception& e) { // unreadable files, a refused job
            Complain(QString::fromLocal8Bit(e.what()));
        }
    }
    TPrinter::Printer().SetService(nullptr);
    if (toPrinter)
        return ok ? 0 : 1;
    if (!ok) {
        pdf.cancelWriting();
        return 1;
    }
    if (!CommitComplete(pdf)) {
        Complain(QString("cannot write %1: %2").arg(pdf.fileName(), pdf.errorString()));
        return 1;
    }
    return 0;
}
