// The shared services may use the system layer, not the window.
#include "plCanvas.h"
#include "plPrevFrm.h"
#include "Version.h"
