// Mesh slicing and contour repair on scenes of realistic and of hostile size.
#include "faces.h"
#include "layercutter.h"
#include "repairpolygons.h"

#include <benchmark/benchmark.h>

#include <cmath>
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

void BM_SliceFaces(benchmark::State &state)
{
    const Faces mesh = sphere(50.0f, int(state.range(0)), int(state.range(0)) * 2);
    for (auto _ : state) {
        LayerCutter cutter;
        cutter.setSceneTriangles(mesh);
        cutter.SliceFaces(0.0f, 1000.0f, 0.2f, 0.2f, 0.0f, 0.5f);
        benchmark::DoNotOptimize(cutter.layers().data());
    }
    state.counters["triangles"] = mesh.count();
    state.SetItemsProcessed(state.iterations() * mesh.count());
}
BENCHMARK(BM_SliceFaces)->Arg(100)->Arg(300)->Unit(benchmark::kMillisecond);

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
