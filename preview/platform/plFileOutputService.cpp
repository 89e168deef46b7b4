#include "plFileOutputService.h"

#include <QFile>

#include <stdexcept>

TFileOutputService::TFileOutputService(std::shared_ptr<IPrinterService> inner, QSaveFile& target)
    : FInner(std::move(inner)), FTarget(target)
{
}

QList<TPrinterEntry> TFileOutputService::Enumerate(bool* ok)
{
    return FInner->Enumerate(ok);
}

std::shared_ptr<const TPrinterCaps> TFileOutputService::Caps(const QString& printer)
{
    return FInner->Caps(printer);
}

void TFileOutputService::DocumentProperties(const QString& printer, QByteArray& devMode)
{
    FInner->DocumentProperties(printer, devMode);
}

QByteArray TFileOutputService::DefaultDevMode(const QString& printer)
{
    return FInner->DefaultDevMode(printer);
}

QList<TPaperForm> TFileOutputService::Forms(const QString& printer)
{
    return FInner->Forms(printer);
}

bool TFileOutputService::AddForm(const QString& printer, const TPaperForm& form)
{
    return FInner->AddForm(printer, form);
}

bool TFileOutputService::SetForm(const QString& printer, const TPaperForm& form)
{
    return FInner->SetForm(printer, form);
}

bool TFileOutputService::DeleteForm(const QString& printer, const QString& name)
{
    return FInner->DeleteForm(printer, name);
}

bool TFileOutputService::StartListing(std::function<void()> listed)
{
    return FInner->StartListing(std::move(listed));
}

bool TFileOutputService::ListingPending()
{
    return FInner->ListingPending();
}

bool TFileOutputService::WaitForListing(int ms)
{
    return FInner->WaitForListing(ms);
}

void TFileOutputService::StopListing()
{
    FInner->StopListing();
}

int TFileOutputService::SubmitJob(const QString&, const QString& pdfFile, const TJobOptions&)
{
    QFile pdf(pdfFile);
    if (!pdf.open(QIODevice::ReadOnly))
        throw std::runtime_error("cannot read the composed PDF");
    const QByteArray bytes = pdf.readAll();
    if (FTarget.write(bytes) != bytes.size())
        throw std::runtime_error(("cannot write " + FTarget.fileName() + ": " + FTarget.errorString()).toStdString());
    return ++FJobs;
}
