#include "plPrinterService.h"

#include "plDevMode.h"
#include "plPaperTable.h"

#include <stdexcept>

const TPaperInfo* TPrinterCaps::Paper(int number) const
{
    for (const TPaperInfo& p : Papers)
        if (p.Number == number)
            return &p;
    return nullptr;
}

const TPaperInfo* TPrinterCaps::PaperByMedia(const QString& media) const
{
    for (const TPaperInfo& p : Papers)
        if (p.Media == media)
            return &p;
    return nullptr;
}

const TBinInfo* TPrinterCaps::Bin(int number) const
{
    for (const TBinInfo& b : Bins)
        if (b.Number == number)
            return &b;
    return nullptr;
}

bool TPrinterCaps::HasResolution(QPoint dpi) const
{
    return Resolutions.contains(dpi);
}

bool TPrinterCaps::CustomFits(int width, int length) const
{
    return CustomSize && width >= CustomMinWidth && width <= CustomMaxWidth && length >= CustomMinLength
        && length <= CustomMaxLength;
}

void IPrinterService::DocumentProperties(const QString& printer, QByteArray& devMode)
{
    const std::shared_ptr<const TPrinterCaps> caps = Caps(printer);
    if (!caps)
        throw std::runtime_error(QStringLiteral("The printer \"%1\" does not exist.").arg(printer).toStdString());
    DevMode::DriverPass(*caps, devMode);
}

QByteArray IPrinterService::DefaultDevMode(const QString& printer)
{
    const std::shared_ptr<const TPrinterCaps> caps = Caps(printer);
    return caps ? DevMode::Defaults(*caps) : QByteArray();
}

int FormPaperNumber(const QString& name, const QList<int>& taken)
{
    return PaperTable::StableNumber(QStringLiteral("form:") + name, 16384, 8192, taken);
}

TPaperInfo FormPaper(const TPrinterCaps& caps, const TPaperForm& form, const QList<int>& taken)
{
    TPaperInfo p;
    p.Number = FormPaperNumber(form.Name, taken);
    p.Name = form.Name;
    p.Width = (form.Width + 5) / 10;
    p.Length = (form.Length + 5) / 10;
    p.Media = PaperTable::CustomMedia(p.Width, p.Length);
    p.Left = caps.CustomLeft;
    p.Bottom = caps.CustomBottom;
    p.Right = caps.CustomRight;
    p.Top = caps.CustomTop;
    p.Form = true;
    return p;
}
