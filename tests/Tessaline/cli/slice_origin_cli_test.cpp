// Where the printer puts what the model file shows: the handedness of the G-code against the model files'
// own axes, and the build-volume warning, through tessaline-cli as a user runs it.
#include "gcodereadback.h"
#include "geometry/box3f.h"
#include "geometry/faces.h"
#include "raster/segtype.h"
#include "testenvironment.h"

#include <QFile>
#include <QTextStream>

#include "clirunner.h"

#include <gtest/gtest.h>

namespace
{

QString tempPath(const QString &name)
{
    return testHomeDir() + "/" + name;
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << path.toStdString();
    file.write(bytes);
}

// A 40 x 30 mm plate, 2 mm thick, with an 8 mm square tower 12 mm tall in one corner; all in the STL's own
// Z-up frame, x to the right and y to the back, so that the test does not lean on the program's conversion.
constexpr float plateWidth = 40, plateDepth = 30, plateThickness = 2, towerSide = 8, towerHeight = 12;

enum class Corner { BackLeft, FrontLeft };

Faces towerModel(Corner corner)
{
    const float towerY = corner == Corner::BackLeft ? plateDepth - towerSide : 0;
    Faces faces;
    faces.makeBox(Box3f{V3f(0, 0, 0), V3f(plateWidth, plateDepth, plateThickness)});
    // The tower stands on the plate rather than through it: overlapping shells are no part of this test.
    faces.makeBox(Box3f{V3f(0, towerY, plateThickness), V3f(towerSide, towerY + towerSide, towerHeight)});
    return faces;
}

// Where the tower's centre lies from the plate's centre, in the STL's x and y.
V3f towerOffset(Corner corner)
{
    const float towerY = corner == Corner::BackLeft ? plateDepth - towerSide : 0;
    return V3f(towerSide / 2 - plateWidth / 2, towerY + towerSide / 2 - plateDepth / 2, 0);
}

QByteArray asciiStl(const Faces &faces)
{
    QByteArray text;
    QTextStream out(&text);
    out << "solid tower\n";
    for (int i = 0; i < faces.count(); ++i) {
        const Face &face = faces[i];
        out << "facet normal " << face.n.x << ' ' << face.n.y << ' ' << face.n.z << "\nouter loop\n";
        for (const V3f &p : face.p)
            out << "vertex " << p.x << ' ' << p.y << ' ' << p.z << '\n';
        out << "endloop\nendfacet\n";
    }
    out << "endsolid tower\n";
    out.flush();
    return text;
}

// The same solid as an OBJ file, which is Y-up: the STL's (x, y, z) is the OBJ's (x, z, -y), a rotation, so
// the winding stays outward.
QByteArray objText(const Faces &faces)
{
    QByteArray text;
    QTextStream out(&text);
    for (int i = 0; i < faces.count(); ++i)
        for (const V3f &p : faces[i].p)
            out << "v " << p.x << ' ' << p.z << ' ' << -p.y << '\n';
    for (int i = 0; i < faces.count(); ++i)
        out << "f " << 3 * i + 1 << ' ' << 3 * i + 2 << ' ' << 3 * i + 3 << '\n';
    out.flush();
    return text;
}

// The centre of the box around the outer walls (perimeters) printed within the heights [zMin, zMax].
V3f perimeterCentre(const Readback &gcode, float zMin, float zMax)
{
    float minX = 1e30f, minY = 1e30f, maxX = -1e30f, maxY = -1e30f;
    for (const ReadbackCommand &c : gcode.commands) {
        if (!c.extrudes() || c.segType != int(SegType::Perimeter) || c.z < zMin || c.z > zMax)
            continue;
        minX = std::min({minX, c.x0, c.x}), maxX = std::max({maxX, c.x0, c.x});
        minY = std::min({minY, c.y0, c.y}), maxY = std::max({maxY, c.y0, c.y});
    }
    EXPECT_LT(minX, maxX) << "no perimeters between Z " << zMin << " and " << zMax;
    return V3f((minX + maxX) / 2, (minY + maxY) / 2, 0);
}

// How the model reaches the slicer: as written, or passed once through `tessaline-cli convert`.
struct ModelSource {
    const char *name;
    const char *extension; // of the file written by the test
    const char *convertTo; // nullptr: sliced as written
};

void PrintTo(const ModelSource &source, std::ostream *out)
{
    *out << source.name;
}

class SliceHandedness : public ::testing::TestWithParam<ModelSource>
{
};

TEST_P(SliceHandedness, TheTowerStaysInItsCornerWhateverTheOrigin)
{
    const ModelSource source = GetParam();
    struct Origin {
        const char *name;
        QStringList options;
        float plateX, plateY; // where the plate's centre is printed
    };
    for (Corner corner : {Corner::BackLeft, Corner::FrontLeft}) {
        const Faces model = towerModel(corner);
        const QString stem = tempPath(QString("%1_%2").arg(source.name).arg(int(corner)));
        QString input = stem + "." + source.extension;
        writeFile(input, QByteArray(source.extension) == "obj" ? objText(model) : asciiStl(model));
        if (source.convertTo) {
            const QString converted = stem + "_converted." + source.convertTo;
            const CliResult r = runCli({"convert", input, converted});
            ASSERT_EQ(r.exitCode, 0) << r.err.constData();
            input = converted;
        }
        for (const Origin &origin : {Origin{"default", {}, 100, 100}, Origin{"center", {"--origin", "center"}, 0, 0}}) {
            SCOPED_TRACE(
                QString("%1, corner %2, origin %3").arg(input).arg(int(corner)).arg(origin.name).toStdString());
            const QString out = stem + "_" + origin.name + ".gcode";
            const CliResult r = runCli(QStringList{"slice", input, "--quiet", "-o", out} + origin.options);
            ASSERT_EQ(r.exitCode, 0) << r.err.constData();
            const Readback gcode = readBack(readFile(out));
            ASSERT_TRUE(gcode.error.isEmpty()) << gcode.error.toStdString();

            const V3f plate = perimeterCentre(gcode, 0, plateThickness - 0.5f);
            const V3f tower = perimeterCentre(gcode, plateThickness + 1, towerHeight);
            EXPECT_NEAR(plate.x, origin.plateX, 0.5);
            EXPECT_NEAR(plate.y, origin.plateY, 0.5);
            // Printer X and Y run as the file's x and y: a mirrored axis would swap the offset's sign.
            const V3f expected = towerOffset(corner);
            EXPECT_NEAR(tower.x - plate.x, expected.x, 0.5);
            EXPECT_NEAR(tower.y - plate.y, expected.y, 0.5);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(ModelFiles, SliceHandedness,
                         ::testing::Values(ModelSource{"Stl", "stl", nullptr},
                                           ModelSource{"StlExportedAgain", "stl", "stl"},
                                           ModelSource{"Obj", "obj", nullptr},
                                           ModelSource{"StlExportedAsObj", "stl", "obj"}),
                         [](const ::testing::TestParamInfo<ModelSource> &info) { return info.param.name; });

// The documented default is the front left corner of a 200 mm cube, however it is asked for.
TEST(CliSliceOrigin, TheDefaultMachineIsTheFrontLeftCornerOf200mm)
{
    const QString input = tempPath("default.stl");
    writeFile(input, asciiStl(towerModel(Corner::BackLeft)));
    const QString plain = tempPath("default.gcode");
    ASSERT_EQ(runCli({"slice", input, "--quiet", "-o", plain}).exitCode, 0);
    const QByteArray expected = readFile(plain);
    for (const QStringList &machine :
         {QStringList{"--origin", "front-left"}, QStringList{"--machine", "200,200,200,0,200,1,-1"}}) {
        const QString out = tempPath("asked.gcode");
        ASSERT_EQ(runCli(QStringList{"slice", input, "--quiet", "-o", out} + machine).exitCode, 0);
        EXPECT_EQ(readFile(out), expected) << machine.join(' ').toStdString();
    }
}

// Both set the whole machine: neither may quietly win.
TEST(CliSliceOrigin, MachineWithOriginIsAUsageErrorInEitherOrder)
{
    const QString input = tempPath("both.stl");
    writeFile(input, asciiStl(towerModel(Corner::BackLeft)));
    const QString out = tempPath("both.gcode");
    const QStringList machine{"--machine", "200,200,200,0,200,1,-1"}, origin{"--origin", "center"};
    for (const QStringList &options : {machine + origin, origin + machine}) {
        const CliResult r = runCli(QStringList{"slice", input, "-o", out} + options);
        EXPECT_EQ(r.exitCode, 2) << options.join(' ').toStdString();
        EXPECT_TRUE(r.err.contains("--machine and --origin")) << r.err.constData();
    }
    EXPECT_FALSE(QFile::exists(out));
}

struct VolumeCase {
    const char *name;
    QStringList machine;
    float width, depth, height; // of a box centred on the plate (mm)
    bool warns;
};

void PrintTo(const VolumeCase &c, std::ostream *out)
{
    *out << c.name;
}

class BuildVolumeWarning : public ::testing::TestWithParam<VolumeCase>
{
};

// The plate is centred on the scene whatever the G-code's origin; a warning about an object that fits
// would teach users to ignore the warning.
TEST_P(BuildVolumeWarning, FiresOnlyForObjectsBeyondThePlate)
{
    const VolumeCase c = GetParam();
    Faces box;
    box.makeBox(Box3f{V3f(0, 0, 0), V3f(c.width, c.depth, c.height)});
    const QString input = tempPath(QString(c.name) + ".stl");
    writeFile(input, asciiStl(box));
    const CliResult r = runCli(QStringList{"slice", input, "-o", tempPath(QString(c.name) + ".gcode")} + c.machine);
    ASSERT_EQ(r.exitCode, 0) << r.err.constData();
    EXPECT_EQ(r.err.contains("reaches outside the build volume"), c.warns) << r.err.constData();
}

INSTANTIATE_TEST_SUITE_P(
    Machines, BuildVolumeWarning,
    ::testing::Values(
        VolumeCase{"FrontLeftOriginInside", {"--machine", "200,200,200,0,200,1,-1"}, 190, 190, 0.4f, false},
        VolumeCase{"FrontLeftOriginTooWide", {"--machine", "200,200,200,0,200,1,-1"}, 205, 20, 0.4f, true},
        VolumeCase{"FrontLeftOriginTooDeep", {"--machine", "200,200,200,0,200,1,-1"}, 20, 205, 0.4f, true},
        VolumeCase{"FrontLeftOriginTooTall", {"--machine", "200,3,200,0,200,1,-1"}, 20, 20, 4, true},
        VolumeCase{"MirroredAxesInside", {"--machine", "120,100,80,120,0,-1,1"}, 115, 75, 0.4f, false},
        VolumeCase{"MirroredAxesTooDeep", {"--machine", "120,100,80,120,0,-1,1"}, 115, 85, 0.4f, true},
        VolumeCase{"CenterInside", {"--origin", "center"}, 190, 190, 0.4f, false}),
    [](const ::testing::TestParamInfo<VolumeCase> &info) { return info.param.name; });

} // namespace
