// Horizontal-shell regions and line fills on a 1024 x 1024 frame holding a disc with holes, the inner area of
// a typical part. BM_ShellRegions reports the plane operations per layer (counter "ops/layer") for shell
// windows N = 3, 5 and 10; BM_FillRegion times one layer's fill of each pattern at 10 % and 100 %.
#include "common/perfdata.h"
#include "engine/horizontalshells.h"
#include "engine/linefills.h"
#include "engine/slicecontext.h"

#include <QRegularExpression>

#include <benchmark/benchmark.h>

namespace
{

constexpr int frameSize = 1024;

Plane1 partArea(int shift)
{
    Plane1 area(frameSize, frameSize);
    area.fill(false);
    const int centre = frameSize / 2;
    for (int y = 0; y < frameSize; ++y)
        for (int x = 0; x < frameSize; ++x) {
            const int dx = x - centre, dy = y - centre;
            const bool disc = dx * dx + dy * dy < 480 * 480;
            const int hx = (x + shift) % 200 - 100, hy = y % 200 - 100;
            area.setPixel(x, y, disc && hx * hx + hy * hy > 40 * 40);
        }
    return area;
}

int bitwiseCount()
{
    const QRegularExpressionMatch match = QRegularExpression(R"(\s(\d+) Bitwise\r?\n)").match(perfReport());
    return match.hasMatch() ? match.captured(1).toInt() : 0;
}

void BM_ShellRegions(benchmark::State &state)
{
    const int N = int(state.range(0));
    const int layerCount = 60;
    const Plane1 areas[2] = {partArea(0), partArea(7)};
    SlicerParams sp;
    sp.HShellCnt = N;
    const MachineRecord machine;
    double operations = 0;
    for (auto _ : state) {
        SliceContext context(sp, machine, 2);
        context.layerCount = layerCount;
        context.frame.width = frameSize;
        context.frame.height = frameSize;
        perfClear();
        for (int i = -2 * N; i < layerCount; ++i) {
            Plane1 &inner = context.D.slot(i + N);
            if (context.isLayer(i + N)) {
                areas[((i + N) / 10) % 2].copyTo(inner);
            } else {
                inner.resize(frameSize, frameSize);
                inner.fill(false);
            }
            horizontalShellRegions(context, i);
        }
        operations = double(bitwiseCount()) / layerCount;
    }
    state.counters["ops/layer"] = operations;
    state.SetItemsProcessed(state.iterations() * layerCount);
}
BENCHMARK(BM_ShellRegions)->Arg(3)->Arg(5)->Arg(10)->Unit(benchmark::kMillisecond);

void BM_FillRegion(benchmark::State &state)
{
    const Plane1 area = partArea(0);
    FillRequest request;
    request.pattern.pattern = int(state.range(0));
    request.pattern.spacing = 3.003f / (float(state.range(1)) / 100.0f);
    request.pattern.angleDegrees = 45;
    request.pattern.strandSpacing = 3.003f;
    request.minimumRunLength = 3.003f;
    request.joinLimit = 6.006f;
    int paths = 0;
    for (auto _ : state) {
        const QVector<PolyLine> result = fillRegion(area, request);
        paths = result.size();
        benchmark::DoNotOptimize(result.data());
    }
    state.counters["paths"] = paths;
}
BENCHMARK(BM_FillRegion)->Args({1, 100})->Args({1, 10})->Args({2, 10})->Args({3, 10})->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
