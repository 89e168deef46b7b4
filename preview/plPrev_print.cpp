#include "plPrev.h"

void TCustomplPrev::Print() {}
