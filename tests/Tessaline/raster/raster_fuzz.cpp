// Arbitrary segments (any float bits: NaN, infinities, huge values) through the rasterisers, the blur and
// the tracer: they may refuse with a message but must never crash, hang or read outside their planes.
#include "raster/contourtracer.h"
#include "raster/edgemarkplane.h"
#include "raster/linemasker2.h"
#include "raster/plane1.h"
#include "raster/plane8.h"

#include <QString>

#include <cstdint>
#include <cstring>
#include <vector>

namespace
{

void exercise(const uint8_t *data, size_t size)
{
    if (size < 4)
        return;
    const int width = 32 * (1 + data[0] % 4), height = 32 * (1 + data[1] % 4);
    const int mode = data[2] % 3;
    const double distance = (data[3] % 64) / 16.0 - 1.5;
    data += 4;
    size -= 4;
    std::vector<Seg2f> segs(size / sizeof(Seg2f));
    if (!segs.empty())
        std::memcpy(segs.data(), data, segs.size() * sizeof(Seg2f));

    const FrameRect frame{0.0f, 0.0f, float(width) / 4, float(height) / 4};
    Plane8 coverage(width, height);
    EdgeMarkPlane scratch;
    if (mode == 0)
        Plane8::fromSegs3(coverage, segs, frame, scratch, true, true);
    else if (mode == 1)
        Plane8::fromSegs2(coverage, segs, frame, scratch, false);
    else
        Plane8::fromSegs(coverage, segs, frame);

    TileMap tiles, halfTiles, resultTiles;
    coverage.tileMap(tiles);
    const BlurLevels levels = ThresholdScaleFromWinsize(distance, 1.0);
    BlurLevels plain = levels;
    plain.scale = 0;
    Plane8 half, result;
    Plane8::blur2(plain, coverage, tiles, half, halfTiles);
    Plane8::blur2(levels, half, halfTiles, result, resultTiles);

    Plane1 visited, mask;
    QVector<PolyLine> lines;
    contourDetect3(lines, result, visited, resultTiles, SegType::Perimeter, 0.1f);
    Plane1::fromPlane8(mask, coverage, 128, false);
    for (const PolyLine &line : lines) {
        PolyLine open = line;
        open.closed = false;
        LineMasker2::splitPolyLines(mask, open, SegType::Travel);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    try {
        exercise(data, size);
    } catch (const char *) {
    } catch (const QString &) {
    }
    return 0;
}
