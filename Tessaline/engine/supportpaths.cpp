#include "supportpaths.h"

#include "slicecontext.h"

// Until supports are built a layer carries no support paths.
void joinSupportLines(SliceContext &, int) {}

void buildSupportBarPaths(SliceContext &, int) {}
