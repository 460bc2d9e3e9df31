// The raster kernels on a 2048 x 2048 frame holding a realistic layer (a toothed outline of about 600 mm,
// round holes, thin walls), each beside a plain memory copy of the bytes it reads.
// Arguments: vector level (0 plain, 1 best this CPU has) and worker threads.
#include "geometry/workerthread.h"
#include "raster/contourtracer.h"
#include "raster/edgemarkplane.h"
#include "raster/plane1.h"
#include "raster/plane8.h"
#include "raster/simdlevel.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstring>
#include <random>
#include <vector>

namespace
{

constexpr int frameSize = 2048;
const FrameRect frame{0.0f, 0.0f, float(frameSize), float(frameSize)};

void addPolygon(std::vector<Seg2f> &segs, const std::vector<float> &xs, const std::vector<float> &ys, bool solid)
{
    const size_t n = xs.size();
    for (size_t i = 0; i < n; ++i) {
        const size_t j = (i + 1) % n;
        // Solids run clockwise (solid on the right with z up); the points below are anticlockwise.
        if (solid)
            segs.emplace_back(xs[j], ys[j], xs[i], ys[i]);
        else
            segs.emplace_back(xs[i], ys[i], xs[j], ys[j]);
    }
}

void addCircle(std::vector<Seg2f> &segs, float cx, float cy, float r, float toothDepth, int corners, bool solid)
{
    std::vector<float> xs, ys;
    for (int i = 0; i < corners; ++i) {
        const float angle = float(i) * 6.2831853f / float(corners);
        const float radius = r + ((i / 4) % 2 ? toothDepth : 0.0f);
        xs.push_back(cx + radius * std::cos(angle));
        ys.push_back(cy + radius * std::sin(angle));
    }
    addPolygon(segs, xs, ys, solid);
}

void addRect(std::vector<Seg2f> &segs, float x0, float y0, float x1, float y1)
{
    addPolygon(segs, {x0, x1, x1, x0}, {y0, y0, y1, y1}, true);
}

// Pixels are EW / 3 = 0.1332 mm: the outline is about 4500 pixels (600 mm) long.
std::vector<Seg2f> realisticLayer()
{
    std::vector<Seg2f> segs;
    addCircle(segs, 1024, 1024, 700, 25, 720, true);
    const float holes[][3] = {{1024, 1024, 150}, {700, 800, 90},   {1350, 800, 90},
                              {700, 1250, 60},   {1350, 1250, 60}, {1024, 1450, 100}};
    for (const auto &h : holes)
        addCircle(segs, h[0], h[1], h[2], 0, 180, false);
    for (int i = 0; i < 4; ++i) { // thin walls in the corners, one to two extrusion widths thick
        const float x = i % 2 ? 1800.0f : 60.0f, y = i / 2 ? 1400.0f : 60.0f;
        addRect(segs, x, y, x + 3.0f + float(i), y + 560.0f);
        addRect(segs, x + 40.0f, y, x + 180.0f, y + 4.0f + float(i));
    }
    return segs;
}

struct Frames {
    std::vector<Seg2f> segs = realisticLayer();
    Plane8 layer{frameSize, frameSize};
    Plane8 noise{frameSize, frameSize};
    Plane1 bitsA, bitsB;
    TileMap layerTiles, noiseTiles;

    Frames()
    {
        EdgeMarkPlane scratch;
        Plane8::fromSegs3(layer, segs, frame, scratch, true, false);
        std::mt19937 rng(1);
        for (int i = 0; i < noise.byteSize(); ++i)
            noise.data()[i] = quint8(rng());
        layer.tileMap(layerTiles);
        noise.tileMap(noiseTiles);
        Plane1::fromPlane8(bitsA, layer, 128, true);
        Plane1::fromPlane8(bitsB, noise, 128, false);
    }
};

const Frames &frames()
{
    static const Frames instance;
    return instance;
}

void configure(benchmark::State &state)
{
    setSimdLevel(state.range(0) ? bestSimdLevel() : SimdLevel::Plain);
    setWorkerThreadCount(int(state.range(1)));
    state.SetLabel(state.range(0) ? (bestSimdLevel() == SimdLevel::Avx2 ? "avx2" : "sse2") : "plain");
}

void BM_CopyPlane8(benchmark::State &state)
{
    const Plane8 &source = frames().layer;
    std::vector<quint8> target(size_t(source.byteSize()));
    for (auto _ : state) {
        std::memcpy(target.data(), source.data(), target.size());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * source.byteSize());
}

void BM_CopyPlane1(benchmark::State &state)
{
    const Plane1 &source = frames().bitsA;
    std::vector<quint8> target(size_t(source.byteSize()));
    for (auto _ : state) {
        std::memcpy(target.data(), source.data(), target.size());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * source.byteSize());
}

void BM_BitwiseOp(benchmark::State &state)
{
    configure(state);
    Plane1 a;
    frames().bitsA.copyTo(a);
    for (auto _ : state) {
        Plane1::bitwiseOp(3, &a, &frames().bitsB, nullptr, true);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * a.byteSize());
}

void BM_FromPlane8(benchmark::State &state)
{
    configure(state);
    Plane1 bits;
    for (auto _ : state) {
        Plane1::fromPlane8(bits, frames().layer, 128, true);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * frames().layer.byteSize());
}

void BM_Offset1(benchmark::State &state)
{
    configure(state);
    Plane1 out;
    for (auto _ : state) {
        frames().bitsA.offset1(out, 'O');
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * frames().bitsA.byteSize());
}

void BM_FromSegs3(benchmark::State &state)
{
    configure(state);
    Plane8 plane(frameSize, frameSize);
    EdgeMarkPlane scratch;
    for (auto _ : state)
        benchmark::DoNotOptimize(Plane8::fromSegs3(plane, frames().segs, frame, scratch, true, true));
    state.counters["segments"] = double(frames().segs.size());
}

void BM_FromSegs2(benchmark::State &state)
{
    configure(state);
    Plane8 plane(frameSize, frameSize);
    EdgeMarkPlane scratch;
    for (auto _ : state)
        benchmark::DoNotOptimize(Plane8::fromSegs2(plane, frames().segs, frame, scratch, true));
    state.counters["segments"] = double(frames().segs.size());
}

void blurBench(benchmark::State &state, const Plane8 &source, const TileMap &tiles)
{
    configure(state);
    const BlurLevels levels = ThresholdScaleFromWinsize(1.5, 1.0);
    Plane8 target;
    TileMap targetTiles;
    for (auto _ : state) {
        Plane8::blur2(levels, source, tiles, target, targetTiles);
        benchmark::ClobberMemory();
    }
    int mixed = 0;
    for (int i = 0; i < tiles.byteSize(); ++i)
        mixed += tiles.data()[i] == 128;
    state.counters["mixedTiles%"] = 100.0 * mixed / (tiles.width() * tiles.height());
}

void BM_Blur2LayerFrame(benchmark::State &state)
{
    blurBench(state, frames().layer, frames().layerTiles);
}

void BM_Blur2MixedFrame(benchmark::State &state)
{
    blurBench(state, frames().noise, frames().noiseTiles);
}

// A part of the layer with about 2,000 traced points (the outer outline alone), and the whole layer.
void contourBench(benchmark::State &state, const Plane8 &source, const TileMap &tiles)
{
    configure(state);
    Plane1 visited;
    size_t points = 0;
    for (auto _ : state) {
        QVector<PolyLine> lines;
        contourDetect3(lines, source, visited, tiles, SegType::Perimeter, 0.05f);
        points = 0;
        for (const PolyLine &line : lines)
            points += size_t(line.count());
        benchmark::DoNotOptimize(lines.data());
    }
    state.counters["points"] = double(points);
}

void BM_ContourDetect3Outline(benchmark::State &state)
{
    static const auto outline = [] {
        std::vector<Seg2f> segs;
        addCircle(segs, 1024, 1024, 700, 25, 720, true);
        auto result = std::make_pair(Plane8(frameSize, frameSize), TileMap());
        EdgeMarkPlane scratch;
        Plane8::fromSegs3(result.first, segs, frame, scratch, true, false);
        result.first.tileMap(result.second);
        return result;
    }();
    contourBench(state, outline.first, outline.second);
}

void BM_ContourDetect3Layer(benchmark::State &state)
{
    contourBench(state, frames().layer, frames().layerTiles);
}

void levelsAndThreads(benchmark::internal::Benchmark *bench)
{
    for (int level : {0, 1})
        for (int threads : {1, 2})
            bench->Args({level, threads});
    bench->Unit(benchmark::kMicrosecond);
}

} // namespace

BENCHMARK(BM_CopyPlane8)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_CopyPlane1)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_BitwiseOp)->Apply(levelsAndThreads);
BENCHMARK(BM_FromPlane8)->Apply(levelsAndThreads);
BENCHMARK(BM_Offset1)->Apply(levelsAndThreads);
BENCHMARK(BM_FromSegs3)->Apply(levelsAndThreads);
BENCHMARK(BM_FromSegs2)->Apply(levelsAndThreads);
BENCHMARK(BM_Blur2LayerFrame)->Apply(levelsAndThreads);
BENCHMARK(BM_Blur2MixedFrame)->Apply(levelsAndThreads);
BENCHMARK(BM_ContourDetect3Outline)->Apply(levelsAndThreads);
BENCHMARK(BM_ContourDetect3Layer)->Apply(levelsAndThreads);

BENCHMARK_MAIN();
