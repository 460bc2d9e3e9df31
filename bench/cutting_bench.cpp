// Mesh slicing and contour repair on scenes of realistic and of hostile size.
#include "geometry/faces.h"
#include "geometry/scenetriangles.h"
#include "geometry/workerthread.h"
#include "raster/layercutter.h"
#include "raster/repairpolygons.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <malloc.h>
#include <random>

namespace
{

// A latitude-longitude sphere of radius r resting on the plate: 2 * rings * sectors triangles.
Faces sphere(float r, int rings, int sectors)
{
    auto point = [&](int ring, int sector) {
        const double theta = M_PI * ring / rings, phi = 2 * M_PI * sector / sectors;
        return V3f(float(r * std::sin(theta) * std::cos(phi)), float(r + r * std::cos(theta)),
                   float(r * std::sin(theta) * std::sin(phi)));
    };
    Faces faces;
    for (int i = 0; i < rings; ++i)
        for (int j = 0; j < sectors; ++j) {
            const V3f a = point(i, j), b = point(i + 1, j), c = point(i + 1, j + 1), d = point(i, j + 1);
            faces.append(Face(a, b, c));
            faces.append(Face(a, c, d));
        }
    return faces;
}

// Arguments: rings of the sphere (2 * rings * rings * 2 triangles) and threads. The sphere is one object
// placed by a transform, as the slicer hands it over, so the triangles are read in world coordinates.
void sliceSphere(benchmark::State &state, bool oneSweep)
{
    const int rings = int(state.range(0));
    const std::vector<SceneItem> scene{{sphere(50.0f, rings, rings * 2), M44f::translation({100, 0, 100})}};
    setWorkerThreadCount(int(state.range(1)));
    for (auto _ : state) {
        {
            LayerCutter cutter;
            cutter.setSceneItems(scene);
            cutter.setCutInOneSweep(oneSweep);
            cutter.SliceFaces(0.0f, 1000.0f, 0.2f, 0.2f, 0.0f, 0.5f);
            benchmark::DoNotOptimize(cutter.layers().data());
            state.PauseTiming();
        }
        // A slice gets fresh memory for its lists, whose first touch costs as much as the cutting: hand the
        // freed lists back to the system so that the next round pays it too instead of reusing them.
        malloc_trim(0);
        state.ResumeTiming();
    }
    setWorkerThreadCount(1);
    state.counters["triangles"] = scene[0].faces.count();
    state.counters["threads"] = double(state.range(1));
    state.SetItemsProcessed(state.iterations() * scene[0].faces.count());
}

void BM_SliceFaces(benchmark::State &state)
{
    sliceSphere(state, false);
}
BENCHMARK(BM_SliceFaces)->ArgsProduct({{100, 300, 1000}, {1, 2}})->Unit(benchmark::kMillisecond)->UseRealTime();

// The plain cut, one triangle after the other into growing lists, for comparison.
void BM_SliceFacesOneSweep(benchmark::State &state)
{
    sliceSphere(state, true);
}
BENCHMARK(BM_SliceFacesOneSweep)->ArgsProduct({{100, 300, 1000}, {1}})->Unit(benchmark::kMillisecond)->UseRealTime();

// One layer of a broken mesh: closed contours with every tenth segment missing.
void BM_RepairBrokenLayer(benchmark::State &state)
{
    const Faces mesh = sphere(50.0f, 400, 4000);
    LayerCutter cutter;
    cutter.setSceneTriangles(mesh);
    cutter.SliceFaces(0.0f, 1000.0f, 0.2f, 0.2f, 0.0f, 0.5f);
    std::vector<Seg2f> broken;
    const std::vector<Seg2f> &full = cutter.layers()[250].meshSegs;
    for (size_t i = 0; i < full.size(); ++i)
        if (i % 10 != 0)
            broken.push_back(full[i]);
    for (auto _ : state) {
        std::vector<Seg2f> segs = broken;
        repairPolygons(segs, 0.03f);
        benchmark::DoNotOptimize(segs.data());
    }
    state.counters["segments"] = double(broken.size());
}
BENCHMARK(BM_RepairBrokenLayer)->Unit(benchmark::kMillisecond);

// Open contours everywhere: n unrelated segments, every end needs a bridge.
void BM_RepairScatteredSegments(benchmark::State &state)
{
    std::mt19937 rng(1);
    std::uniform_real_distribution<float> coord(-150.0f, 150.0f);
    std::vector<Seg2f> scattered;
    for (int i = 0; i < state.range(0); ++i)
        scattered.emplace_back(coord(rng), coord(rng), coord(rng), coord(rng));
    for (auto _ : state) {
        std::vector<Seg2f> segs = scattered;
        repairPolygons(segs, 0.03f);
        benchmark::DoNotOptimize(segs.data());
    }
}
BENCHMARK(BM_RepairScatteredSegments)->Arg(10000)->Arg(1000000)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
