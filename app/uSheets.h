#pragma once

#include <QString>

class TCustomplPrev;

// The worksheet's page geometry in paper units, derived from the document's
// paper size and printable area.
struct TSheetGeometry {
    int MX, MY, L, M, R, Q, Q3, T, TH, TB, G, B, RowH;
};

TSheetGeometry ComputeSheetGeometry(int PaperWidth, int PaperHeight, int LeftOffset, int TopOffset,
                                    int RightOffset, int BottomOffset);

// The texts of a sheet in the current language.
QString SheetTitle(int n);
QString SheetNameLine();
QString SheetDateLine();

// Generates End - Start + 1 sheets and records their pages into Doc: two
// problem pages per sheet, then one answer page per sheet. The document is
// always ended, also when drawing fails.
void DrawWorksheets(TCustomplPrev& Doc, int Start, int End);

// The main window's document settings as designed: margins, title, window
// settings and the designed A4 paper geometry used when no printer is installed.
void ApplyMainDocumentDesign(TCustomplPrev& Doc);
