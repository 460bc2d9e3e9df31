#pragma once

struct SliceContext;

// Line fills of one layer, run on the batch threads: infill lines in the sparse region (cache H), parallel-line
// shells in the shell region (cache G, HShellType 0) and the support lines, appended to the layer's lineFills.
// Touches only its own layer's record and cache slots.
void lineFills(SliceContext &context, int layerIndex);
