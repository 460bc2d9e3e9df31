// Speed of the last slicing steps on a large generated layer set: writing G-code (reported in MB/s of
// text) and ordering a layer's paths with travel routing (paths per second).
#include "engine/layerordering.h"
#include "engine/layerwriter.h"
#include "engine/slicerparams.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <random>

namespace
{

constexpr int planeSize = 1024; // pixels: 136 mm at the default 0.133 mm pixel
constexpr float pixelSize = 0.4f * 0.333f;

RasterFrame benchFrame()
{
    RasterFrame frame;
    frame.width = planeSize;
    frame.height = planeSize;
    frame.pixelSizeX = pixelSize;
    frame.pixelSizeZ = pixelSize;
    return frame;
}

// One layer of a part with holes: perimeters and loops around a grid of round holes, infill lines between
// them, written as the ordering leaves them (explicitly closed loops).
QVector<PolyLine> layerPaths(int layer, bool ordered)
{
    std::mt19937 random(unsigned(layer) + 1);
    std::uniform_real_distribution<float> jitter(-0.3f, 0.3f);
    QVector<PolyLine> paths;
    for (int hx = 0; hx < 6; ++hx)
        for (int hy = 0; hy < 6; ++hy) {
            const V2f centre(100.0f + hx * 150.0f, 100.0f + hy * 150.0f);
            for (int loop = 0; loop < 3; ++loop) {
                PolyLine ring(loop == 0 ? SegType::Perimeter : SegType::Loop);
                const float radius = 30.0f + 3.0f * loop;
                for (int k = 0; k < 120; ++k) {
                    const float a = float(k) * 6.2831853f / 120.0f;
                    ring.points.append(centre + V2f(std::cos(a), std::sin(a)) * (radius + jitter(random)));
                }
                if (ordered)
                    ring.points.append(ring.points.first());
                ring.closed = true;
                paths.append(ring);
            }
        }
    for (int line = 0; line < 300; ++line) {
        const float y = 30.0f + 3.0f * float(line);
        const V2f a(30.0f, y), b(990.0f, y);
        paths.append(line % 2 ? PolyLine(SegType::Infill) : PolyLine(SegType::HShell));
        paths.last().points = {a, a + (b - a) * 0.5f + V2f(0, jitter(random)), b};
    }
    return paths;
}

void BM_WriteLayers(benchmark::State &state)
{
    SlicerParams sp;
    const RasterFrame frame = benchFrame();
    const MachineRecord machine;
    const int layers = int(state.range(0));
    QVector<QVector<PolyLine>> set;
    for (int i = 0; i < layers; ++i)
        set.append(layerPaths(i, true));
    qint64 bytes = 0;
    for (auto _ : state) {
        for (int i = 0; i < layers; ++i) {
            const QByteArray text = writeLayerGCode({sp, i, frame, machine, 0.333f, 0.0f}, set[i]);
            bytes += text.size();
            benchmark::DoNotOptimize(text.constData());
        }
    }
    state.SetBytesProcessed(bytes);
}
BENCHMARK(BM_WriteLayers)->Arg(50)->Unit(benchmark::kMillisecond);

void BM_OrderLayer(benchmark::State &state)
{
    SlicerParams sp;
    const RasterFrame frame = benchFrame();
    // The part: solid with the holes of the paths above cut out, so that travel has to go around them.
    Plane1 area(planeSize, planeSize);
    area.fill(true);
    for (int y = 20; y < 1000; ++y)
        for (int x = 20; x < 1000; ++x) {
            const float dx = std::fmod(float(x) - 25.0f, 150.0f) - 75.0f;
            const float dy = std::fmod(float(y) - 25.0f, 150.0f) - 75.0f;
            const bool hole = x < 925 && y < 925 && dx * dx + dy * dy < 27.0f * 27.0f;
            area.setPixel(x, y, hole);
        }
    const QVector<PolyLine> paths = layerPaths(0, false);
    qint64 count = 0;
    for (auto _ : state) {
        LayerOrdering layer(sp, frame, area, area, area, 1.0f / 0.333f);
        layer.orderIsland(paths, V2f(0, 0));
        benchmark::DoNotOptimize(layer.paths().size());
        count += paths.size();
    }
    state.SetItemsProcessed(count);
}
BENCHMARK(BM_OrderLayer)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
