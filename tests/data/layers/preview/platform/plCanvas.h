// The system layer may not use the document.
#include "plPrev.h"
