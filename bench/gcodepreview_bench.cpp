// Loading G-code replaces the preview, so the whole model is rebuilt from the text on every load and
// while a slice streams in. Measured on 100 MB in the slicer's own dialect: the whole-file build,
// the same text fed in 64 KB pieces, the vertex buffer of a 20-layer range and the lean lists of the
// whole file with their bytes per printed move. Goals: the model and the lists each in about two
// seconds for 100 MB (Release).
#include "gcodegen.h"
#include "view/gcodepreview.h"
#include "view/gcodelists.h"
#include "view/gcodevertices.h"

#include <benchmark/benchmark.h>

namespace
{

constexpr std::int64_t kFileBytes = 100 * 1024 * 1024;

const QByteArray &ownDialect()
{
    static const QByteArray text = gcodegen::slicerDialect(kFileBytes, 1);
    return text;
}

void BM_PreviewWholeFile(benchmark::State &state)
{
    const QByteArray &text = ownDialect();
    GCodePreview preview;
    for (auto _ : state) {
        preview.build(text);
        benchmark::DoNotOptimize(preview.segments().data());
    }
    state.SetBytesProcessed(state.iterations() * text.size());
    state.counters["segments"] = double(preview.segments().size());
    state.counters["layers"] = preview.layerCount();
}
BENCHMARK(BM_PreviewWholeFile)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_PreviewInPieces(benchmark::State &state)
{
    const QByteArray &text = ownDialect();
    constexpr int kPiece = 64 * 1024;
    GCodePreview preview;
    for (auto _ : state) {
        preview.reset();
        for (int at = 0; at < text.size(); at += kPiece)
            preview.append(text.mid(at, kPiece));
        preview.finish();
        benchmark::DoNotOptimize(preview.segments().data());
    }
    state.SetBytesProcessed(state.iterations() * text.size());
}
BENCHMARK(BM_PreviewInPieces)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_VertexBufferOfTwentyLayers(benchmark::State &state)
{
    static GCodePreview preview;
    if (preview.segments().empty())
        preview.build(ownDialect());
    const int first = preview.layerCount() / 2;
    for (auto _ : state) {
        const GCodeVertexBuffer buffer = buildGCodeVertices(preview, first, first + 19);
        benchmark::DoNotOptimize(buffer.vertices.data());
    }
}
BENCHMARK(BM_VertexBufferOfTwentyLayers)->Unit(benchmark::kMillisecond);

const GCodePreview &wholePreview()
{
    static GCodePreview preview;
    if (preview.segments().empty())
        preview.build(ownDialect());
    return preview;
}

// Every layer of the file in the lean lists, in the "Type" colouring (the random walk of the generator
// turns sharply at every point, so its bytes per move are an upper bound for real files).
void BM_LeanListsOfWholeFile(benchmark::State &state)
{
    const GCodePreview &preview = wholePreview();
    GCodeLists lists;
    for (auto _ : state) {
        lists = buildGCodeLists(preview, 0, preview.layerCount() - 1, int(state.range(0)), HeatPalette());
        benchmark::DoNotOptimize(lists.beads.data());
    }
    state.counters["segments"] = lists.extrudingSegments;
    state.counters["bytesPerSegment"] = lists.beadBytesPerSegment();
    state.counters["beadMB"] = double(lists.beads.size() * sizeof(float)) / (1024 * 1024);
    state.counters["travelMB"] = double(lists.travels.size() * sizeof(float)) / (1024 * 1024);
    state.counters["calls"] = double(lists.beadRuns.size());
}
BENCHMARK(BM_LeanListsOfWholeFile)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace

BENCHMARK_MAIN();
