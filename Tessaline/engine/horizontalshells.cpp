#include "horizontalshells.h"

#include "slicecontext.h"

// Until shells are computed every layer is printed as its loops alone: no region is left for shells or fills.
void horizontalShellRegions(SliceContext &, int) {}

void concentricShells(SliceContext &, int) {}
