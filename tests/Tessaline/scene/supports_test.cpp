#include "scene/supports.h"
#include "scenetestutil.h"
#include "shapes.h"
#include "testenvironment.h"

#include <QDir>
#include <QFile>

#include <algorithm>
#include <gtest/gtest.h>
#include <tuple>

namespace
{

const V3f down(0, -1, 0), up(0, 1, 0);

// Two 2 mm pillars at x = 0 and x = 8 carrying a deck from y = 10 to 12 that spans x = 0 ... 10 and
// z = 0 ... 4: the deck's underside between the pillars is 10 mm above the plate.
Faces bridgeMesh()
{
    QVector<Cell> cells;
    for (int z = 0; z < 2; ++z) {
        for (int y = 0; y < 5; ++y) {
            cells.append({0, y, z});
            cells.append({4, y, z});
        }
        for (int x = 0; x < 5; ++x)
            cells.append({x, 5, z});
    }
    return makeCells(cells, 2.0f);
}

Obj *addObject(Project &project, const Faces &mesh, const M44f &transform = M44f())
{
    Obj *obj = project.addMesh(mesh, "part");
    obj->setTransform(transform);
    return obj;
}

Faces boxOf(const V3f &min, const V3f &max)
{
    Faces box;
    box.makeBox({min, max});
    return box;
}

using BarKey = std::tuple<float, float, float, float, float, float, float>;

std::vector<BarKey> sortedBars(const Project &project)
{
    std::vector<BarKey> bars;
    for (const SupportBarRecord &b : project.supportBars)
        bars.emplace_back(b.anchor.x, b.anchor.y, b.anchor.z, b.end.x, b.end.y, b.end.z, b.width);
    std::sort(bars.begin(), bars.end());
    return bars;
}

} // namespace

TEST(SupportPlacement, BridgeUndersideGetsABarDownToThePlate)
{
    Project project;
    addObject(project, bridgeMesh());
    // Picked from below, the way the view finds the surface under the cursor.
    V3f hit, normal;
    ASSERT_EQ(rayQuery(project, 'o', {5, -5, 2}, {5, 0, 2}, hit, normal), 0);
    EXPECT_NEAR(hit.y, 10.0f, 1e-5);
    EXPECT_NEAR(normal.y, -1.0f, 1e-6);
    ASSERT_TRUE(addBar(project, hit, normal, 1.0f));
    ASSERT_EQ(project.supportBars.size(), 1);
    const SupportBarRecord &bar = project.supportBars[0];
    EXPECT_NEAR(bar.anchor.y, 9.9f, 1e-5);
    EXPECT_EQ(bar.end, V3f(bar.anchor.x, 0.0f, bar.anchor.z));
    EXPECT_EQ(bar.width, 1.0f);
    EXPECT_EQ(barNearPoint(project, {5.3f, 0.2f, 2.1f}, 1.0f), 0);
    EXPECT_EQ(barNearPoint(project, {5.3f, 5.0f, 2.1f}, 1.0f), -1);

    // A second pick 0.5 mm along the same underside is the same bar.
    EXPECT_FALSE(addBar(project, {5.5f, 10, 2}, down, 1.0f));
    EXPECT_TRUE(addBar(project, {6.5f, 10, 2}, down, 1.0f));
    EXPECT_EQ(project.supportBars.size(), 2);
}

TEST(SupportPlacement, RulesThatMakeNoBar)
{
    Project project;
    addObject(project, bridgeMesh());
    addObject(project, boxOf({3, 0, 0}, {5, 5, 4}));
    addObject(project, boxOf({20, 0, 0}, {24, 4, 4}));
    // The pillar's side is vertical.
    EXPECT_FALSE(makeBar(project, {2, 5, 1}, {1, 0, 0}, 1.0f));
    // The lone box's top has nothing above it.
    EXPECT_FALSE(makeBar(project, {22, 4, 2}, up, 1.0f));
    // The block under the bridge reaches up to the underside.
    const std::optional<SupportBar> upward = makeBar(project, {4, 5, 2}, up, 1.0f);
    ASSERT_TRUE(upward);
    EXPECT_NEAR(upward->anchor().y, 5.1f, 1e-5);
    EXPECT_NEAR(upward->end().y, 10.0f, 1e-5);
    // A face buried in another object starts the bar inside that object.
    addObject(project, boxOf({30, 0, 0}, {34, 4, 4}));
    addObject(project, boxOf({31, 3, 1}, {33, 6, 3}));
    EXPECT_EQ(objectContainingPoint(project, {32, 4.5f, 2}), 4);
    EXPECT_EQ(objectContainingPoint(project, {32, 3.9f, 2}), 3);
    EXPECT_FALSE(makeBar(project, {32, 3, 2}, down, 1.0f));
    // Just above the plate the bar would be shorter than 0.1 mm, and shorter than 1 mm is not kept.
    EXPECT_FALSE(makeBar(project, {22, 0.15f, 2}, down, 1.0f));
    EXPECT_TRUE(makeBar(project, {40, 0.5f, 2}, down, 1.0f));
    EXPECT_FALSE(addBar(project, {40, 0.5f, 2}, down, 1.0f));
    // Bars of no width, and picks with non-finite numbers.
    for (const float width : {0.0f, -1.0f, NAN, INFINITY})
        EXPECT_FALSE(makeBar(project, {5, 10, 2}, down, width));
    EXPECT_FALSE(makeBar(project, {5, NAN, 2}, down, 1.0f));
    EXPECT_FALSE(makeBar(project, {5, 10, 2}, {0, NAN, 0}, 1.0f));
    EXPECT_TRUE(project.supportBars.isEmpty());
}

TEST(SupportPlacement, QueriesSeeObjectsThroughTheirTransforms)
{
    Project project;
    addObject(project, boxOf({-1, 0, -1}, {1, 2, 1}), M44f::translation({10, 0, 0}));
    addObject(project, boxOf({-1, 0, -1}, {1, 2, 1}), M44f::translation({20, 0, 0}) * M44f::scaling({-2, 1, 1}));
    EXPECT_EQ(objectContainingPoint(project, {10.5f, 1, 0}), 0);
    EXPECT_EQ(objectContainingPoint(project, {21.9f, 1, 0}), 1);
    EXPECT_EQ(objectContainingPoint(project, {12.5f, 1, 0}), -1);
    // Regression: points under the diagonal of a box's top face, or under its corner, were counted as
    // crossing both triangles there and so as outside.
    EXPECT_EQ(objectContainingPoint(project, {10, 1, 0}), 0);
    EXPECT_EQ(objectContainingPoint(project, {20, 1, 0}), 1);
    EXPECT_EQ(objectContainingPoint(project, {11, 3, 1}), -1);
    EXPECT_EQ(objectContainingPoint(project, {10.5f, 2.5f, 0}), -1);

    V3f hit, normal;
    char mode = 0;
    double distance = 0;
    // The mirrored object's normals still point out of it.
    EXPECT_EQ(rayQuery(project, 'q', {0, 1, 0}, {100, 1, 0}, hit, normal, mode, distance), 0);
    EXPECT_EQ(mode, 'o');
    EXPECT_NEAR(distance, 9.0, 1e-5);
    EXPECT_EQ(rayQuery(project, 'o', {30, 1, 0}, {0, 1, 0}, hit, normal, mode, distance), 1);
    EXPECT_NEAR(hit.x, 22.0f, 1e-5);
    EXPECT_NEAR(normal.x, 1.0f, 1e-6);
    EXPECT_EQ(rayQuery(project, 'a', {0, 5, 0}, {100, 5, 0}, hit, normal, mode, distance), -1);
    EXPECT_EQ(mode, 'a');
    EXPECT_EQ(distance, 1e30);
    EXPECT_THROW(rayQuery(project, 'x', {0, 1, 0}, {100, 1, 0}, hit, normal), const char *);
}

TEST(SupportGeneration, BridgeGetsBarsOnTheGridAndSpacedApart)
{
    Project project;
    addObject(project, bridgeMesh());
    project.barsOutdated = true;
    std::vector<int> reports;
    const int count = generateSupports(project, 1.0f, 30.0f, [&](int percent) { reports.push_back(percent); });
    // The underside spans x = 2 ... 8 and z = 0 ... 4: candidates on the 2 mm grid at x = 2.5, 4.5, 6.5
    // and z = 0.5, 2.5, 4.5 (the rays at z = 4 graze the deck's edge; those bars stand just beside it).
    // The rays at x = 8 graze the pillar's side: their block centre 8.5 lies in the pillar, except
    // beside the deck at z = 4.5.
    EXPECT_EQ(count, project.supportBars.size());
    EXPECT_FALSE(project.barsOutdated);
    std::vector<BarKey> expected;
    for (float x : {2.5f, 4.5f, 6.5f})
        for (float z : {0.5f, 2.5f, 4.5f})
            expected.emplace_back(x, 9.9f, z, x, 0.0f, z, 1.0f);
    expected.emplace_back(8.5f, 9.9f, 4.5f, 8.5f, 0.0f, 4.5f, 1.0f);
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(sortedBars(project), expected);
    for (int percent : reports)
        EXPECT_TRUE(percent >= 0 && percent <= 100);
    EXPECT_TRUE(std::is_sorted(reports.begin(), reports.end()));

    // Generating again replaces the bars rather than adding to them.
    generateSupports(project, 1.0f, 30.0f, nullptr);
    EXPECT_EQ(sortedBars(project), expected);
    clearSupports(project);
    EXPECT_TRUE(project.supportBars.isEmpty());
}

TEST(SupportGeneration, CubeOnThePlateGetsNoBars)
{
    Project project;
    addObject(project, boxOf({0, 0, 0}, {10, 10, 10}));
    EXPECT_EQ(generateSupports(project, 1.0f, 0.0f, nullptr), 0);
}

namespace
{

// The bars to a thousandth of a millimetre, sorted.
std::vector<BarKey> roundedBars(const Project &project)
{
    const auto round = [](float v) { return std::round(v * 1000.0f) / 1000.0f; };
    std::vector<BarKey> bars;
    for (const SupportBarRecord &b : project.supportBars)
        bars.emplace_back(round(b.anchor.x), round(b.anchor.y), round(b.anchor.z), round(b.end.x), round(b.end.y),
                          round(b.end.z), b.width);
    std::sort(bars.begin(), bars.end());
    return bars;
}

// Two 10 x 10 mm plates, 2 mm thick, joined by a 2 mm pillar in their middle and 6 mm apart: symmetric about
// (5, 5, 5), with two flat undersides, each of which holds a bar in every block of the grid.
Faces spoolMesh()
{
    QVector<Cell> cells;
    for (int x = 0; x < 5; ++x)
        for (int z = 0; z < 5; ++z) {
            cells.append({x, 0, z});
            cells.append({x, 4, z});
        }
    for (int y = 1; y < 4; ++y)
        cells.append({2, y, 2});
    return makeCells(cells, 2.0f);
}

} // namespace

// Mirroring a symmetric object reproduces its triangles in another order and with the winding turned, which
// the generator must undo: the overhangs are the same, and so are the bars.
TEST(SupportGeneration, MirroredSymmetricObjectGetsTheSameBars)
{
    const Faces spool = spoolMesh();
    for (int axis = 0; axis < 3; ++axis) {
        V3f scale(1, 1, 1);
        scale[axis] = -1;
        // Off the grid lines, with every block centre of the 1.5 mm grid (0.75 + 3 k) over the plates.
        const M44f lift = M44f::translation({0.3f, 3, 0.3f});
        // About the spool's centre, so that the mirror leaves it in place.
        const M44f mirror = M44f::translation({5, 5, 5}) * M44f::scaling(scale) * M44f::translation({-5, -5, -5});
        Project plain, mirrored;
        addObject(plain, spool, lift);
        addObject(mirrored, spool, lift * mirror);
        generateSupports(plain, 1.5f, 45.0f, nullptr);
        generateSupports(mirrored, 1.5f, 45.0f, nullptr);
        // The mirrored vertices may differ from the originals in the last bit.
        const std::vector<BarKey> expected = roundedBars(plain), got = roundedBars(mirrored);
        EXPECT_EQ(expected.size(), 2u * 4u * 4u) << axis; // a bar per block under each plate
        EXPECT_EQ(got, expected) << axis;
    }
}

namespace
{

// A 4 x 3 mm ceiling from y = 10 to 12 with two tabs hanging from it, at x = 0 down to y = 5 and at x = 2 down
// to y = 8. On a 2 mm grid all their rays fall in one block, whose bar stands at x = 1, z = 1 between the
// tabs: the first attempt of the block makes it, and the others end on the same spot of the plate.
Faces ceiling()
{
    return boxOf({-1, 10, -0.5f}, {3, 12, 2.5f});
}
Faces lowTab()
{
    return boxOf({-0.3f, 5, -0.5f}, {0.3f, 10, 2.5f});
}
Faces highTab()
{
    return boxOf({1.7f, 8, -0.5f}, {2.3f, 10, 2.5f});
}

struct AttemptOrderCase {
    const char *name;
    std::vector<std::vector<Faces (*)()>> objects; // each object's parts, in mesh order
    float anchorY;                                 // of the one bar
};

void PrintTo(const AttemptOrderCase &c, std::ostream *out)
{
    *out << c.name;
}

class AttemptOrder : public ::testing::TestWithParam<AttemptOrderCase>
{
};

} // namespace

TEST_P(AttemptOrder, FirstHitOfABlockMakesItsBar)
{
    Project project;
    for (const std::vector<Faces (*)()> &parts : GetParam().objects) {
        Faces mesh;
        for (Faces (*part)() : parts)
            for (int i = 0; i < part().count(); ++i)
                mesh.append(part()[i]);
        addObject(project, mesh);
    }
    ASSERT_EQ(generateSupports(project, 2.0f, 45.0f, nullptr), 1);
    const SupportBarRecord &bar = project.supportBars[0];
    EXPECT_EQ(bar.anchor, V3f(1, GetParam().anchorY, 1));
    EXPECT_EQ(bar.end, V3f(1, 0, 1));
}

// Objects in scene order, triangles in mesh order, and never by height.
INSTANTIATE_TEST_SUITE_P(SupportGeneration, AttemptOrder,
                         ::testing::Values(AttemptOrderCase{"LowTabFirst", {{lowTab, highTab, ceiling}}, 4.9f},
                                           AttemptOrderCase{"HighTabFirst", {{highTab, lowTab, ceiling}}, 7.9f},
                                           AttemptOrderCase{"CeilingFirst", {{ceiling, lowTab, highTab}}, 9.9f},
                                           AttemptOrderCase{"FirstObjectFirst", {{highTab}, {lowTab, ceiling}}, 7.9f}),
                         [](const ::testing::TestParamInfo<AttemptOrderCase> &info) {
                             return std::string(info.param.name);
                         });

TEST(SupportGeneration, RefusesUnusableGridsAndKeepsTheBars)
{
    Project project;
    addObject(project, boxOf({0, 0, 0}, {100, 10, 100}));
    project.supportBars.append({{1, 5, 1}, {1, 0, 1}, 1.0f});
    for (const float spacing : {0.0f, -1.0f, NAN, INFINITY, 1e-4f})
        EXPECT_THROW(generateSupports(project, spacing, 45.0f, nullptr), QString) << spacing;
    EXPECT_THROW(generateSupports(project, 1.0f, NAN, nullptr), QString);
    EXPECT_EQ(project.supportBars.size(), 1);
}

// A million triangles with no overhang between grid lines still finishes, telling the window how far
// it got.
TEST(SupportGeneration, MillionTriangleMeshFinishes)
{
    Project project;
    addObject(project, makeSphere(40.0f, 1000, 501), M44f::translation({0, 45, 0}));
    ASSERT_GE(project.object(0)->mesh()->count(), 1000000);
    int lastPercent = -1;
    const int count = generateSupports(project, 8.0f, 45.0f, [&](int percent) {
        EXPECT_GE(percent, lastPercent);
        lastPercent = percent;
    });
    EXPECT_GT(count, 10);
    for (const SupportBarRecord &bar : project.supportBars) {
        EXPECT_EQ(bar.end.y, 0.0f);
        EXPECT_LT(bar.anchor.y, 85.0f);
    }
}

TEST(SupportStorage, BarsSurviveFilesAndUndo)
{
    Document doc;
    addObject(doc.project, bridgeMesh());
    doc.fileOps.chg("add(bridge.stl");
    generateSupports(doc.project, 1.0f, 30.0f, nullptr);
    doc.fileOps.chg("Supports generated");
    const std::vector<BarKey> generated = sortedBars(doc.project);
    ASSERT_FALSE(generated.empty());

    const QString path = QDir(testHomeDir()).filePath("bridge.tsprj");
    ASSERT_TRUE(doc.fileOps.save(path));
    Project loaded;
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    loaded.loadFromStr(file.readAll(), false);
    EXPECT_EQ(sortedBars(loaded), generated);
    EXPECT_EQ(supportBarsMesh(loaded).count(), 16 * int(generated.size()));

    clearSupports(doc.project);
    doc.fileOps.chg("Supports cleared");
    ASSERT_TRUE(doc.fileOps.undo());
    EXPECT_EQ(sortedBars(doc.project), generated);
    ASSERT_TRUE(doc.fileOps.undo());
    EXPECT_TRUE(doc.project.supportBars.isEmpty());
    ASSERT_TRUE(doc.fileOps.redo());
    EXPECT_EQ(sortedBars(doc.project), generated);
    ASSERT_TRUE(doc.fileOps.redo());
    EXPECT_TRUE(doc.project.supportBars.isEmpty());
}

TEST(SupportStorage, BarsOfNoSizeAreDroppedOnLoad)
{
    Project project;
    project.supportBars.append({{1, 5, 1}, {1, 0, 1}, 0.0f});
    project.supportBars.append({{2, 5, 2}, {2, 5, 2}, 1.0f});
    project.supportBars.append({{3, 5, 3}, {3, 0, 3}, 1.0f});
    Project loaded;
    loaded.loadFromStr(project.saveToStr(false), false);
    ASSERT_EQ(loaded.supportBars.size(), 1);
    EXPECT_EQ(loaded.supportBars[0].anchor, V3f(3, 5, 3));
}
