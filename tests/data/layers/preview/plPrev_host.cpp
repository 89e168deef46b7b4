// The document may not use its window.
#include "plPrev.h"
#include "plPrevFrm.h"
