// The mouse tools on a real project and its undo history, driven through the camera's rays as the
// view drives them, without GL.
#include "view/mousemodes.h"

#include "scene/fileops.h"
#include "scene/project.h"
#include "scene/supports.h"

#include <gtest/gtest.h>

#include <cmath>

namespace
{

const QSize kViewport(800, 600);
constexpr float kPi = 3.14159265358979f;

Faces boxMesh(const V3f &min, const V3f &max)
{
    Faces faces;
    faces.makeBox(Box3f{min, max});
    return faces;
}

// A camera at `eye` looking at `at` (eye frame: +Z forward, +Y up, as Camera keeps it).
Camera lookingFrom(const V3f &eye, const V3f &at)
{
    Camera camera;
    const V3f forward = (at - eye).normalized();
    const V3f right = cross(forward, V3f(0, 1, 0)).normalized();
    const V3f up = cross(right, forward);
    camera.eye.setColumn(0, -right);
    camera.eye.setColumn(1, up);
    camera.eye.setColumn(2, forward);
    camera.eye.setTranslation(eye);
    camera.center = at;
    return camera;
}

// A project with its undo history, wired as the main window wires them, and the mouse editor on it.
struct Desk {
    Project project;
    FileOps fileOps;
    MouseEditor editor;
    Camera camera;

    Desk()
    {
        QObject::connect(&fileOps, &FileOps::fileOp,
                         [this](FileOpEnum op) { project.serveFileOp(op, fileOps.buffer()); });
        editor.setScene(&project, &fileOps);
    }

    // Starts counting undo steps here: what was placed before is the opened project.
    void startHistory()
    {
        fileOps.chg("setup");
        undoBase = fileOps.undoCount();
    }

    QPoint pixelOf(const V3f &point) const
    {
        QPointF pixel;
        float distance = 0;
        EXPECT_TRUE(camera.project(point, kViewport, pixel, distance));
        return pixel.toPoint();
    }
    PointerSample sample(const QPoint &pixel) const
    {
        PointerSample at;
        at.pixel = pixel;
        camera.pixelRay(QPointF(pixel.x() + 0.5, pixel.y() + 0.5), kViewport, at.rayOrigin, at.rayTarget);
        at.pick.hit = pickScene(project, at.rayOrigin, at.rayTarget);
        return at;
    }
    MouseEditor::Result click(const QPoint &pixel, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        MouseEditor::Result result = editor.press(sample(pixel), modifiers, camera, kViewport);
        result |= editor.release(sample(pixel), modifiers, camera, kViewport);
        return result;
    }
    // Press, a few moves along the way, release.
    MouseEditor::Result drag(const QPoint &from, const QPoint &to, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        MouseEditor::Result result = editor.press(sample(from), modifiers, camera, kViewport);
        for (int step = 1; step <= 4; ++step)
            result |= editor.move(sample(from + (to - from) * step / 4), modifiers, camera, kViewport);
        result |= editor.release(sample(to), modifiers, camera, kViewport);
        return result;
    }
    int steps() const { return fileOps.undoCount() - undoBase; }

    int undoBase = 0;
};

// Places boxes first, then starts the history, so that only the mouse's edits are counted.
Obj *setUpBox(Desk &desk, const V3f &min, const V3f &max, const M44f &transform = M44f())
{
    Obj *obj = desk.project.addMesh(boxMesh(min, max), "box");
    obj->setTransform(transform);
    obj->selected = false;
    return obj;
}

// ---- Drop plane: the clicked face ends up facing the plate and resting on it.

struct DropCase {
    const char *name;
    M44f placement;  // of a 20 x 10 x 30 box standing on its bottom face at the origin
    V3f localPoint;  // the centre of the face to click, in the box's own frame
    V3f localNormal; // that face's outward normal
};

// Cases print as their names in the test list.
void PrintTo(const DropCase &c, std::ostream *os)
{
    *os << c.name;
}

class DropPlane : public testing::TestWithParam<DropCase>
{
};

TEST_P(DropPlane, LaysTheClickedFaceOnThePlateInOneUndoStep)
{
    const DropCase &c = GetParam();
    Desk desk;
    Obj *obj = setUpBox(desk, {-10, 0, -15}, {10, 10, 15}, c.placement);
    desk.startHistory();
    const M44f before = obj->transform();
    const V3f facePoint = before.mapPoint(c.localPoint);
    const V3f faceNormal = before.mapVector(c.localNormal).normalized();
    desk.camera = lookingFrom(facePoint + faceNormal * 120.0f + V3f(3, 2, 1), facePoint);
    desk.editor.setMode(MouseMode::DropPlane);

    const MouseEditor::Result result = desk.click(desk.pixelOf(facePoint));

    EXPECT_TRUE(result.edited);
    ASSERT_EQ(desk.steps(), 1);
    EXPECT_EQ(desk.fileOps.undoCaption(), "dropPlane");
    const M44f after = obj->transform();
    const V3f normalAfter = after.mapVector(c.localNormal).normalized();
    EXPECT_NEAR(normalAfter.y, -1.0f, 1e-4f) << normalAfter.x << " " << normalAfter.z;
    EXPECT_NEAR(after.mapPoint(c.localPoint).y, 0.0f, 1e-3f) << "the face lies on the plate";
    EXPECT_NEAR(obj->transformedBounds().min.y, 0.0f, 1e-3f);
    EXPECT_TRUE(obj->selected);
    desk.fileOps.undo();
    EXPECT_EQ(desk.project.object(0)->transform(), before);
}

M44f turned(float xDegrees, float yDegrees, float zDegrees)
{
    return M44f::rotation({0, 0, 1}, zDegrees * kPi / 180) * M44f::rotation({0, 1, 0}, yDegrees * kPi / 180) *
           M44f::rotation({1, 0, 0}, xDegrees * kPi / 180);
}

INSTANTIATE_TEST_SUITE_P(
    Faces, DropPlane,
    testing::Values(
        // Straight up: n and t opposite, the half turn needs an axis at right angles to the plate's normal.
        DropCase{"Top", M44f(), {0, 10, 0}, {0, 1, 0}}, DropCase{"Front", M44f(), {0, 5, 15}, {0, 0, 1}},
        DropCase{"Right", M44f(), {10, 5, 0}, {1, 0, 0}}, DropCase{"Left", M44f(), {-10, 5, 0}, {-1, 0, 0}},
        // Nearly flat faces are laid exactly flat, not left at their small tilt.
        DropCase{"TopTiltedTwoDegrees", turned(0, 0, 2), {0, 10, 0}, {0, 1, 0}},
        DropCase{"FrontOfATurnedBox", turned(35, 25, 10), {0, 5, 15}, {0, 0, 1}},
        DropCase{"TopOfATurnedBox", turned(-40, 60, 20), {0, 10, 0}, {0, 1, 0}}),
    [](const testing::TestParamInfo<DropCase> &info) { return std::string(info.param.name); });

// A drag from a face to another object's face turns the first against the second; ALT drags roll the
// face laid on the plate about the vertical instead.
TEST(DropPlane, DragTurnsTheFaceAgainstTheTargetOrRollsItWithAlt)
{
    struct Case {
        Qt::KeyboardModifiers modifiers;
        V3f topAfter, rightAfter; // where the box's top and right faces point afterwards
    };
    for (const Case &c : {Case{Qt::NoModifier, {1, 0, 0}, {0, -1, 0}}, Case{Qt::AltModifier, {0, -1, 0}, {0, 0, 1}}}) {
        Desk desk;
        Obj *obj = setUpBox(desk, {-40, 0, -10}, {-20, 20, 10});
        setUpBox(desk, {20, 0, -10}, {40, 20, 10});
        desk.startHistory();
        desk.editor.setMode(MouseMode::DropPlane);
        const QPoint top = desk.pixelOf({-30, 20, 0});
        // The target: the other box's left face, which faces the first box; with ALT 180 pixels roll
        // a quarter turn.
        const QPoint end = c.modifiers ? top + QPoint(180, 0) : desk.pixelOf({20, 10, 0});
        desk.drag(top, end, c.modifiers);
        EXPECT_LT((obj->transform().mapVector({0, 1, 0}) - c.topAfter).length(), 1e-4);
        EXPECT_LT((obj->transform().mapVector({1, 0, 0}) - c.rightAfter).length(), 1e-4);
        EXPECT_EQ(desk.steps(), 1);
        EXPECT_EQ(desk.fileOps.undoCaption(), "dropPlane");
    }
}

TEST(DropPlaneMatrix, CarriesTheNormalOntoTheTargetAndRollsAboutIt)
{
    const V3f pivot(4, 5, 6);
    for (const V3f &n :
         {V3f(0, 1, 0), V3f(0, -1, 0), V3f(1, 0, 0), V3f(-1, 0, 0), V3f(0.3f, 0.4f, -0.866f), V3f(0, 0.9994f, 0.0349f)})
        for (const V3f &t : {V3f(0, -1, 0), V3f(1, 0, 0), V3f(0, 0.6f, 0.8f)}) {
            const M44f m = dropPlaneMatrix(n, t, pivot, 0.7f);
            const V3f turned = m.mapVector(n.normalized());
            EXPECT_LT((turned - t).length(), 1e-4) << n.x << "," << n.y << "," << n.z << " -> " << t.x << "," << t.y;
            EXPECT_LT((m.mapPoint(pivot) - pivot).length(), 1e-4) << "the pivot stays";
        }
    // The roll turns the object about t after laying it down: here a quarter turn about the vertical.
    const M44f rolled = dropPlaneMatrix({0, -1, 0}, {0, -1, 0}, {0, 0, 0}, kPi / 2);
    EXPECT_LT((rolled.mapVector({1, 0, 0}) - V3f(0, 0, 1)).length(), 1e-5);
}

// ---- Move: the grabbed point follows the cursor over the plate; SHIFT keeps one axis.

struct MoveCase {
    const char *name;
    QPoint drag;
    Qt::KeyboardModifiers modifiers;
    bool xMoves, zMoves;
};

// Cases print as their names in the test list.
void PrintTo(const MoveCase &c, std::ostream *os)
{
    *os << c.name;
}

class MoveDrag : public testing::TestWithParam<MoveCase>
{
};

TEST_P(MoveDrag, FollowsTheCursorAndRecordsOnRelease)
{
    const MoveCase &c = GetParam();
    Desk desk;
    Obj *obj = setUpBox(desk, {-10, 0, -10}, {10, 20, 10});
    setUpBox(desk, {60, 0, -10}, {80, 20, 10});
    desk.startHistory();
    desk.editor.setMode(MouseMode::Move);
    const V3f grabbed(0, 20, 0);
    const QPoint from = desk.pixelOf(grabbed);
    const QPoint to = from + c.drag;

    // On the way the object moves but nothing is recorded yet.
    desk.editor.press(desk.sample(from), c.modifiers, desk.camera, kViewport);
    desk.editor.move(desk.sample(from + c.drag / 2), c.modifiers, desk.camera, kViewport);
    EXPECT_NE(obj->transform(), M44f());
    EXPECT_EQ(desk.steps(), 0);
    const MouseEditor::Result result = desk.editor.release(desk.sample(to), c.modifiers, desk.camera, kViewport);

    EXPECT_TRUE(result.edited);
    EXPECT_EQ(desk.steps(), 1);
    EXPECT_EQ(desk.fileOps.undoCaption(), "move");
    const V3f moved = obj->transform().translationPart();
    EXPECT_EQ(moved.y, 0.0f);
    EXPECT_EQ(std::fabs(moved.x) > 1.0f, c.xMoves) << moved.x;
    EXPECT_EQ(std::fabs(moved.z) > 1.0f, c.zMoves) << moved.z;
    if (c.xMoves && c.zMoves) {
        const QPoint landed = desk.pixelOf(obj->transform().mapPoint(grabbed));
        EXPECT_LE((landed - to).manhattanLength(), 2) << "the grabbed point stays under the cursor";
    }
    EXPECT_EQ(desk.project.object(1)->transform(), M44f()) << "only the selection moves";
}

INSTANTIATE_TEST_SUITE_P(Drags, MoveDrag,
                         testing::Values(MoveCase{"Free", {60, 40}, Qt::NoModifier, true, true},
                                         MoveCase{"ShiftMostlySideways", {80, 25}, Qt::ShiftModifier, true, false},
                                         MoveCase{"ShiftMostlyAway", {10, -60}, Qt::ShiftModifier, false, true}),
                         [](const testing::TestParamInfo<MoveCase> &info) { return std::string(info.param.name); });

TEST(MoveDrag, AltClonesTheSelectionInOneUndoStep)
{
    Desk desk;
    Obj *first = setUpBox(desk, {-30, 0, -10}, {-10, 20, 10});
    Obj *second = setUpBox(desk, {10, 0, -10}, {30, 20, 10});
    first->selected = second->selected = true;
    desk.startHistory();
    desk.editor.setMode(MouseMode::Move);
    const QPoint from = desk.pixelOf({20, 20, 0});

    const MouseEditor::Result result = desk.drag(from, from + QPoint(0, 80), Qt::AltModifier);

    EXPECT_TRUE(result.edited && result.selectionChanged);
    ASSERT_EQ(desk.project.objectCount(), 4);
    EXPECT_EQ(desk.steps(), 1);
    EXPECT_EQ(desk.fileOps.undoCaption(), "Clone");
    EXPECT_EQ(first->transform(), M44f()) << "the originals stay";
    EXPECT_FALSE(first->selected || second->selected);
    for (int i = 2; i < 4; ++i) {
        EXPECT_TRUE(desk.project.object(i)->selected);
        EXPECT_EQ(desk.project.object(i)->mesh(), desk.project.object(i - 2)->mesh()) << "copies share the mesh";
        EXPECT_GT(desk.project.object(i)->transform().translationPart().z, 10.0f) << "the copies moved towards us";
    }
    desk.fileOps.undo();
    EXPECT_EQ(desk.project.objectCount(), 2);
}

// ---- Rotate and scale: the drag turns or sizes the selection about its middle.

TEST(RotateDrag, SnapsToTheAngleStepAndShiftTurnsSnappingOff)
{
    struct Case {
        bool snapOption;
        Qt::KeyboardModifiers modifiers;
        float expectedDegrees; // 37 pixels at half a degree each
    };
    for (const Case &c : {Case{true, Qt::NoModifier, 15.0f}, Case{false, Qt::NoModifier, 18.5f},
                          Case{true, Qt::ShiftModifier, 18.5f}, Case{false, Qt::ShiftModifier, 15.0f}}) {
        Desk desk;
        Obj *obj = setUpBox(desk, {-10, 0, -10}, {10, 20, 10});
        desk.startHistory();
        desk.editor.setMode(MouseMode::Rotate);
        ViewOptions options;
        options.rotateAngleSnap = c.snapOption;
        options.rotateSnapStep = 15.0f;
        desk.editor.setOptions(options);
        const QPoint from = desk.pixelOf({0, 20, 0});
        desk.drag(from, from + QPoint(37, 0), c.modifiers);
        const V3f x = obj->transform().column(0);
        EXPECT_NEAR(std::atan2(-x.z, x.x) * 180 / kPi, c.expectedDegrees, 0.01) << c.snapOption;
        EXPECT_LT((obj->transform().mapPoint({0, 10, 0}) - V3f(0, 10, 0)).length(), 1e-4) << "turns about its middle";
        EXPECT_EQ(desk.fileOps.undoCaption(), "rotate");
        EXPECT_EQ(desk.steps(), 1);
    }
}

TEST(ScaleDrag, UniformOrAlongTheAxisTheDragFollows)
{
    struct Case {
        bool uniformOption;
        Qt::KeyboardModifiers modifiers;
        bool uniform;
    };
    for (const Case &c :
         {Case{true, Qt::NoModifier, true}, Case{true, Qt::ShiftModifier, false}, Case{false, Qt::NoModifier, false}}) {
        Desk desk;
        Obj *obj = setUpBox(desk, {-10, 0, -10}, {10, 20, 10});
        desk.startHistory();
        desk.editor.setMode(MouseMode::Scale);
        ViewOptions options;
        options.uniformScale = c.uniformOption;
        desk.editor.setOptions(options);
        const QPoint from = desk.pixelOf({0, 20, 0});
        desk.drag(from, from + QPoint(70, 0), c.modifiers);
        const Box3f box = obj->transformedBounds();
        const V3f size = box.max - box.min;
        EXPECT_NEAR(size.x, 20.0f * std::exp(0.7f), 0.05f) << "a drag to the right grows x";
        EXPECT_NEAR(size.y, c.uniform ? 20.0f * std::exp(0.7f) : 20.0f, 0.05f);
        EXPECT_NEAR(size.z, c.uniform ? 20.0f * std::exp(0.7f) : 20.0f, 0.05f);
        EXPECT_NEAR(box.min.y, 0.0f, 1e-4f) << "still standing on the plate";
        EXPECT_EQ(desk.fileOps.undoCaption(), "scale");
    }
}

// ---- Selection: clicks and rectangles with SHIFT and CTRL; none of them is an undo step.

struct SelectCase {
    const char *name;
    std::vector<bool> before;
    // A click on an object (its index), on the background (-1), or a rectangle around objects 0 and 1 (-2).
    int target;
    Qt::KeyboardModifiers modifiers;
    std::vector<bool> after;
};

// Cases print as their names in the test list.
void PrintTo(const SelectCase &c, std::ostream *os)
{
    *os << c.name;
}

class Selecting : public testing::TestWithParam<SelectCase>
{
};

TEST_P(Selecting, ClicksAndRectanglesSelectWithoutUndoSteps)
{
    const SelectCase &c = GetParam();
    Desk desk;
    const float xs[3] = {-60, 0, 70};
    for (int i = 0; i < 3; ++i)
        setUpBox(desk, {xs[i] - 10, 0, -10}, {xs[i] + 10, 20, 10})->selected = c.before[size_t(i)];
    desk.startHistory();
    for (MouseMode mode : {MouseMode::Select, MouseMode::Move}) {
        for (int i = 0; i < 3; ++i)
            desk.project.object(i)->selected = c.before[size_t(i)];
        desk.editor.setMode(mode);
        if (c.target == -2) {
            // From the air left of and above object 0 to the plate right of and below object 1.
            const QPoint from = desk.pixelOf({xs[0], 10, 0}) + QPoint(-60, -50);
            const QPoint to = desk.pixelOf({xs[1], 10, 0}) + QPoint(50, 40);
            desk.editor.press(desk.sample(from), c.modifiers, desk.camera, kViewport);
            desk.editor.move(desk.sample(to), c.modifiers, desk.camera, kViewport);
            EXPECT_EQ(desk.editor.mode(), MouseMode::DragSelect);
            ASSERT_TRUE(desk.editor.dragRect().has_value());
            desk.editor.release(desk.sample(to), c.modifiers, desk.camera, kViewport);
            EXPECT_EQ(desk.editor.mode(), mode);
        } else {
            const QPoint at = c.target >= 0 ? desk.pixelOf({xs[c.target], 20, 0}) : QPoint(400, 20);
            desk.click(at, c.modifiers);
        }
        for (int i = 0; i < 3; ++i)
            EXPECT_EQ(desk.project.object(i)->selected, c.after[size_t(i)]) << mouseModeName(mode) << " object " << i;
    }
    EXPECT_EQ(desk.steps(), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Clicks, Selecting,
    testing::Values(SelectCase{"ClickSelectsAlone", {true, false, true}, 1, Qt::NoModifier, {false, true, false}},
                    SelectCase{"ShiftAdds", {true, false, false}, 2, Qt::ShiftModifier, {true, false, true}},
                    SelectCase{"CtrlToggles", {true, false, true}, 2, Qt::ControlModifier, {true, false, false}},
                    SelectCase{"BackgroundClears", {true, true, false}, -1, Qt::NoModifier, {false, false, false}},
                    SelectCase{"RectangleReplaces", {false, false, true}, -2, Qt::NoModifier, {true, true, false}},
                    SelectCase{"ShiftRectangleAdds", {false, false, true}, -2, Qt::ShiftModifier, {true, true, true}},
                    SelectCase{
                        "CtrlRectangleToggles", {true, false, true}, -2, Qt::ControlModifier, {false, true, true}}),
    [](const testing::TestParamInfo<SelectCase> &info) { return std::string(info.param.name); });

// ---- Support bars by hand, under a bridge 40 mm above the plate, seen from below its edge.

struct BarCase {
    const char *name;
    // Pressed on the underside at `from` (x, z), released at `to`: the same point for a click, another
    // point on the plate for a drag.
    V3f from, to;
    Qt::KeyboardModifiers modifiers;
    bool created;
    V3f anchor, end; // of the new bar
};

// Cases print as their names in the test list.
void PrintTo(const BarCase &c, std::ostream *os)
{
    *os << c.name;
}

class HandBars : public testing::TestWithParam<BarCase>
{
};

struct BridgeDesk : Desk {
    BridgeDesk()
    {
        setUpBox(*this, {-30, 40, -20}, {30, 44, 20}); // the bridge
        camera = lookingFrom({0, 20, 90}, {0, 35, 0});
        editor.setSupport(true);
        ViewOptions options;
        options.barWidth = 2.0f;
        editor.setOptions(options);
        startHistory();
    }
};

TEST_P(HandBars, ClickAndDragPlaceBarsAsOneUndoStep)
{
    const BarCase &c = GetParam();
    BridgeDesk desk;
    const QPoint from = desk.pixelOf(c.from), to = desk.pixelOf(c.to);
    // Hovering shows the bar a click would place.
    desk.editor.move(desk.sample(from), Qt::NoModifier, desk.camera, kViewport);
    ASSERT_EQ(desk.editor.previewBar().has_value(), c.created);
    if (c.created)
        EXPECT_NEAR(desk.editor.previewBar()->anchor().y, 39.9f, 1e-3f);

    const MouseEditor::Result result = from == to ? desk.click(from, c.modifiers) : desk.drag(from, to, c.modifiers);

    ASSERT_EQ(desk.project.supportBars.size(), c.created ? 1 : 0);
    EXPECT_EQ(result.edited, c.created);
    EXPECT_EQ(desk.steps(), c.created ? 1 : 0);
    if (!c.created)
        return;
    EXPECT_EQ(desk.fileOps.undoCaption(), "SupportBar create");
    const SupportBarRecord &bar = desk.project.supportBars[0];
    // Within a pixel's reach on the surfaces, which the camera sees at a slant.
    EXPECT_LT((bar.anchor - c.anchor).length(), 1.5) << bar.anchor.x << " " << bar.anchor.y << " " << bar.anchor.z;
    EXPECT_LT((bar.end - c.end).length(), 1.5) << bar.end.x << " " << bar.end.y << " " << bar.end.z;
    EXPECT_EQ(bar.anchor.y, c.anchor.y);
    EXPECT_EQ(bar.end.y, c.end.y);
    if (c.anchor.x == c.end.x)
        EXPECT_TRUE(bar.anchor.x == bar.end.x && bar.anchor.z == bar.end.z) << "upright";
    EXPECT_EQ(bar.width, 2.0f);
    desk.fileOps.undo();
    EXPECT_EQ(desk.project.supportBars.size(), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Bars, HandBars,
    testing::Values(
        BarCase{"ClickDropsToThePlate", {5, 40, 10}, {5, 40, 10}, Qt::NoModifier, true, {5, 39.9f, 10}, {5, 0, 10}},
        BarCase{"DragToThePlateLeans", {5, 40, 10}, {25, 0, 30}, Qt::NoModifier, true, {5, 39.9f, 10}, {25, 0, 30}},
        BarCase{
            "ShiftDragStandsUpright", {5, 40, 10}, {25, 0, 30}, Qt::ShiftModifier, true, {5, 39.9f, 10}, {5, 0, 10}},
        // A wall makes no bar: its normal is level.
        BarCase{"ClickOnTheSideMakesNone", {5, 42, 20}, {5, 42, 20}, Qt::NoModifier, false, {}, {}}),
    [](const testing::TestParamInfo<BarCase> &info) { return std::string(info.param.name); });

TEST(HandBars, CtrlClickOnABarRemovesIt)
{
    BridgeDesk desk;
    desk.project.supportBars.append(SupportBarRecord{{-10, 39.9f, 5}, {-10, 0, 5}, 3.0f});
    desk.project.supportBars.append(SupportBarRecord{{15, 39.9f, 5}, {15, 0, 5}, 3.0f});
    desk.startHistory();
    const QPoint onBar = desk.pixelOf({15, 15, 6.5f});

    desk.editor.move(desk.sample(onBar), Qt::NoModifier, desk.camera, kViewport);
    EXPECT_EQ(desk.editor.hoveredBar(), 1);
    EXPECT_FALSE(desk.editor.barWouldBeRemoved());
    desk.editor.modifiersChanged(Qt::ControlModifier, desk.camera, kViewport);
    EXPECT_TRUE(desk.editor.barWouldBeRemoved());
    // A click without CTRL leaves bars alone.
    desk.click(onBar);
    EXPECT_EQ(desk.project.supportBars.size(), 2);

    const MouseEditor::Result result = desk.click(onBar, Qt::ControlModifier);

    EXPECT_TRUE(result.edited);
    ASSERT_EQ(desk.project.supportBars.size(), 1);
    EXPECT_EQ(desk.project.supportBars[0].anchor.x, -10.0f);
    EXPECT_EQ(desk.steps(), 1);
    EXPECT_EQ(desk.fileOps.undoCaption(), "SupportBar remove");
    desk.fileOps.undo();
    EXPECT_EQ(desk.project.supportBars.size(), 2);
}

} // namespace
