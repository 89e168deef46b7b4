#include "plPrev.h"

// Hosting of the preview window: the window itself brings these to life.

void TCustomplPrev::ShowModal() {}

void TCustomplPrev::Show() {}

bool TCustomplPrev::Display(int)
{
    return false;
}

void TCustomplPrev::Close() {}

void TCustomplPrev::PrintWithDialog() {}

void TCustomplPrev::SetImageVisible(bool v)
{
    FImageVisible = v;
}
