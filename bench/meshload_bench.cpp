// Binary STL loading on closed spheres of 100 k, 1 M and 4 M triangles written once per run into a temporary
// folder: the plain read of the file into memory, then on 1 and 2 threads the steps of an import (decoding
// the records, the content hash, the rays of the orientation vote, the bounds and shift of placing it)
// and the whole import with its orientation vote.

#include "common/files.h"
#include "geometry/faces.h"
#include "geometry/raybatch.h"
#include "geometry/stlreader.h"
#include "geometry/stlwriter.h"
#include "geometry/workerthread.h"
#include "shapes.h"

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

const Faces &loadedMesh(int triangles)
{
    static std::map<int, Faces> meshes;
    Faces &faces = meshes[triangles];
    if (faces.isEmpty())
        readStl(faces, readFile(stlFile(triangles), true));
    return faces;
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

// The file is in memory already: decoding, normals and the fresh triangle array.
void decode(benchmark::State &state)
{
    const QByteArray data = readFile(stlFile(int(state.range(0))), true);
    setWorkerThreadCount(int(state.range(1)));
    for (auto _ : state) {
        Faces faces;
        readStl(faces, data);
        benchmark::DoNotOptimize(faces.constData());
        state.counters["reserved_exactly"] = faces.faces().capacity() == faces.count();
    }
    state.SetBytesProcessed(state.iterations() * data.size());
}

void hash(benchmark::State &state)
{
    const Faces &faces = loadedMesh(int(state.range(0)));
    setWorkerThreadCount(int(state.range(1)));
    for (auto _ : state)
        benchmark::DoNotOptimize(faces.hash());
    state.SetBytesProcessed(state.iterations() * faces.count() * 36);
}

// The first pass of the orientation vote: 150 rays from triangles along their normals.
void orientationRays(benchmark::State &state)
{
    const Faces &faces = loadedMesh(int(state.range(0)));
    setWorkerThreadCount(int(state.range(1)));
    std::vector<MeshRay> rays;
    const int step = faces.count() / 150;
    for (int k = 0; k < 150; ++k) {
        const Face &face = faces[k * step];
        rays.push_back({face.centroid(), face.n, k * step});
    }
    for (auto _ : state)
        benchmark::DoNotOptimize(countRayHitsOnMesh(faces.constData(), faces.count(), rays));
}

// What placing a new mesh on the plate does to it: its box, and a shift to the new place.
void boundsAndShift(benchmark::State &state)
{
    Faces faces = loadedMesh(int(state.range(0)));
    faces.translate(V3f(1, 1, 1)); // a copy of its own, so that the timed shifts do not copy it
    setWorkerThreadCount(int(state.range(1)));
    float sign = 1;
    for (auto _ : state) {
        benchmark::DoNotOptimize(faces.boundingBox());
        faces.translate(V3f(sign, 0, 0));
        sign = -sign;
    }
}

void importWithOrientation(benchmark::State &state)
{
    const QString path = stlFile(int(state.range(0)));
    setWorkerThreadCount(int(state.range(1)));
    for (auto _ : state) {
        Faces faces;
        faces.importFile(path);
        benchmark::DoNotOptimize(faces.hash());
    }
}

void sizesAndThreads(benchmark::internal::Benchmark *b)
{
    b->ArgNames({"triangles", "threads"});
    for (const int triangles : {100000, 1000000, 4000000})
        for (const int threads : {1, 2})
            b->Args({triangles, threads});
    b->Unit(benchmark::kMillisecond);
}

} // namespace

BENCHMARK(readOnly)->Arg(100000)->Arg(1000000)->Arg(4000000)->Unit(benchmark::kMillisecond);
BENCHMARK(decode)->Apply(sizesAndThreads);
BENCHMARK(hash)->Apply(sizesAndThreads);
BENCHMARK(orientationRays)->Apply(sizesAndThreads);
BENCHMARK(boundsAndShift)->Apply(sizesAndThreads);
BENCHMARK(importWithOrientation)->Apply(sizesAndThreads);

BENCHMARK_MAIN();
