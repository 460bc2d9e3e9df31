#pragma once

#include "raster/planebuffer.h"
#include "raster/rasterframe.h"
#include "raster/seg2f.h"

#include <vector>

class Plane1;
class EdgeMarkPlane;
class Plane8;

// One byte per tile of 16 x 16 pixels of a source plane: 0 when the whole tile is 0 (clear),
// 255 when it is all 255 (set), 128 when mixed.
using TileMap = Plane8;

// The frame rectangle (mm) that the rasterisers map onto the whole target plane.
struct FrameRect {
    float minX = 0.0f;
    float minZ = 0.0f;
    float maxX = 1.0f;
    float maxZ = 1.0f;

    static FrameRect of(const RasterFrame &frame) { return {frame.minX, frame.minZ, frame.maxX, frame.maxZ}; }
};

// Blur parameters that offset a straight edge by a wanted distance (see ThresholdScaleFromWinsize).
struct BlurLevels {
    int window = 3;      // odd box size, 3 ... 15 pixels
    int threshold = 128; // blurred level where the offset edge lies
    int scale = 3;       // contrast around the threshold so that level 128 of the result is the offset edge
};

// An 8-bit raster: one byte per pixel, rows one after the other with no gap, pixel (x, y) at byte
// y * width + x. In coverage planes 0 is empty and 128 or more is covered. The operators need width and
// height to be multiples of 32 (the raster frame's sizes); each resizes its target itself.
class Plane8 : public PlaneBuffer
{
public:
    Plane8() = default;
    Plane8(int width, int height) { resize(width, height); }

    void resize(int width, int height);
    void fill(quint8 value) { fillBytes(value); }
    quint8 pixel(int x, int y) const { return data()[qint64(y) * width() + x]; }
    void setPixel(int x, int y, quint8 value) { data()[qint64(y) * width() + x] = value; }
    quint8 *row(int y) { return data() + qint64(y) * width(); }
    const quint8 *row(int y) const { return data() + qint64(y) * width(); }

    // A new buffer with the same pixels; transposed swaps width and height and moves (x, y) to (y, x).
    void copyTo(Plane8 &target, bool transposed = false) const;

    // Rasterise directed segments with 4 x 4 sub-samples per pixel (the solid lies right of each segment).
    // fromSegs3 counts windings (non-zero rule, or positive rule when nonZero is false), fromSegs2 parity.
    // Both return whether some row's crossings did not close; with `check` they stop early then, leaving
    // the plane incomplete for the caller to repair and rasterise again.
    static bool fromSegs3(Plane8 &target, const Seg2f *segs, qint64 count, const FrameRect &frame,
                          EdgeMarkPlane &scratch, bool nonZero, bool check);
    static bool fromSegs2(Plane8 &target, const Seg2f *segs, qint64 count, const FrameRect &frame,
                          EdgeMarkPlane &scratch, bool check);
    // Whole-pixel winding counter for the raft: a correctly wound solid reads 255, outside 0.
    static void fromSegs(Plane8 &target, const Seg2f *segs, qint64 count, const FrameRect &frame);

    template <class Container>
    static bool fromSegs3(Plane8 &target, const Container &segs, const FrameRect &frame, EdgeMarkPlane &scratch,
                          bool nonZero, bool check)
    {
        return fromSegs3(target, segs.data(), qint64(segs.size()), frame, scratch, nonZero, check);
    }
    template <class Container>
    static bool fromSegs2(Plane8 &target, const Container &segs, const FrameRect &frame, EdgeMarkPlane &scratch,
                          bool check)
    {
        return fromSegs2(target, segs.data(), qint64(segs.size()), frame, scratch, check);
    }
    template <class Container> static void fromSegs(Plane8 &target, const Container &segs, const FrameRect &frame)
    {
        fromSegs(target, segs.data(), qint64(segs.size()), frame);
    }

    // Box blur of `window` pixels along the rows of `source`, written transposed into `target`, so that two
    // calls blur both ways and restore the orientation. `sourceTiles` is the tile map of the source; tiles
    // whose whole neighbourhood is uniform are filled without computing. `targetTiles` receives the tile map
    // of the result. With levels.scale > 0 the averages are mapped by (average - threshold) * scale + 128
    // (the second call of an offset), so that level 128 of the result is the offset edge.
    static void blur2(const BlurLevels &levels, const Plane8 &source, const TileMap &sourceTiles, Plane8 &target,
                      TileMap &targetTiles);

    // Marks with 128 the end pixels of every run of pixels equal to v, along rows and/or columns; the
    // outside of the plane counts as 0.
    void edgeReduce(quint8 v, bool horizontal, bool vertical);

    // Tile map of this plane: exact 0 and 255 tiles are uniform, everything else mixed.
    void tileMap(TileMap &map) const;
    // 0, 255 or 128 for the 16 x 16 pixels starting at `first`, rows `stride` bytes apart.
    static quint8 classifyTile(const quint8 *first, qint64 stride);
};

// Window, threshold and scale for blur2 so that thresholding the result offsets a straight edge by
// `distance` pixels (positive shrinks the covered area); `factor` widens or narrows the window.
BlurLevels ThresholdScaleFromWinsize(double distance, double factor);
