#include "uCommandLine.h"

#include "plFileOutputService.h"
#include "plMemoryPrinterService.h"
#include "plMessageBox.h"
#include "plPrev.h"
#include "plPrinter.h"
#include "plSaveFile.h"
#include "plSetPrinter.h"
#include "uSheets.h"
#include "uUtils.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <cstdio>
#include <cstring>
#include <memory>
#include <stdexcept>

namespace {

// Without an installed printer the sheets are laid out on the A4 paper the
// main window was designed on: 600 dpi, 4.3 mm unprintable bands.
std::shared_ptr<IPrinterService> DesignedA4Service()
{
    auto service = std::make_shared<TMemoryPrinterService>();
    TMemoryPrinterService::Printer p =
        TMemoryPrinterService::ColorLaser(QStringLiteral("Mirvak PDF"), QStringLiteral("mirvak-pdf"));
    QList<TPaperInfo> a4;
    for (TPaperInfo paper : p.Caps.Papers)
        if (paper.Number == 9) {
            paper.Left = paper.Right = paper.Top = paper.Bottom = 430;
            a4.push_back(paper);
        }
    p.Caps.Papers = a4;
    p.Caps.Bins = {p.Caps.Bins.front()};
    p.Caps.DuplexLong = p.Caps.DuplexShort = false;
    p.Caps.CustomSize = false;
    p.Caps.Options.clear();
    p.Entry.IsDefault = true;
    service->Printers.push_back(p);
    return service;
}

bool HasVisiblePrinter(IPrinterService& service)
{
    for (const TPrinterEntry& e : service.Enumerate())
        if (!e.Hidden)
            return true;
    return false;
}

void Complain(const QString& text)
{
    std::fprintf(stderr, "mirvak: %s\n", text.toLocal8Bit().constData());
}

bool ParseSheet(const QString& text, int& value)
{
    bool ok = false;
    value = text.toInt(&ok);
    return ok && value >= 1 && value <= 100;
}

// Draws and prints the sheets; a message box of the engine (no printer,
// nothing drawn) or an exception is a failure.
bool PrintSheets(TplPrev& doc, int start, int end)
{
    int boxes = 0;
    const TMessageBoxHook previous = SetMessageBoxHook([&boxes](const TMessageBoxRequest& r) {
        ++boxes;
        Complain(r.Text.trimmed());
        return QMessageBox::Ok;
    });
    bool ok = false;
    try {
        DrawWorksheets(doc, start, end);
        doc.Print();
        ok = boxes == 0;
    } catch (const std::exception& e) {
        Complain(QString::fromLocal8Bit(e.what()));
    }
    SetMessageBoxHook(previous);
    return ok;
}

// The document as the main window sets it up when it is created: the
// designed settings and the title in the user's language.
void PrepareDocument(TplPrev& doc)
{
    doc.SetName(QStringLiteral("plPrev1"));
    ApplyMainDocumentDesign(doc);
    if (IsJapanese())
        doc.SetTitle(QStringLiteral("印刷プレビュー"));
}

// The sheets are laid out on A4 portrait whatever the printer's own paper,
// as in the window.
void LayOutOnA4Portrait(TplPrev& doc)
{
    doc.plSetPrinter()->SetPaperNumberProp(9);
    doc.plSetPrinter()->SetOrientationProp(0);
}

} // namespace

bool IsCommandLineMode(int argc, char** argv)
{
    for (int i = 1; i < argc; ++i) {
        const char* a = argv[i];
        if (std::strncmp(a, "-", 1) == 0)
            return true;
    }
    return false;
}

int RunCommandLine(const QStringList& Arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Prints arithmetic drill sheets: 100 addition and subtraction problems on two pages "
                       "and an answer page per sheet. Without options the window opens."));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption startOpt(QStringLiteral("start"), QStringLiteral("First sheet number (1-100)."),
                                      QStringLiteral("N"));
    const QCommandLineOption endOpt(QStringLiteral("end"), QStringLiteral("Last sheet number (start-100)."),
                                    QStringLiteral("M"));
    const QCommandLineOption pdfOpt(QStringLiteral("pdf"), QStringLiteral("Write the sheets to a PDF file."),
                                    QStringLiteral("FILE"));
    const QCommandLineOption printOpt(QStringLiteral("print"), QStringLiteral("Print the sheets."));
    const QCommandLineOption printerOpt(QStringLiteral("printer"),
                                        QStringLiteral("Printer to print on (default: the system's default)."),
                                        QStringLiteral("NAME"));
    parser.addOptions({startOpt, endOpt, pdfOpt, printOpt, printerOpt});

    if (!parser.parse(Arguments)) {
        Complain(parser.errorText());
        return 2;
    }
    if (parser.isSet(QStringLiteral("help"))) {
        std::fputs(qPrintable(parser.helpText()), stdout);
        return 0;
    }
    if (parser.isSet(QStringLiteral("version"))) {
        std::printf("Mirvak %s\n", qPrintable(GetVersionString()));
        return 0;
    }
    if (!parser.positionalArguments().isEmpty()) {
        Complain(QStringLiteral("unexpected argument: %1").arg(parser.positionalArguments().first()));
        return 2;
    }

    int start = 0, end = 0;
    if (!parser.isSet(startOpt) || !parser.isSet(endOpt)) {
        Complain(QStringLiteral("--start and --end are both needed"));
        return 2;
    }
    if (!ParseSheet(parser.value(startOpt), start)) {
        Complain(QStringLiteral("--start must be a whole number from 1 to 100, not '%1'").arg(parser.value(startOpt)));
        return 2;
    }
    if (!ParseSheet(parser.value(endOpt), end)) {
        Complain(QStringLiteral("--end must be a whole number from 1 to 100, not '%1'").arg(parser.value(endOpt)));
        return 2;
    }
    if (start > end) {
        Complain(QStringLiteral("--start (%1) is above --end (%2)").arg(start).arg(end));
        return 2;
    }
    const bool toPdf = parser.isSet(pdfOpt);
    const bool toPrinter = parser.isSet(printOpt);
    if (toPdf == toPrinter) {
        Complain(QStringLiteral("give exactly one of --pdf FILE and --print"));
        return 2;
    }
    if (toPdf && parser.isSet(printerOpt)) {
        Complain(QStringLiteral("--printer goes with --print"));
        return 2;
    }

    TPrinter& printer = TPrinter::Printer();
    if (toPdf) {
        const QString file = parser.value(pdfOpt);
        if (QFileInfo(file).isDir()) {
            Complain(QStringLiteral("%1 is a folder").arg(file));
            return 1;
        }
        // Written beside the target and put in place only when complete, so a
        // failure leaves nothing behind and an existing file untouched.
        QSaveFile target(file);
        if (!target.open(QIODevice::WriteOnly)) {
            Complain(QStringLiteral("cannot write %1: %2").arg(file, target.errorString()));
            return 1;
        }
        const std::shared_ptr<IPrinterService> installed = printer.ServicePtr();
        std::shared_ptr<IPrinterService> inner = installed;
        if (!HasVisiblePrinter(*inner))
            inner = DesignedA4Service();
        auto service = std::make_shared<TFileOutputService>(inner, target);
        printer.SetService(service);
        bool ok = false;
        {
            TplPrev doc;
            PrepareDocument(doc);
            LayOutOnA4Portrait(doc);
            ok = PrintSheets(doc, start, end) && service->Jobs() == 1;
        }
        printer.SetService(installed);
        if (!ok) {
            target.cancelWriting();
            return 1;
        }
        if (!CommitComplete(target)) {
            Complain(QStringLiteral("cannot write %1: %2").arg(file, target.errorString()));
            return 1;
        }
        return 0;
    }

    TplPrev doc;
    PrepareDocument(doc);
    if (doc.NoPrinter()) {
        Complain(QStringLiteral("no printer is installed"));
        return 1;
    }
    if (parser.isSet(printerOpt)) {
        const QString name = doc.plSetPrinter()->FindPrinterName(parser.value(printerOpt));
        if (name.isEmpty()) {
            Complain(QStringLiteral("no printer named '%1'").arg(parser.value(printerOpt)));
            return 1;
        }
        doc.plSetPrinter()->SetPrinterName(name);
    }
    LayOutOnA4Portrait(doc);
    return PrintSheets(doc, start, end) ? 0 : 1;
}
