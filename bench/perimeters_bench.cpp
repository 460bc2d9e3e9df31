// The vertical shells of one realistic 2048 x 2048 layer (a toothed ring with round holes, a field of small
// pegs and thin walls), with and without hair detection, on 1 and 2 worker threads.
// Arguments: loop count, hairs on (1) or off (0), threads.
#include "engine/slicerparams.h"
#include "engine/verticalshells.h"
#include "geometry/workerthread.h"
#include "raster/edgemarkplane.h"
#include "raster/plane8.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

namespace
{

constexpr int frameSize = 2048;

void addCircle(std::vector<Seg2f> &segs, float cx, float cy, float r, float toothDepth, int corners, bool solid)
{
    std::vector<V2f> points;
    for (int i = 0; i < corners; ++i) {
        const float angle = float(i) * 6.2831853f / float(corners);
        const float radius = r + ((i % 2) ? toothDepth : 0.0f);
        points.emplace_back(cx + radius * std::cos(angle), cy + radius * std::sin(angle));
    }
    for (int i = 0; i < corners; ++i) {
        const V2f &p = points[size_t(i)], &q = points[size_t((i + 1) % corners)];
        if (solid)
            segs.emplace_back(q.x, q.y, p.x, p.y);
        else
            segs.emplace_back(p.x, p.y, q.x, q.y);
    }
}

void addRect(std::vector<Seg2f> &segs, float x0, float y0, float x1, float y1)
{
    segs.emplace_back(x0, y0, x0, y1);
    segs.emplace_back(x0, y1, x1, y1);
    segs.emplace_back(x1, y1, x1, y0);
    segs.emplace_back(x1, y0, x0, y0);
}

const Plane8 &layer()
{
    static Plane8 coverage = [] {
        std::vector<Seg2f> segs;
        addCircle(segs, 700, 1024, 600, 12, 240, true);
        for (int k = 0; k < 12; ++k)
            addCircle(segs, 700 + 380 * std::cos(k * 0.5236f), 1024 + 380 * std::sin(k * 0.5236f), 90, 0, 64, false);
        for (int y = 0; y < 12; ++y)
            for (int x = 0; x < 6; ++x)
                addCircle(segs, 1400 + 100 * x, 200 + 140 * y, 30, 0, 48, true);
        for (int k = 0; k < 40; ++k) // walls of 0.6 to 2.5 extrusion widths
            addRect(segs, 1400 + 15 * k, 1900, 1400 + 15 * k + 1.8f + 0.15f * k, 2000);
        Plane8 plane(frameSize, frameSize);
        EdgeMarkPlane scratch;
        Plane8::fromSegs3(plane, segs, FrameRect{0, 0, float(frameSize), float(frameSize)}, scratch, true, false);
        return plane;
    }();
    return coverage;
}

void BM_VerticalShells(benchmark::State &state)
{
    setWorkerThreadCount(int(state.range(2)));
    SlicerParams sp;
    sp.VShellCnt = int(state.range(0));
    sp.OuterHair = sp.InnerHair = state.range(1) != 0;
    VerticalShells stage(sp, 1.0f / 0.333f);
    LayerShellPaths paths;
    Plane1 inner;
    for (auto _ : state) {
        stage.build(layer(), paths, inner);
        benchmark::DoNotOptimize(paths.data());
    }
    setWorkerThreadCount(1);
}

} // namespace

BENCHMARK(BM_VerticalShells)
    ->ArgsProduct({{2, 4}, {0, 1}, {1, 2}})
    ->ArgNames({"loops", "hairs", "threads"})
    ->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
