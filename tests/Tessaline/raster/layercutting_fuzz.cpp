// Arbitrary triangles (any float bits) through the whole path from mesh to layer area: gathering,
// layer table, cutting (shared among threads and checked against the plain cut), frame setup,
// rasterising with repair. Refusals are fine; crashes, hangs, runaway memory and a shared cut that differs
// from the plain one are not.
#include "geometry/scenetriangles.h"
#include "geometry/workerthread.h"
#include "raster/edgemarkplane.h"
#include "raster/layerarea.h"
#include "raster/layercutter.h"
#include "raster/plane1.h"
#include "raster/plane8.h"
#include "raster/rasterframesetup.h"

#include <QString>

#include <cstdint>
#include <cstring>

namespace
{

// Keeps each run small; the frame size limit itself is covered by the unit tests.
constexpr qint64 maxFuzzPixels = 1 << 20;

// The cut shared among threads must give exactly the lists of the cut of one triangle after the other.
void expectSameAsOneSweep(const LayerCutter &shared, const Faces &mesh, float thickness)
{
    LayerCutter plain;
    plain.setSceneItems({{mesh, M44f::scaling({1, 1, -1})}});
    plain.setCutInOneSweep(true);
    plain.SliceFaces(-50.0f, 50.0f, thickness, thickness, 0.0f, 0.5f);
    auto same = [](const std::vector<Seg2f> &a, const std::vector<Seg2f> &b) {
        return a.size() == b.size() && (a.empty() || std::memcmp(a.data(), b.data(), a.size() * sizeof(Seg2f)) == 0);
    };
    if (plain.layerCount() != shared.layerCount() ||
        std::memcmp(&plain.boundingBox(), &shared.boundingBox(), sizeof(Box3f)) != 0)
        __builtin_trap();
    for (int k = 0; k < plain.layerCount(); ++k) {
        const SliceLayer &a = plain.layers()[size_t(k)], &b = shared.layers()[size_t(k)];
        if (!same(a.meshSegs, b.meshSegs) || !same(a.supportSegs, b.supportSegs))
            __builtin_trap();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 2)
        return 0;
    // Two threads, so that the shares of the cut really run side by side.
    static const bool pooled = (setWorkerThreadCount(2), true);
    (void)pooled;
    const int fillRule = data[0] % 4;
    const float thickness = 0.05f + float(data[1]) * 0.01f;
    data += 2, size -= 2;
    Faces mesh;
    const size_t count = std::min<size_t>(size / (9 * sizeof(float)), 512);
    for (size_t i = 0; i < count; ++i) {
        float v[9];
        std::memcpy(v, data + i * sizeof(v), sizeof(v));
        mesh.append(Face({v[0], v[1], v[2]}, {v[3], v[4], v[5]}, {v[6], v[7], v[8]}));
    }
    try {
        LayerCutter cutter;
        cutter.setSceneTriangles(gatherTriangles({{mesh, M44f::scaling({1, 1, -1})}}));
        cutter.SliceFaces(-50.0f, 50.0f, thickness, thickness, 0.0f, 0.5f);
        expectSameAsOneSweep(cutter, mesh, thickness);
        const RasterFrame frame = setupRasterFrame(cutter.boundingBox(), 0.4f);
        if (qint64(frame.width) * frame.height > maxFuzzPixels)
            return 0;
        LayerAreaPreparer preparer(frame, fillRule);
        Plane8 coverage;
        Plane1 area;
        EdgeMarkPlane scratch;
        for (int k = -1; k < std::min(cutter.layerCount(), 24) + 1; ++k)
            preparer.prepare(cutter.layers(), k, coverage, area, scratch);
    } catch (const char *) {
    } catch (const QString &) {
    }
    return 0;
}
