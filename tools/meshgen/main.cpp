// Builds the sample projects compiled into the slicer and the mesh fixtures of the tests, from the
// project's own geometry code and saved through its own writers.
//   meshgen <source tree root>
// writes Tessaline/res/{welcome,testobj,tetris}.tsprj, tests/fixtures/meshes/*.stl and
// tests/fixtures/projects/*.tsprj. The output is deterministic: rerunning it changes no byte.
//   meshgen --bench-models DIR [--no-big]
// writes the models of the slicer comparison (bench/compare_slicers.sh) into DIR as binary STL.

#include "benchmodels.h"
#include "geometry/stlwriter.h"
#include "scene/project.h"
#include "shapes.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QSaveFile>
#include <cstdio>

namespace
{

void writeFile(const QString &path, const QByteArray &data)
{
    QDir().mkpath(QFileInfo(path).path());
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(data) != data.size() || !file.commit())
        throw QString("meshgen: cannot write " + path);
    std::printf("%s: %d bytes\n", qPrintable(path), int(data.size()));
}

// Arranged on the plate with nothing selected, as a user would find a fresh scene.
void saveArranged(Project &project, const QString &path)
{
    project.realignAll();
    project.selectAll(false);
    writeFile(path, project.saveToStr(false));
}

Faces box(float x, float y, float z)
{
    Faces faces;
    faces.makeBox({{-x / 2, 0, -z / 2}, {x / 2, y, z / 2}});
    return faces;
}

void buildWelcome(const QString &path)
{
    Project project;
    project.addMesh(box(20, 20, 20), "Cube");
    project.addMesh(makeCylinder(10, 25, 48), "Cylinder");
    project.addMesh(makeSphere(12, 24, 12), "Sphere");
    project.addMesh(makeCone(12, 0, 24, 36), "Cone");
    project.addMesh(makeTorus(14, 4, 36, 12), "Ring");
    saveArranged(project, path);
}

void buildTestObjects(const QString &path)
{
    Project project;
    project.addMesh(box(20, 20, 20), "Calibration cube");
    project.addMesh(box(1.2f, 20, 30), "Thin wall");
    // Steps that overhang more and more: each layer of cells reaches one cell further out.
    project.addMesh(makeCells({{0, 0, 0}, {0, 1, 0}, {1, 1, 0}, {0, 2, 0}, {1, 2, 0}, {2, 2, 0}}, 8), "Overhang");
    // Two pillars joined by a span: a bridge with nothing below it.
    project.addMesh(
        makeCells({{0, 0, 0}, {0, 1, 0}, {4, 0, 0}, {4, 1, 0}, {0, 2, 0}, {1, 2, 0}, {2, 2, 0}, {3, 2, 0}, {4, 2, 0}},
                  6),
        "Bridge");
    project.addMesh(makeCone(10, 4, 30, 48), "Taper");
    saveArranged(project, path);
}

void buildTetris(const QString &path)
{
    const struct {
        const char *name;
        QVector<Cell> cells;
    } pieces[] = {
        {"I", {{0, 0, 0}, {1, 0, 0}, {2, 0, 0}, {3, 0, 0}}}, {"O", {{0, 0, 0}, {1, 0, 0}, {0, 0, 1}, {1, 0, 1}}},
        {"T", {{0, 0, 0}, {1, 0, 0}, {2, 0, 0}, {1, 0, 1}}}, {"S", {{0, 0, 0}, {1, 0, 0}, {1, 0, 1}, {2, 0, 1}}},
        {"Z", {{1, 0, 0}, {2, 0, 0}, {0, 0, 1}, {1, 0, 1}}}, {"J", {{0, 0, 0}, {0, 0, 1}, {1, 0, 1}, {2, 0, 1}}},
        {"L", {{2, 0, 0}, {0, 0, 1}, {1, 0, 1}, {2, 0, 1}}},
    };
    Project project;
    for (const auto &piece : pieces) {
        Faces faces = makeCells(piece.cells, 10);
        faces.alignTo({0, -1, 0});
        project.addMesh(faces, piece.name);
    }
    saveArranged(project, path);
}

// Small seeds for the loaders' fuzz targets and fixtures for the tests.
void buildFixtures(const QString &root)
{
    writeFile(root + "/tests/fixtures/meshes/cube_binary.stl", writeStlBinary(box(10, 10, 10)));
    writeFile(root + "/tests/fixtures/meshes/cone_binary.stl", writeStlBinary(makeCone(5, 0, 8, 8)));
    Project project;
    const Faces cube = box(4, 4, 4);
    project.addMesh(cube, "first");
    project.addMesh(makeCone(3, 0, 5, 6), "cone")->flag2 = true;
    project.addMesh(cube, "same mesh again");
    project.supportBars.append({{0, 4.1f, 0}, {0, 0, 0}, 0.8f});
    saveArranged(project, root + "/tests/fixtures/projects/three_objects.tsprj");
    project.selectAll(true);
    writeFile(root + "/tests/fixtures/projects/three_objects_snapshot.tsprj", project.saveToStr(true));
}

// One model at a time: the big one alone holds a few hundred megabytes while it is written.
void buildBenchModels(const QString &dir, bool withBig)
{
    for (const QString &name : benchModelNames(withBig))
        writeFile(dir + "/" + name, writeStlBinary(makeBenchModel(name), name));
}

void buildSources(const QString &root)
{
    buildWelcome(root + "/Tessaline/res/welcome.tsprj");
    buildTestObjects(root + "/Tessaline/res/testobj.tsprj");
    buildTetris(root + "/Tessaline/res/tetris.tsprj");
    buildFixtures(root);
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    const bool benchModels = !args.isEmpty() && args[0] == "--bench-models";
    const bool argsFit = benchModels ? (args.size() == 2 || (args.size() == 3 && args[2] == "--no-big"))
                                     : (args.size() == 1 && !args[0].startsWith('-'));
    if (!argsFit) {
        std::fprintf(stderr, "usage: meshgen <source tree root>\n       meshgen --bench-models DIR [--no-big]\n");
        return 2;
    }
    try {
        if (benchModels)
            buildBenchModels(args[1], args.size() == 2);
        else
            buildSources(args[0]);
    } catch (const QString &message) {
        std::fprintf(stderr, "%s\n", qPrintable(message));
        return 1;
    } catch (const char *message) {
        std::fprintf(stderr, "%s\n", message);
        return 1;
    }
    return 0;
}
