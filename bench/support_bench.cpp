// Concentric shells of a 1024 x 1024 shell region (rings and strips of widths that leave centre lines, and a
// solid block), and the slice of a slab held by a grid of support bars, on 1 and 2 threads.
#include "engine/concentricfill.h"
#include "engine/slicer.h"
#include "geometry/workerthread.h"

#include <benchmark/benchmark.h>

#include <cmath>

namespace
{

constexpr int regionSize = 1024;
constexpr float pixelsPerEw = 1.0f / 0.333f;

const Plane1 &shellRegion()
{
    static const Plane1 region = [] {
        Plane1 plane(regionSize, regionSize);
        plane.fill(false);
        for (int y = 0; y < regionSize; ++y) {
            for (int x = 0; x < regionSize; ++x) {
                const float r = std::hypot(x - 300.0f, y - 300.0f);
                const bool ring = std::fmod(r, 40.0f) < 8.0f + std::fmod(r, 7.0f) && r < 280.0f;
                const bool strip = x > 620 && x < 1000 && (y % 30) < 5 + (y / 30) % 8 && y < 600;
                const bool block = x > 100 && x < 900 && y > 680 && y < 980;
                plane.setPixel(x, y, ring || strip || block);
            }
        }
        return plane;
    }();
    return region;
}

void BM_ConcentricFill(benchmark::State &state)
{
    setWorkerThreadCount(int(state.range(0)));
    ConcentricFill filler(pixelsPerEw, pixelsPerEw * pixelsPerEw * 0.08f);
    qint64 paths = 0;
    for (auto _ : state) {
        const QVector<PolyLine> result = filler.fill(shellRegion());
        paths = result.size();
        benchmark::DoNotOptimize(result.data());
    }
    state.counters["paths"] = double(paths);
}
BENCHMARK(BM_ConcentricFill)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);

// A 60 x 60 mm slab 10 mm above the plate on a 6 x 6 grid of 1.8 mm bars.
SliceScene slabOnBars()
{
    Faces faces;
    faces.makeBox(Box3f{V3f(-30, 10, -30), V3f(30, 12, 30)});
    SliceScene scene;
    scene.objects.push_back(SceneItem{faces, M44f::identity()});
    for (int i = 0; i < 6; ++i)
        for (int j = 0; j < 6; ++j)
            scene.bars.push_back(
                SliceBar{V3f(-25.0f + 10 * i, 0, -25.0f + 10 * j), V3f(-25.0f + 10 * i, 10, -25.0f + 10 * j), 1.8f});
    return scene;
}

void BM_SliceSlabOnBars(benchmark::State &state)
{
    setSlicerThreads(int(state.range(0)));
    SlicerParams sp;
    sp.SkirtEnable = false;
    const MachineRecord machine;
    const SliceScene scene = slabOnBars();
    qint64 bytes = 0;
    for (auto _ : state) {
        Slicer slicer(scene, &sp, &machine, {});
        bytes = slicer.slice().size();
    }
    state.counters["gcode_bytes"] = double(bytes);
}
BENCHMARK(BM_SliceSlabOnBars)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
