// The view's mouse on a real X server (Xvfb, Mesa): events go through the widget's own event filter,
// picking reads the depth pass the view draws, and colours are read back from the frame.
#include "geometry/faces.h"
#include "scene/fileops.h"
#include "scene/obj.h"
#include "scene/project.h"
#include "view/glviewer.h"
#include "view/mousestate.h"

#include <QApplication>
#include <QImage>
#include <QMouseEvent>
#include <QSignalSpy>
#include <QTest>
#include <QWheelEvent>
#include <cmath>
#include <gtest/gtest.h>

namespace
{

// A project with its undo history shown in a viewer that edits it, as the main window wires them.
struct Bench {
    Project project;
    FileOps fileOps;
    GlViewer viewer;

    Bench()
    {
        QObject::connect(&fileOps, &FileOps::fileOp,
                         [this](FileOpEnum op) { project.serveFileOp(op, fileOps.buffer()); });
        addBox({-60, 0, -15}, {-20, 30, 15});
        addBox({20, 0, -15}, {60, 20, 15});
        fileOps.chg("setup");
        viewer.setScene(&project, &fileOps);
        viewer.resize(480, 360);
        viewer.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&viewer));
    }
    void addBox(const V3f &min, const V3f &max)
    {
        Faces faces;
        faces.makeBox(Box3f{min, max});
        project.addMesh(faces, "box")->selected = false;
    }
    QPoint pixelOf(const V3f &point)
    {
        QPointF pixel;
        float distance = 0;
        EXPECT_TRUE(viewer.camera().project(point, viewer.size(), pixel, distance));
        return pixel.toPoint();
    }
    void mouse(QEvent::Type type, const QPoint &pos, Qt::MouseButton button, Qt::MouseButtons buttons,
               Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        QMouseEvent event(type, pos, viewer.mapToGlobal(pos), button, buttons, modifiers);
        QApplication::sendEvent(&viewer, &event);
    }
    void drag(const QPoint &from, const QPoint &to, Qt::MouseButton button,
              Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        mouse(QEvent::MouseButtonPress, from, button, button, modifiers);
        for (int step = 1; step <= 5; ++step)
            mouse(QEvent::MouseMove, from + (to - from) * step / 5, Qt::NoButton, button, modifiers);
        mouse(QEvent::MouseButtonRelease, to, button, Qt::NoButton, modifiers);
    }
    void wheel(const QPoint &pos, int notches)
    {
        QWheelEvent event(QPointF(pos), QPointF(viewer.mapToGlobal(pos)), QPoint(), QPoint(0, 120 * notches),
                          Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(&viewer, &event);
    }
    // Frames until the pixel stops changing: drawn colours glide towards their targets and arrive.
    QColor settledColor(const QPoint &pixel)
    {
        QColor previous;
        for (int frame = 0; frame < 400; ++frame) {
            const QColor now = viewer.grabFramebuffer().pixelColor(pixel);
            if (now == previous)
                return now;
            previous = now;
        }
        ADD_FAILURE() << "the colour never settled";
        return previous;
    }
};

TEST(ViewMouse, ClickSelectsTheObjectUnderThePixelWithoutAnUndoStep)
{
    Bench bench;
    QSignalSpy selection(&bench.viewer, &GlViewer::selectionChanged);
    QSignalSpy edits(&bench.viewer, &GlViewer::sceneEdited);
    const QPoint onSecond = bench.pixelOf({40, 20, 0});

    bench.mouse(QEvent::MouseButtonPress, onSecond, Qt::LeftButton, Qt::LeftButton);
    bench.mouse(QEvent::MouseButtonRelease, onSecond, Qt::LeftButton, Qt::NoButton);

    EXPECT_FALSE(bench.project.object(0)->selected);
    EXPECT_TRUE(bench.project.object(1)->selected);
    EXPECT_EQ(selection.count(), 1);
    EXPECT_EQ(edits.count(), 0);
    EXPECT_EQ(bench.fileOps.undoCount(), 1) << "only the setup";
    // Selected and under the cursor: the half-way mix of the selection and hover colours, lit.
    const QColor both = bench.settledColor(onSecond);
    EXPECT_GT(both.blue(), both.red() + 40) << both.name().toStdString();
    bench.mouse(QEvent::MouseMove, bench.pixelOf({-40, 30, 0}), Qt::NoButton, Qt::NoButton);
    EXPECT_EQ(bench.viewer.mouseEditor().hoveredObject(), 0);
    const QColor hovered = bench.settledColor(bench.pixelOf({-40, 30, 0}));
    const QColor selectedAlone = bench.settledColor(onSecond);
    EXPECT_GT(hovered.green(), hovered.red()) << "pale cyan under the cursor: " << hovered.name().toStdString();
    EXPECT_LT(selectedAlone.red(), both.red()) << "the selection alone is the deeper blue";
}

TEST(ViewMouse, DragMovesTheSelectionAndShiftPressedOnTheWaySnapsToAnAxis)
{
    Bench bench;
    bench.viewer.setMouseMode(MouseMode::Move);
    QSignalSpy edits(&bench.viewer, &GlViewer::sceneEdited);
    const QPoint from = bench.pixelOf({40, 20, 0});

    bench.drag(from, from + QPoint(40, 30), Qt::LeftButton);

    const V3f moved = bench.project.object(1)->transform().translationPart();
    EXPECT_GT(std::fabs(moved.x), 5.0f);
    EXPECT_GT(std::fabs(moved.z), 5.0f);
    EXPECT_EQ(moved.y, 0.0f);
    EXPECT_EQ(bench.project.object(0)->transform(), M44f());
    EXPECT_EQ(edits.count(), 1);
    EXPECT_EQ(bench.fileOps.undoCaption(), "move");

    // SHIFT pressed alone in the middle of the next drag: the key event reaches the mouse state and
    // the object snaps onto one axis before the button is released.
    const M44f before = bench.project.object(1)->transform();
    const QPoint start = bench.pixelOf(before.mapPoint({40, 20, 0}));
    bench.mouse(QEvent::MouseButtonPress, start, Qt::LeftButton, Qt::LeftButton);
    bench.mouse(QEvent::MouseMove, start + QPoint(50, 12), Qt::NoButton, Qt::LeftButton);
    QTest::keyPress(&bench.viewer, Qt::Key_Shift);
    const V3f snapped = bench.project.object(1)->transform().translationPart() - before.translationPart();
    EXPECT_GT(std::fabs(snapped.x), 5.0f);
    EXPECT_EQ(snapped.z, 0.0f);
    bench.mouse(QEvent::MouseButtonRelease, start + QPoint(50, 12), Qt::LeftButton, Qt::NoButton, Qt::ShiftModifier);
    QTest::keyRelease(&bench.viewer, Qt::Key_Shift);
    EXPECT_EQ(edits.count(), 2);
    EXPECT_EQ(bench.fileOps.undoCount(), 3);
}

TEST(ViewMouse, WheelZoomsTowardsThePickedPointAndButtonsTurnTheCamera)
{
    Bench bench;
    const V3f aim(-40, 30, 0); // the top of the first box
    const float before = float((bench.viewer.camera().position() - aim).length());

    bench.wheel(bench.pixelOf(aim), 2);

    Camera &camera = bench.viewer.camera();
    EXPECT_LT((camera.center - aim).length(), 1.5) << "the picked point is the new centre";
    EXPECT_NEAR((camera.position() - aim).length(), before * 0.85f * 0.85f, 2.0);

    // The middle button orbits about the centre, keeping the distance; the right button with SHIFT
    // pans, carrying the centre along.
    const V3f center = camera.center;
    const double distance = (camera.position() - center).length();
    const QPoint middle(240, 180);
    const V3f zoomed = camera.position();
    bench.drag(middle, middle + QPoint(60, 0), Qt::MiddleButton);
    EXPECT_GT((camera.position() - zoomed).length(), 5.0);
    EXPECT_NEAR((camera.position() - center).length(), distance, 0.01 * distance);
    EXPECT_EQ(camera.center, center);
    const V3f orbited = camera.position();
    bench.drag(middle, middle + QPoint(0, 40), Qt::RightButton, Qt::ShiftModifier);
    EXPECT_GT((camera.center - center).length(), 1.0);
    EXPECT_LT(((camera.position() - orbited) - (camera.center - center)).length(), 1e-3);
    EXPECT_EQ(bench.fileOps.undoCount(), 1) << "camera motion is not an edit";
}

// Picking through the depth texture ("DepthFill") finds the same points as the depth programs.
TEST(ViewMouse, DepthFillPicksTheSamePointsAsTheDepthPrograms)
{
    Bench direct;
    qputenv("TESSALINE_DEPTHFILL", "1");
    Bench filled;
    qunsetenv("TESSALINE_DEPTHFILL");
    ASSERT_FALSE(direct.viewer.depthFillActive());
    ASSERT_TRUE(filled.viewer.depthFillActive()) << "the platform offers no depth textures";
    for (const V3f &surface : {V3f(-40, 30, 0), V3f(40, 20, 15), V3f(-40, 15, 15), V3f(55, 5, 15)}) {
        const ViewPick a = direct.viewer.pickAt(direct.pixelOf(surface));
        const ViewPick b = filled.viewer.pickAt(filled.pixelOf(surface));
        ASSERT_TRUE(a.hasPoint && b.hasPoint);
        EXPECT_LT((a.point - b.point).length(), 1.0) << b.point.x << " " << b.point.y << " " << b.point.z;
        EXPECT_LT((b.point - surface).length(), 1.5);
        EXPECT_LT((b.point - b.hit.point).length(), 1.5);
    }
    EXPECT_FALSE(filled.viewer.pickAt(QPoint(5, 5)).hasPoint) << "the sky has no depth";
}

TEST(ViewMouse, SupportBarsLightUpUnderTheCursorAndRedWhenCtrlWouldRemoveThem)
{
    Bench bench;
    bench.project.supportBars.append(SupportBarRecord{{0, 25, 0}, {0, 0, 0}, 4.0f});
    bench.viewer.setSupportMode(true);
    const QPoint onBar = bench.pixelOf({0, 12, 2});
    const QColor plain = bench.viewer.grabFramebuffer().pixelColor(onBar);
    bench.mouse(QEvent::MouseMove, onBar, Qt::NoButton, Qt::NoButton);
    EXPECT_EQ(bench.viewer.mouseEditor().hoveredBar(), 0);
    const QColor hovered = bench.viewer.grabFramebuffer().pixelColor(onBar);
    EXPECT_GT(hovered.blue(), plain.blue() + 60)
        << "pale cyan, not the bars' yellow-green: " << hovered.name().toStdString();
    QTest::keyPress(&bench.viewer, Qt::Key_Control);
    const QColor removing = bench.viewer.grabFramebuffer().pixelColor(onBar);
    EXPECT_GT(removing.red(), removing.green() + 60) << removing.name().toStdString();
    EXPECT_GT(removing.red(), removing.blue() + 60) << removing.name().toStdString();
    QTest::keyRelease(&bench.viewer, Qt::Key_Control);
}

TEST(ViewMouse, TheSelectionRectangleIsDrawnWhileDragging)
{
    Bench bench;
    QSignalSpy selection(&bench.viewer, &GlViewer::selectionChanged);
    const QPoint inside(300, 40), from(200, 20), to(400, 300);
    const QColor sky = bench.viewer.grabFramebuffer().pixelColor(inside);
    bench.mouse(QEvent::MouseButtonPress, from, Qt::LeftButton, Qt::LeftButton);
    bench.mouse(QEvent::MouseMove, to, Qt::NoButton, Qt::LeftButton);
    EXPECT_EQ(bench.viewer.mouseMode(), MouseMode::DragSelect);
    EXPECT_EQ(bench.viewer.mouseState().mode, MouseMode::DragSelect);
    const QColor tinted = bench.viewer.grabFramebuffer().pixelColor(inside);
    EXPECT_NE(tinted, sky);
    EXPECT_GE(tinted.blue() - tinted.red(), sky.blue() - sky.red()) << "a blue veil over the sky";
    bench.mouse(QEvent::MouseButtonRelease, to, Qt::LeftButton, Qt::NoButton);
    EXPECT_TRUE(bench.project.object(1)->selected) << "its middle lies in the rectangle";
    EXPECT_GE(selection.count(), 2) << "during and after the drag";
    EXPECT_EQ(bench.viewer.grabFramebuffer().pixelColor(inside), sky);
}

TEST(ViewMouse, ATinyOrHiddenViewStillAnswers)
{
    Bench bench;
    bench.viewer.resize(1, 1);
    EXPECT_FALSE(bench.viewer.grabFramebuffer().isNull());
    bench.mouse(QEvent::MouseButtonPress, {0, 0}, Qt::LeftButton, Qt::LeftButton);
    bench.mouse(QEvent::MouseButtonRelease, {0, 0}, Qt::LeftButton, Qt::NoButton);
    bench.wheel({0, 0}, 1);
    EXPECT_TRUE(bench.viewer.lastError().isEmpty()) << bench.viewer.lastError().toStdString();
    bench.viewer.hide();
    bench.viewer.resize(480, 360);
    const ViewPick pick = bench.viewer.pickAt(bench.pixelOf({-40, 30, 0}));
    EXPECT_EQ(pick.hit.kind, PickHit::Object);
    // Never shown at all: the ray's hit stands in for the depth pass.
    Project project;
    FileOps fileOps;
    Faces faces;
    faces.makeBox(Box3f{{-10, 0, -10}, {10, 20, 10}});
    project.addMesh(faces, "box");
    GlViewer unseen;
    unseen.setScene(&project, &fileOps);
    unseen.resize(200, 200);
    QPointF pixel;
    float distance = 0;
    ASSERT_TRUE(unseen.camera().project({0, 20, 0}, unseen.size(), pixel, distance));
    const ViewPick ray = unseen.pickAt(pixel.toPoint());
    EXPECT_TRUE(ray.hasPoint);
    EXPECT_LT((ray.point - V3f(0, 20, 0)).length(), 1.5);
}

} // namespace
