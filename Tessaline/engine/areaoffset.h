#pragma once

#include "raster/plane8.h"

// Offsets coverage planes (128 and above inside) by blurring and thresholding them again: a positive
// distance (pixels) shrinks the covered area, a negative one grows it. Keeps its scratch planes between
// calls, so one object serves one thread. The blur runs on the worker pool.
class AreaOffset
{
public:
    // `factor` widens or narrows the blur window (see ThresholdScaleFromWinsize). Growing by more than the
    // narrowest window reaches is done by shrinking the complement, so every distance the forms allow works.
    void offset(const Plane8 &source, const TileMap &sourceTiles, double distance, double factor, Plane8 &target,
                TileMap &targetTiles);

private:
    void blurOffset(const Plane8 &source, const TileMap &sourceTiles, const BlurLevels &levels, Plane8 &target,
                    TileMap &targetTiles);

    void offsetStep(const Plane8 &source, const TileMap &sourceTiles, double distance, double factor, Plane8 &target,
                    TileMap &targetTiles);
    static void clearBorder(Plane8 &plane, int band);

    Plane8 m_half;
    TileMap m_halfTiles;
    Plane8 m_complement;
    TileMap m_complementTiles;
};

// 255 - value for every pixel, with the tile map of the result.
void complementCoverage(const Plane8 &source, Plane8 &target, TileMap &targetTiles);
