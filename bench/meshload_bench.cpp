// Binary STL loading: the plain read of the file into memory, the load (decode, normals) with the
// content hash, and the whole import with its orientation vote, on closed spheres of 100 k, 1 M and
// 4 M triangles written once per run into a temporary folder.

#include "faces.h"
#include "files.h"
#include "shapes.h"
#include "stlreader.h"
#include "stlwriter.h"

#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <map>

namespace
{

QTemporaryDir &scratch()
{
    static QTemporaryDir dir;
    return dir;
}

// A sphere of 2 · segments · (rings − 1) triangles, rings = segments / 2 + 1.
QString stlFile(int triangles)
{
    static std::map<int, QString> files;
    auto it = files.find(triangles);
    if (it != files.end())
        return it->second;
    int segments = 2;
    while (2 * segments * (segments / 2) < triangles)
        segments += 2;
    const QString path = scratch().filePath(QString("sphere_%1.stl").arg(triangles));
    makeSphere(50, segments, segments / 2 + 1).exportFata(path, true);
    return files[triangles] = path;
}

void readOnly(benchmark::State &state)
{
    const QString path = stlFile(int(state.range(0)));
    qint64 bytes = 0;
    for (auto _ : state) {
        const QByteArray data = readFile(path, true);
        bytes = data.size();
        benchmark::DoNotOptimize(data.constData());
    }
    state.SetBytesProcessed(state.iterations() * bytes);
}

void loadAndHash(benchmark::State &state)
{
    const QString path = stlFile(int(state.range(0)));
    for (auto _ : state) {
        Faces faces;
        readStl(faces, readFile(path, true));
        benchmark::DoNotOptimize(faces.hash());
        state.counters["reserved_exactly"] = faces.faces().capacity() == faces.count();
    }
}

void importWithOrientation(benchmark::State &state)
{
    const QString path = stlFile(int(state.range(0)));
    for (auto _ : state) {
        Faces faces;
        faces.importFile(path);
        benchmark::DoNotOptimize(faces.hash());
    }
}

} // namespace

BENCHMARK(readOnly)->Arg(100000)->Arg(1000000)->Arg(4000000)->Unit(benchmark::kMillisecond);
BENCHMARK(loadAndHash)->Arg(100000)->Arg(1000000)->Arg(4000000)->Unit(benchmark::kMillisecond);
BENCHMARK(importWithOrientation)->Arg(100000)->Arg(1000000)->Arg(4000000)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
