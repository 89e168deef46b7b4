#pragma once

// Documents on the private spooler's printers: the default one is the Office
// Laser (A4, 600 dpi, 5 mm margins).

#include "plCupsPrinterService.h"
#include "plPrev.h"
#include "plPrinter.h"
#include "plSetPrinter.h"

#include <QObject>

#include <gtest/gtest.h>

#include <memory>

class TSpoolerDocumentTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        TPrinter::Printer().SetService(std::make_shared<TCupsPrinterService>());
        TPrinter::Printer().SetPrinterIndex(-1);
    }

    // A document owned by a form, on the default printer, A4.
    std::unique_ptr<TplPrev> Document(int Orientation = poPortrait)
    {
        auto doc = std::make_unique<TplPrev>(&Form);
        doc->SetName("plPrev1");
        doc->plSetPrinter()->SetPaperNumber(9);
        doc->plSetPrinter()->SetOrientation(Orientation);
        doc->UpdatePaperValues();
        return doc;
    }

    QObject Form;
};
