#pragma once

// The system print dialog on the process-wide current printer: it opens on
// that printer and its settings, and what the user chooses (printer, copies,
// collation, two-sided printing, colour, paper and orientation) becomes the
// current printer's selection and device mode again. Odd or even pages and
// the reverse order come back with the page range.

#include <QString>

class QWidget;

struct TplPrintDialogResult {
    bool Accepted = false;
    enum Range { AllPages, Selection, PageNums } Kind = AllPages;
    int FromPage = 0, ToPage = 0;
    enum Set { EveryPage, OddPages, EvenPages } PageSet = EveryPage;
    bool Reverse = false; // last page first
};

// Page numbers only: no selection, no current page, no printing to a file.
TplPrintDialogResult ExecutePrintDialog(QWidget* parent, int fromPage, int toPage, int minPage, int maxPage);
