#include "uFrmMain.h"

#include "plPrev.h"
#include "uSheets.h"

void TFrmMain::DrawSheets(int Start, int End)
{
    DrawWorksheets(*plPrev1, Start, End);
}
