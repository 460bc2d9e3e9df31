#include "brimskirtraft.h"

#include "slicecontext.h"

// Until skirts, brims and rafts are built the first layer simply stands on the plate.
void BrimSkirtRaft(SliceContext &) {}
