// The window may use the document.
#include "plPrev.h"
