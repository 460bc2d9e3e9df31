#include "scenetestutil.h"
#include "shapes.h"

#include <QTemporaryDir>
#include <cmath>
#include <random>

namespace
{

Faces boxMesh(float sx, float sy, float sz)
{
    Faces mesh;
    mesh.makeBox({{-sx / 2, 0, -sz / 2}, {sx / 2, sy, sz / 2}});
    return mesh;
}

bool footprintsOverlap(const Obj &a, const Obj &b, float margin)
{
    const Box3f p = a.transformedBounds(), q = b.transformedBounds();
    return p.min.x - margin < q.max.x + margin - 1e-3f && q.min.x - margin < p.max.x + margin - 1e-3f &&
           p.min.z - margin < q.max.z + margin - 1e-3f && q.min.z - margin < p.max.z + margin - 1e-3f;
}

void expectMatrixNear(const M44f &a, const M44f &b)
{
    for (int i = 0; i < 16; ++i)
        EXPECT_NEAR(a[i], b[i], 1e-5f) << i;
}

} // namespace

TEST(SceneEdits, DropPutsSelectedObjectsOnThePlateOnce)
{
    Document doc;
    Obj *lifted = doc.project.addMesh(boxMesh(10, 10, 10), "lifted");
    lifted->setTransform(M44f::translation({0, 7.5f, 0}) * M44f::rotation({1, 0, 0}, 0.3f));
    Obj *other = doc.project.addMesh(boxMesh(5, 5, 5), "other");
    other->setTransform(M44f::translation({30, 4, 0}));
    other->selected = false;
    lifted->selected = true;

    EXPECT_TRUE(doc.commands.drop());
    EXPECT_NEAR(lifted->transformedBounds().min.y, 0.0f, 1e-4f);
    EXPECT_EQ(other->transformedBounds().min.y, 4.0f);
    EXPECT_EQ(doc.fileOps.undoCaption(), "drop");
    EXPECT_FALSE(doc.commands.drop());
    EXPECT_EQ(doc.fileOps.undoCount(), 1);
}

TEST(SceneEdits, MirrorAboutTheSelectionCentre)
{
    Document doc;
    EXPECT_FALSE(doc.commands.mirror(0));
    EXPECT_EQ(doc.fileOps.undoCount(), 0);
    Obj *a = doc.project.addMesh(boxMesh(10, 4, 6), "a");
    a->setTransform(M44f::translation({12, 0, 3}) * M44f::rotation({0, 1, 0}, 0.5f));
    doc.project.selectAll(false);
    EXPECT_FALSE(doc.commands.mirror(1));
    EXPECT_EQ(thrownMessage([&] { doc.commands.mirror(3); }), "FrmMain::mirror() invalid axisId 3");

    doc.project.selectAll(true);
    const M44f before = a->transform();
    const Box3f bounds = a->transformedBounds();
    for (int axis = 0; axis < 3; ++axis) {
        ASSERT_TRUE(doc.commands.mirror(axis));
        EXPECT_LT(a->transform().determinant3(), 0);
        const Box3f mirrored = a->transformedBounds();
        EXPECT_NEAR(mirrored.min.x, bounds.min.x, 1e-4f);
        EXPECT_NEAR(mirrored.max.y, bounds.max.y, 1e-4f);
        EXPECT_NEAR(mirrored.max.z, bounds.max.z, 1e-4f);
        ASSERT_TRUE(doc.commands.mirror(axis));
        expectMatrixNear(a->transform(), before);
    }
    EXPECT_EQ(doc.fileOps.undoCaption(), "mirror");
    EXPECT_EQ(doc.fileOps.undoCount(), 6);
}

TEST(SceneEdits, RotationAndScaleResetsKeepTheOtherParts)
{
    Document doc;
    Obj *obj = doc.project.addMesh(boxMesh(10, 10, 10), "obj");
    const M44f translation = M44f::translation({5, 6, 7});
    const M44f rotation = M44f::rotation({1, 2, 3}, 0.8f);
    const M44f scaling = M44f::scaling({2, 3, 0.5f});
    obj->setTransform(translation * rotation * scaling);

    ASSERT_TRUE(doc.commands.rotReset());
    expectMatrixNear(obj->transform(), translation * scaling);
    EXPECT_FALSE(doc.commands.rotReset());

    obj->setTransform(translation * rotation * scaling);
    ASSERT_TRUE(doc.commands.scaleReset());
    expectMatrixNear(obj->transform(), translation * rotation);
    EXPECT_FALSE(doc.commands.scaleReset());
    EXPECT_EQ(doc.fileOps.undoCaption(), "scaleReset");
}

TEST(SceneEdits, RealignLeavesNoOverlapKeepsMarginsAndCentresOverManyScenes)
{
    std::mt19937 rng(21);
    std::uniform_real_distribution<float> size(1, 60), position(-200, 200), angle(0, 6.3f);
    std::uniform_int_distribution<int> objectCount(1, 14);
    for (int scene = 0; scene < 40; ++scene) {
        Document doc;
        const int n = objectCount(rng);
        QVector<float> heights;
        for (int i = 0; i < n; ++i) {
            Obj *obj = doc.project.addMesh(boxMesh(size(rng), size(rng), size(rng)), "o");
            obj->setTransform(M44f::translation({position(rng), float(i), position(rng)}) *
                              M44f::rotation({0, 1, 0}, angle(rng)));
            heights.append(obj->transformedBounds().min.y);
        }
        ASSERT_TRUE(doc.commands.realign());
        Box3f all = doc.project.object(0)->transformedBounds();
        for (int i = 0; i < n; ++i) {
            const Obj &obj = *doc.project.object(i);
            all = all.united(obj.transformedBounds());
            EXPECT_NEAR(obj.transformedBounds().min.y, heights[i], 1e-4f);
            for (int j = i + 1; j < n; ++j)
                EXPECT_FALSE(footprintsOverlap(obj, *doc.project.object(j), 10)) << scene << " " << i << " " << j;
        }
        EXPECT_NEAR((all.min.x + all.max.x) / 2, 0.0f, 1e-3f) << scene;
        EXPECT_NEAR((all.min.z + all.max.z) / 2, 0.0f, 1e-3f) << scene;
        // Compact: never wider than all footprints in a row.
        EXPECT_LT(all.max.x - all.min.x, n * (60 * 1.5f + 20));
        EXPECT_FALSE(doc.commands.realign()) << scene;
        EXPECT_EQ(doc.fileOps.undoCaption(), "realignAll");
    }
    Document empty;
    EXPECT_FALSE(empty.commands.realign());
}

TEST(SceneEdits, AddImportsPlacesBesideOthersAndRecordsOnce)
{
    QTemporaryDir dir;
    Faces cylinder = makeCylinder(8, 20, 24);
    cylinder.translate({100, 50, -30}); // files rarely sit at the origin
    cylinder.exportFata(dir.filePath("cylinder.stl"), true);
    boxMesh(30, 5, 12).exportFata(dir.filePath("plate.obj"), true);

    Document doc;
    ASSERT_TRUE(doc.commands.add({dir.filePath("cylinder.stl")}));
    EXPECT_EQ(doc.fileOps.undoCaption(), "add(cylinder.stl");
    const Box3f first = doc.project.object(0)->transformedBounds();
    EXPECT_NEAR(first.min.y, 0, 1e-4f);
    EXPECT_NEAR(first.center().x, 0, 1e-3f);
    EXPECT_NEAR(first.center().z, 0, 1e-3f);

    ASSERT_TRUE(doc.commands.add({dir.filePath("plate.obj"), dir.filePath("cylinder.stl")}));
    EXPECT_EQ(doc.fileOps.undoCaption(), "add(plate.obj cylinder.stl");
    EXPECT_EQ(doc.fileOps.undoCount(), 2);
    ASSERT_EQ(doc.project.objectCount(), 3);
    EXPECT_EQ(doc.project.object(1)->name, "plate");
    EXPECT_FALSE(doc.project.object(0)->selected);
    EXPECT_TRUE(doc.project.object(1)->selected && doc.project.object(2)->selected);
    EXPECT_EQ(doc.project.object(0)->mesh(), doc.project.object(2)->mesh());
    for (int i = 0; i < 3; ++i)
        for (int j = i + 1; j < 3; ++j)
            EXPECT_FALSE(footprintsOverlap(*doc.project.object(i), *doc.project.object(j), 10));

    // One bad file among several adds none of them.
    const QString missing = dir.filePath("missing.stl");
    EXPECT_EQ(thrownMessage([&] {
                  doc.commands.add({dir.filePath("plate.obj"), missing});
              }),
              "Faces::importFile() File not found: " + missing);
    EXPECT_EQ(doc.project.objectCount(), 3);
    EXPECT_EQ(doc.fileOps.undoCount(), 2);

    ASSERT_TRUE(doc.commands.remove());
    EXPECT_EQ(doc.project.objectCount(), 1);
    EXPECT_EQ(doc.fileOps.undoCaption(), "remove");
    EXPECT_FALSE(doc.commands.remove());
}

TEST(ScenePicking, NearestObjectWithWorldNormalsAlsoWhenMirrored)
{
    Project project;
    Obj *near = project.addMesh(boxMesh(10, 10, 10), "near");
    near->setTransform(M44f::translation({0, 0, 20}));
    Obj *far = project.addMesh(boxMesh(10, 10, 10), "far");
    far->setTransform(M44f::translation({0, 0, -20}) * M44f::scaling({1, 1, -1}));
    near->selected = false;

    V3f hit, normal;
    const V3f origin(1, 5, 100), target(1, 5, 0);
    EXPECT_EQ(project.pickObject('o', origin, target, hit, normal), near);
    EXPECT_EQ(hit, V3f(1, 5, 25));
    EXPECT_EQ(normal, V3f(0, 0, 1));
    EXPECT_EQ(project.pickObject('p', origin, target, hit, normal), far);
    EXPECT_EQ(hit, V3f(1, 5, -15));
    EXPECT_EQ(normal, V3f(0, 0, 1)); // outward although the object is mirrored
    EXPECT_EQ(project.pickObject('q', origin, {1, 5, 200}, hit, normal), nullptr);

    // From inside the bounds of a ring: the box is met, the surface too.
    Obj *ring = project.addMesh(makeTorus(20, 4, 48, 16), "ring");
    ring->setTransform(M44f::translation({100, 0, 0}));
    EXPECT_TRUE(ring->rayIntersect('a', {100, 4, 0}, {200, 4, 0}, hit, normal));
    EXPECT_NEAR(hit.x, 124, 1e-3f);
    EXPECT_TRUE(ring->rayIntersect('o', {100, 4, 0}, {200, 4, 0}, hit, normal));
    EXPECT_NEAR(hit.x, 116, 0.1f);
    EXPECT_LT(normal.x, -0.9f); // the inner wall faces the ring's centre
    EXPECT_EQ(thrownMessage([&] {
                  ring->rayIntersect('x', {}, {1, 0, 0}, hit, normal);
              }),
              "Obj::rayIntersect() invalid 'what' parameter");
}
