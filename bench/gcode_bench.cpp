// Whole G-code files are walked on every load, so the parser is measured on 100 MB in the slicer's
// own dialect and in another writer's, next to a plain memchr scan for line ends over the same bytes
// (the floor any line-based reader pays). Goals: 300 MB/s or more, and within 6x of the scan; the
// compact-format converter 200 MB/s of text written.
#include "common/gcode/gcodeparser.h"
#include "common/gcode/gcodesimxcode.h"
#include "gcodegen.h"

#include <QtGlobal>
#include <benchmark/benchmark.h>

#include <cstring>

namespace
{

constexpr std::int64_t kFileBytes = 100 * 1024 * 1024;

const QByteArray &ownDialect()
{
    static const QByteArray text = gcodegen::slicerDialect(kFileBytes, 1);
    return text;
}

const QByteArray &foreignDialect()
{
    static const QByteArray text = gcodegen::foreignDialect(kFileBytes, 2);
    return text;
}

// About 100 MB of text once converted.
const QByteArray &compactFile()
{
    static const QByteArray data = gcodegen::compactFile(4200000, 3);
    return data;
}

void parseWhole(benchmark::State &state, const QByteArray &text)
{
    GCodeParser parser;
    for (auto _ : state) {
        parser.parseWholeText(text);
        benchmark::DoNotOptimize(parser.timeSec);
    }
    if (!parser.error().isEmpty())
        state.SkipWithError(parser.error().toUtf8().constData());
    state.SetBytesProcessed(state.iterations() * text.size());
    state.counters["lines"] = parser.lineNo;
}

void scanLineEnds(benchmark::State &state, const QByteArray &text)
{
    for (auto _ : state) {
        const char *p = text.constData(), *end = p + text.size();
        long lines = 0;
        while ((p = static_cast<const char *>(std::memchr(p, '\n', size_t(end - p)))) != nullptr) {
            ++lines;
            ++p;
        }
        benchmark::DoNotOptimize(lines);
    }
    state.SetBytesProcessed(state.iterations() * text.size());
}

void BM_ParseOwnDialect(benchmark::State &state)
{
    parseWhole(state, ownDialect());
}

void BM_MemchrOwnDialect(benchmark::State &state)
{
    scanLineEnds(state, ownDialect());
}

void BM_ParseForeignDialect(benchmark::State &state)
{
    parseWhole(state, foreignDialect());
}

void BM_MemchrForeignDialect(benchmark::State &state)
{
    scanLineEnds(state, foreignDialect());
}

// The host's way: the same text streamed in 4 KiB pieces, one line at a time.
void BM_FeedOwnDialect(benchmark::State &state)
{
    const QByteArray &text = ownDialect();
    const int piece = 4096;
    const int bytes = 16 * 1024 * 1024;
    for (auto _ : state) {
        GCodeParser parser;
        parser.reset();
        for (int start = 0; start < bytes; start += piece)
            parser.feedLines(QByteArray::fromRawData(text.constData() + start, piece));
        benchmark::DoNotOptimize(parser.timeSec);
    }
    state.SetBytesProcessed(state.iterations() * bytes);
}

void BM_ProcessXCode(benchmark::State &state)
{
    const QByteArray &data = compactFile();
    qint64 written = 0;
    for (auto _ : state) {
        const QByteArray text = processXCode(data);
        written += text.size();
        benchmark::DoNotOptimize(text.constData());
    }
    state.SetBytesProcessed(written);
    state.counters["inputMB"] = double(data.size()) / 1e6;
}

} // namespace

BENCHMARK(BM_ParseOwnDialect)->Unit(benchmark::kMillisecond)->MinTime(2);
BENCHMARK(BM_MemchrOwnDialect)->Unit(benchmark::kMillisecond)->MinTime(2);
BENCHMARK(BM_ParseForeignDialect)->Unit(benchmark::kMillisecond)->MinTime(2);
BENCHMARK(BM_MemchrForeignDialect)->Unit(benchmark::kMillisecond)->MinTime(2);
BENCHMARK(BM_FeedOwnDialect)->Unit(benchmark::kMillisecond)->MinTime(2);
BENCHMARK(BM_ProcessXCode)->Unit(benchmark::kMillisecond)->MinTime(2);

int main(int argc, char **argv)
{
    // The converter logs unknown path types of the generated file; that is not what is measured.
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &) {});
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
