#include "linefills.h"

#include "slicecontext.h"

// Until fills are built a layer is printed as its loops alone.
void lineFills(SliceContext &, int) {}
