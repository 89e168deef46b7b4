#pragma once

// The system print dialog on the process-wide current printer: it opens on
// that printer and its settings, and what the user chooses (printer, copies,
// collation, two-sided printing, colour, orientation) becomes the current
// printer's selection and device mode again.

#include <QString>

class QWidget;

struct TplPrintDialogResult {
    bool Accepted = false;
    enum Range { AllPages, Selection, PageNums } Kind = AllPages;
    int FromPage = 0, ToPage = 0;
};

// Page numbers only: no selection, no current page, no printing to a file.
TplPrintDialogResult ExecutePrintDialog(QWidget* parent, int fromPage, int toPage, int minPage, int maxPage);
