#include "plMemoryPrinterService.h"

#include "plDevMode.h"
#include "plPaperTable.h"

#include <QFile>

#include <stdexcept>

namespace {

TPaperInfo paper(const char* media, int width, int length, int margin)
{
    TPaperInfo p;
    p.Media = QString::fromLatin1(media);
    p.Width = width;
    p.Length = length;
    p.Left = p.Bottom = p.Right = p.Top = margin;
    p.Number = PaperTable::StandardNumber(p.Media, width, length);
    p.Name = PaperTable::StandardName(p.Number);
    return p;
}

TBinInfo bin(const char* keyword)
{
    TBinInfo b;
    b.Keyword = QString::fromLatin1(keyword);
    b.Number = PaperTable::BinNumber(b.Keyword, {});
    b.Name = PaperTable::BinName(b.Keyword);
    return b;
}

} // namespace

TMemoryPrinterService::Printer* TMemoryPrinterService::Find(const QString& name)
{
    for (Printer& p : Printers)
        if (p.Entry.Name == name)
            return &p;
    for (Printer& p : Printers)
        if (p.Entry.Port == name)
            return &p;
    return nullptr;
}

QList<TPrinterEntry> TMemoryPrinterService::Enumerate(bool* ok)
{
    if (ok)
        *ok = !EnumerateFails;
    QList<TPrinterEntry> list;
    if (EnumerateFails)
        return list;
    for (const Printer& p : Printers)
        list.append(p.Entry);
    return list;
}

std::shared_ptr<const TPrinterCaps> TMemoryPrinterService::Caps(const QString& printer)
{
    Printer* p = Find(printer);
    if (!p)
        return nullptr;
    auto caps = std::make_shared<TPrinterCaps>(p->Caps);
    caps->Name = p->Entry.Name;
    caps->Driver = p->Entry.Driver;
    caps->Port = p->Entry.Port;
    QList<int> taken;
    for (const TPaperInfo& i : caps->Papers)
        taken.append(i.Number);
    for (const TPaperForm& f : p->Forms) {
        TPaperInfo i = FormPaper(*caps, f, taken);
        if (caps->CustomFits(i.Width, i.Length)) {
            taken.append(i.Number);
            caps->Papers.append(i);
        }
    }
    return caps;
}

void TMemoryPrinterService::DocumentProperties(const QString& printer, QByteArray& devMode)
{
    IPrinterService::DocumentProperties(printer, devMode);
    if (Printer* p = Find(printer); p && p->AfterPass)
        p->AfterPass(devMode);
}

QList<TPaperForm> TMemoryPrinterService::Forms(const QString& printer)
{
    Printer* p = Find(printer);
    return p ? p->Forms : QList<TPaperForm>();
}

bool TMemoryPrinterService::AddForm(const QString& printer, const TPaperForm& form)
{
    Printer* p = Find(printer);
    if (!p || !p->Caps.CustomFits((form.Width + 5) / 10, (form.Length + 5) / 10))
        return false;
    for (const TPaperForm& f : p->Forms)
        if (f.Name == form.Name)
            return false;
    p->Forms.append(form);
    return true;
}

bool TMemoryPrinterService::SetForm(const QString& printer, const TPaperForm& form)
{
    Printer* p = Find(printer);
    if (!p || !p->Caps.CustomFits((form.Width + 5) / 10, (form.Length + 5) / 10))
        return false;
    for (TPaperForm& f : p->Forms) {
        if (f.Name == form.Name) {
            f = form;
            return true;
        }
    }
    return false;
}

bool TMemoryPrinterService::DeleteForm(const QString& printer, const QString& name)
{
    Printer* p = Find(printer);
    if (!p)
        return false;
    for (int i = 0; i < p->Forms.size(); ++i) {
        if (p->Forms[i].Name == name) {
            p->Forms.removeAt(i);
            return true;
        }
    }
    return false;
}

int TMemoryPrinterService::SubmitJob(const QString& printer, const QString& pdfFile, const TJobOptions& options)
{
    Printer* p = Find(printer);
    if (!p)
        throw std::runtime_error(QStringLiteral("The printer \"%1\" does not exist.").arg(printer).toStdString());
    if (p->RefuseJobs || p->Entry.Hidden)
        throw std::runtime_error(QStringLiteral("The printer \"%1\" refused the job.").arg(printer).toStdString());
    QFile f(pdfFile);
    if (!f.open(QIODevice::ReadOnly))
        throw std::runtime_error("Cannot read the print file.");
    Job j;
    j.Pdf = f.readAll();
    if (options.Progress && !options.Progress(j.Pdf.size(), j.Pdf.size()))
        throw TJobCancelled();
    j.Id = int(Jobs.size()) + 1;
    j.Printer = p->Entry.Name;
    j.Options = options;
    j.Options.Progress = nullptr;
    Jobs.append(j);
    return j.Id;
}

TMemoryPrinterService::Printer TMemoryPrinterService::ColorLaser(const QString& name, const QString& port)
{
    Printer p;
    p.Entry.Name = name;
    p.Entry.Port = port;
    p.Entry.Driver = QStringLiteral("Memory Color Laser");
    TPrinterCaps& c = p.Caps;
    c.Papers = {paper("iso_a4_210x297mm", 21000, 29700, 500), paper("na_letter_8.5x11in", 21590, 27940, 500),
                paper("iso_a3_297x420mm", 29700, 42000, 500), paper("iso_a5_148x210mm", 14800, 21000, 500)};
    c.DefaultPaper = 9;
    c.Bins = {bin("auto"), bin("tray-1"), bin("tray-2"), bin("manual")};
    c.DefaultBin = 7;
    c.Color = c.ColorDefault = true;
    c.BitsPerPixel = 24;
    c.DuplexLong = c.DuplexShort = true;
    c.MaxCopies = 999;
    c.Collate = true;
    c.Resolutions = {QPoint(600, 600)};
    c.DefaultResolution = QPoint(600, 600);
    c.CustomSize = true;
    c.CustomMinWidth = c.CustomMinLength = 5080;
    c.CustomMaxWidth = 29700;
    c.CustomMaxLength = 42000;
    c.CustomLeft = c.CustomBottom = c.CustomRight = c.CustomTop = 500;
    c.Options = {{QStringLiteral("print-quality"),
                  QStringLiteral("Print Quality"),
                  {QStringLiteral("3"), QStringLiteral("4"), QStringLiteral("5")},
                  QStringLiteral("4")},
                 {QStringLiteral("output-bin"),
                  QStringLiteral("Output Tray"),
                  {QStringLiteral("face-down"), QStringLiteral("face-up")},
                  QStringLiteral("face-down")}};
    return p;
}

TMemoryPrinterService::Printer TMemoryPrinterService::MonoLetter(const QString& name, const QString& port)
{
    Printer p;
    p.Entry.Name = name;
    p.Entry.Port = port;
    p.Entry.Driver = QStringLiteral("Memory Mono Letter");
    TPrinterCaps& c = p.Caps;
    c.Papers = {paper("na_letter_8.5x11in", 21590, 27940, 635), paper("na_legal_8.5x14in", 21590, 35560, 635),
                paper("iso_a4_210x297mm", 21000, 29700, 635)};
    c.DefaultPaper = 1;
    c.MaxCopies = 999;
    c.Collate = true;
    c.Resolutions = {QPoint(300, 300)};
    c.DefaultResolution = QPoint(300, 300);
    return p;
}
