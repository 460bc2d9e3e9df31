// Loading G-code replaces the preview, so the whole model is rebuilt from the text on every load and
// while a slice streams in. Measured on 100 MB in the slicer's own dialect: the whole-file build,
// the same text fed in 64 KB pieces, the vertex buffer of a 20-layer range and the lean lists of the
// whole file with their bytes per printed move. Goals: the model and the lists each in about two
// seconds for 100 MB (Release).
#include "gcodegen.h"
#include "view/gcodelists.h"
#include "view/gcodepreview.h"
#include "view/gcodevertices.h"

#include <benchmark/benchmark.h>

#include <QFile>

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

void measureLeanLists(benchmark::State &state, const GCodePreview &preview)
{
    constexpr int kLayersPerList = 32;
    double beadBytes = 0, travelBytes = 0, calls = 0, segments = 0;
    for (auto _ : state) {
        beadBytes = travelBytes = calls = segments = 0;
        for (int first = 0; first < preview.layerCount(); first += kLayersPerList) {
            const GCodeLists lists =
                buildGCodeLists(preview, first, first + kLayersPerList - 1, int(state.range(0)), HeatPalette());
            benchmark::DoNotOptimize(lists.beads.data());
            beadBytes += double(lists.beads.size() * sizeof(float));
            travelBytes += double(lists.travels.size() * sizeof(float));
            calls += double(lists.beadRuns.size());
            segments += lists.extrudingSegments;
        }
    }
    state.counters["segments"] = segments;
    state.counters["bytesPerSegment"] = beadBytes / segments;
    state.counters["beadMB"] = beadBytes / (1024 * 1024);
    state.counters["travelMB"] = travelBytes / (1024 * 1024);
    state.counters["calls"] = calls;
}

// Every layer of the file in the lean lists, built as the view builds them: 32 layers a list (the
// random walk of the generator turns sharply and changes bead width at every point, so its bytes per
// move are an upper bound for real files). Argument: the colouring.
void BM_LeanListsOfWholeFile(benchmark::State &state)
{
    measureLeanLists(state, wholePreview());
}
BENCHMARK(BM_LeanListsOfWholeFile)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->Iterations(3);

// The lean lists of a real file named by TESSALINE_BENCH_GCODE (a slice of a project, another
// slicer's output), in every colouring. Argument: the colouring.
const GCodePreview &filePreview()
{
    static GCodePreview preview;
    static bool loaded = false;
    if (!loaded) {
        loaded = true;
        QFile file(QString::fromLocal8Bit(qgetenv("TESSALINE_BENCH_GCODE")));
        if (file.open(QIODevice::ReadOnly))
            preview.build(file.readAll());
    }
    return preview;
}

void BM_LeanListsOfNamedFile(benchmark::State &state)
{
    const GCodePreview &preview = filePreview();
    if (preview.layerCount() == 0) {
        state.SkipWithError("set TESSALINE_BENCH_GCODE to a G-code file");
        return;
    }
    measureLeanLists(state, preview);
}
BENCHMARK(BM_LeanListsOfNamedFile)->DenseRange(1, 5)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace

BENCHMARK_MAIN();
