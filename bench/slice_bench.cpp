// The whole slice, mesh to G-code, on the sample projects and on generated models, with 1 and 2 threads.
#include "engine/slicer.h"
#include "scene/project.h"
#include "scene/slicesnapshot.h"

#include <QFile>
#include <QLoggingCategory>

#include <benchmark/benchmark.h>

#include <cmath>

namespace
{

// A closed surface of revolution around the y axis, radius(t) for t from 0 (bottom) to 1 (top), capped at
// both ends when the radius there is above 0; `rings` x `sectors` quads.
template <class Radius>
Faces revolve(float x, float z, float height, int rings, int sectors, Radius radius, bool hollow = false,
              float wall = 0.0f)
{
    Faces faces;
    const auto point = [&](float r, int ring, int sector) {
        const double phi = 2 * M_PI * sector / sectors;
        return V3f(x + float(r * std::cos(phi)), height * ring / rings, z + float(r * std::sin(phi)));
    };
    const auto skin = [&](float offset, bool inward) {
        for (int i = 0; i < rings; ++i)
            for (int j = 0; j < sectors; ++j) {
                const float r0 = radius(float(i) / rings) + offset, r1 = radius(float(i + 1) / rings) + offset;
                const V3f a = point(r0, i, j), b = point(r0, i, j + 1), c = point(r1, i + 1, j + 1),
                          d = point(r1, i + 1, j);
                if (inward) {
                    faces.append(Face(a, c, b));
                    faces.append(Face(a, d, c));
                } else {
                    faces.append(Face(a, b, c));
                    faces.append(Face(a, c, d));
                }
            }
    };
    skin(0.0f, true);
    if (hollow)
        skin(-wall, false);
    const auto cap = [&](int ring, bool top) {
        const float r = radius(float(ring) / rings);
        const V3f centre(x, height * ring / rings, z);
        for (int j = 0; j < sectors; ++j) {
            const V3f a = point(r, ring, j), b = point(r, ring, j + 1);
            if (hollow && top)
                continue;
            faces.append(top ? Face(centre, b, a) : Face(centre, a, b));
        }
    };
    if (radius(0.0f) > 0)
        cap(0, false);
    if (radius(1.0f) > 0)
        cap(rings, true);
    return faces;
}

SliceScene generatedScene(int model)
{
    SliceScene scene;
    const auto add = [&](Faces faces) { scene.objects.push_back(SceneItem{std::move(faces), M44f::identity()}); };
    switch (model) {
    case 0: // sphere, 40 mm
        add(revolve(0, 0, 40, 200, 400, [](float t) { return float(20 * std::sin(M_PI * t)); }));
        break;
    case 1: // a field of 25 cylinders, 6 mm across and 20 mm tall
        for (int k = 0; k < 25; ++k)
            add(revolve(-40 + 20 * (k % 5), -40 + 20 * (k / 5), 20, 1, 64, [](float) { return 3.0f; }));
        break;
    default: // a thin-walled vase, 60 mm tall, walls 0.8 mm
        add(revolve(
            0, 0, 60, 120, 256, [](float t) { return float(15 + 8 * std::sin(3 * t)); }, true, 0.8f));
        break;
    }
    return scene;
}

SliceScene projectScene(const char *name)
{
    QFile file(QString(TESSALINE_SOURCE_DIR) + "/Tessaline/res/" + name);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    Project project;
    project.loadFromStr(file.readAll(), false);
    return sliceSnapshot(project);
}

void sliceScene(benchmark::State &state, const SliceScene &scene)
{
    QLoggingCategory::setFilterRules("default.debug=false");
    SlicerParams sp;
    sp.LayerHeight = 0.2f;
    sp.VShellCnt = 2;
    const MachineRecord machine;
    setSlicerThreads(int(state.range(0)));
    qint64 bytes = 0;
    int layers = 0;
    for (auto _ : state) {
        Slicer slicer(scene, &sp, &machine, {});
        bytes = slicer.slice().size();
        layers = slicer.layerCount();
    }
    state.counters["layers"] = layers;
    state.counters["gcodeKB"] = double(bytes) / 1024;
    state.counters["threads"] = double(state.range(0));
}

void BM_SliceGenerated(benchmark::State &state)
{
    sliceScene(state, generatedScene(int(state.range(1))));
}
// Second argument: 0 sphere, 1 cylinder field, 2 thin-walled vase.
BENCHMARK(BM_SliceGenerated)->ArgsProduct({{1, 2}, {0, 1, 2}})->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_SliceWelcome(benchmark::State &state)
{
    sliceScene(state, projectScene("welcome.tsprj"));
}
BENCHMARK(BM_SliceWelcome)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_SliceTestObj(benchmark::State &state)
{
    sliceScene(state, projectScene("testobj.tsprj"));
}
BENCHMARK(BM_SliceTestObj)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

BENCHMARK_MAIN();
