#pragma once

struct SliceContext;

// Solid top and bottom shells. horizontalShellRegions runs once per sweep step i (from -2N on): it reads the
// inner areas of layers i - N ... i + N (cache D, empty outside the layer range), keeps the pair and window
// intersections in caches E and F and leaves layer i's shell and sparse-infill regions in caches G and H.
void horizontalShellRegions(SliceContext &context, int layerIndex);

// Concentric shells of layer i (HShellType 1): loops traced inside its shell region, added to cache A.
void concentricShells(SliceContext &context, int layerIndex);
