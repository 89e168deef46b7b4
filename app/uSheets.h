#pragma once

#include <QByteArray>
#include <QString>

class TCustomplPrev;

// The worksheet's page geometry in paper units, derived from the document's
// paper size and printable area.
struct TSheetGeometry {
    int MX, MY, L, M, R, Q, Q3, T, TH, TB, G, B, RowH;
};

TSheetGeometry ComputeSheetGeometry(int PaperWidth, int PaperHeight, int LeftOffset, int TopOffset, int RightOffset,
                                    int BottomOffset);

// The texts of a sheet in the current language.
QString SheetTitle(int n);
QString SheetNameLine();
QString SheetDateLine();

// Generates End - Start + 1 sheets and records their pages into Doc: two
// problem pages per sheet, then one answer page per sheet. The document is
// always ended, also when drawing fails.
void DrawWorksheets(TCustomplPrev& Doc, int Start, int End);

// The main window's document settings as designed (margins, title, window
// settings, the design machine's A4 paper used when no printer is installed,
// and its printer settings), as stored with the main window.
QByteArray MainDocumentSettings();
// Reads them into Doc (see TCustomplPrev::ReadSettings); throws TStreamError
// when they do not read, with the values read so far kept.
void ReadMainDocumentSettings(TCustomplPrev& Doc);
// Reads them and runs the document's end-of-loading step.
void ApplyMainDocumentDesign(TCustomplPrev& Doc);
