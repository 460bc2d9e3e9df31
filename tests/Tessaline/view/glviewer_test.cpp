// The view on a real X server (Xvfb, Mesa): shaders as the driver compiles them and pixels as they
// are drawn.
#include "geometry/faces.h"
#include "scene/obj.h"
#include "scene/project.h"
#include "scene/supportbarrecord.h"
#include "thrownmessage.h"
#include "view/gcodeoverlay.h"
#include "view/gcodepreview.h"
#include "view/glshaders.h"
#include "view/glviewer.h"

#include "geometry/faces.h"
#include "view/iconatlas.h"

#include <QApplication>
#include <QImage>
#include <QMouseEvent>
#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QSignalSpy>
#include <QTest>
#include <cmath>
#include <gtest/gtest.h>

namespace
{

Faces boxMesh(const V3f &min, const V3f &max)
{
    Faces faces;
    faces.makeBox(Box3f{min, max});
    return faces;
}

Obj *addBox(Project &project, const V3f &min, const V3f &max)
{
    Obj *obj = project.addMesh(boxMesh(min, max), "box");
    obj->selected = false;
    return obj;
}

// A viewer of fixed size looking down at the plate from above the front edge.
struct ShownViewer {
    GlViewer viewer;
    explicit ShownViewer(const Project &project)
    {
        viewer.setProject(&project);
        viewer.resize(480, 360);
        viewer.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&viewer));
    }
    QImage frame()
    {
        const QImage image = viewer.grabFramebuffer();
        EXPECT_TRUE(viewer.lastError().isEmpty()) << viewer.lastError().toStdString();
        return image;
    }
    QPoint pixelOf(const V3f &point)
    {
        QPointF pixel;
        float distance = 0;
        EXPECT_TRUE(viewer.camera().project(point, viewer.size(), pixel, distance));
        return pixel.toPoint();
    }
};

// Every program on the context the view asks for (ES 2.0 where the platform has it) and on the
// desktop context it falls back to.
struct ShaderCase {
    QString program;
    bool desktop;
};

class ShaderProgram : public testing::TestWithParam<ShaderCase>
{
};

TEST_P(ShaderProgram, CompilesAndLinks)
{
    QSurfaceFormat format = GlViewer::preferredFormat();
    if (GetParam().desktop) {
        format.setRenderableType(QSurfaceFormat::OpenGL);
        format.setVersion(2, 1);
    }
    QOffscreenSurface surface;
    surface.setFormat(format);
    surface.create();
    QOpenGLContext context;
    context.setFormat(format);
    ASSERT_TRUE(context.create());
    ASSERT_TRUE(context.makeCurrent(&surface));
    ASSERT_EQ(context.isOpenGLES(), !GetParam().desktop && format.renderableType() == QSurfaceFormat::OpenGLES);
    const QString error = thrownMessage([&] { getShaderProgram(GetParam().program); });
    EXPECT_TRUE(error.isEmpty()) << error.toStdString();
    EXPECT_TRUE(error.isEmpty() && getShaderProgram(GetParam().program).isLinked());
    context.doneCurrent();
}

std::vector<ShaderCase> shaderCases()
{
    std::vector<ShaderCase> cases;
    for (bool desktop : {false, true})
        for (const QString &name : shaderProgramNames())
            cases.push_back({name, desktop});
    return cases;
}

INSTANTIATE_TEST_SUITE_P(Views, ShaderProgram, testing::ValuesIn(shaderCases()),
                         [](const testing::TestParamInfo<ShaderCase> &info) {
                             return (info.param.desktop ? "Desktop_" : "Preferred_") + info.param.program.toStdString();
                         });

TEST(ShaderProgramErrors, AMissingProgramThrowsTheShaderError)
{
    QOffscreenSurface surface;
    surface.create();
    QOpenGLContext context;
    context.setFormat(GlViewer::preferredFormat());
    ASSERT_TRUE(context.create() && context.makeCurrent(&surface));
    EXPECT_TRUE(
        thrownMessage([] { getShaderProgram("NoSuchProgram"); }).startsWith("getShaderProgram() shader error. "));
    context.doneCurrent();
}

// An object sticking out of the build volume: the part outside is painted the out-of-volume colour,
// the part inside keeps its shading.
struct OutsideCase {
    const char *name;
    V3f workArea;
    bool circular;
    V3f boxMin, boxMax;
    V3f insidePoint, outsidePoint; // on the box's surface, seen by the camera
};

class OutOfVolume : public testing::TestWithParam<OutsideCase>
{
};

TEST_P(OutOfVolume, OnlyTheOutsidePartIsMarked)
{
    const OutsideCase &c = GetParam();
    Project project;
    addBox(project, c.boxMin, c.boxMax);
    ShownViewer shown(project);
    shown.viewer.setWorkArea(c.workArea, c.circular);
    const QImage frame = shown.frame();
    const QColor outside = frame.pixelColor(shown.pixelOf(c.outsidePoint));
    const QColor inside = frame.pixelColor(shown.pixelOf(c.insidePoint));
    EXPECT_EQ(outside.rgb(), GlViewer::outsideColor.rgb()) << outside.name().toStdString();
    EXPECT_LT(std::abs(inside.red() - inside.green()), 24) << "inside must stay grey: " << inside.name().toStdString();
    EXPECT_GT(inside.green(), 80) << inside.name().toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    Volumes, OutOfVolume,
    testing::Values(
        // Across the right wall of a 200 mm box volume; the top face on both sides of x = 100.
        OutsideCase{"RightWall", {200, 200, 200}, false, {60, 0, -20}, {140, 30, 20}, {80, 30, 0}, {120, 30, 0}},
        // Through the ceiling: the front face below and above y = 60.
        OutsideCase{"Ceiling", {200, 60, 200}, false, {-20, 0, 60}, {20, 90, 80}, {0, 40, 80}, {0, 80, 80}},
        // A round volume: a box in the corner of the square around it sticks out of the circle.
        OutsideCase{"RoundCorner", {200, 200, 200}, true, {40, 0, 40}, {90, 20, 90}, {50, 20, 50}, {85, 20, 85}}),
    [](const testing::TestParamInfo<OutsideCase> &info) { return std::string(info.param.name); });

TEST(Picking, ReturnsTheObjectUnderThePixelAndThePointFromTheDepthPass)
{
    Project project;
    addBox(project, {-60, 0, -10}, {-20, 20, 10});
    addBox(project, {20, 0, -10}, {60, 40, 10});
    project.supportBars.append(SupportBarRecord{{0, 25, 0}, {0, 0, 0}, 4.0f});
    ShownViewer shown(project);
    const QImage frame = shown.frame();
    const QColor bar = frame.pixelColor(shown.pixelOf({0, 15, 2}));
    EXPECT_GT(bar.green(), bar.blue() + 60) << "support bars are yellow-green: " << bar.name().toStdString();
    struct Probe {
        V3f surfacePoint;
        PickHit::Kind kind;
        int index;
    };
    const Probe probes[] = {
        {{-40, 20, 0}, PickHit::Object, 0},
        {{40, 40, 0}, PickHit::Object, 1},
        {{40, 20, 10}, PickHit::Object, 1}, // front face of the taller box
        {{0, 15, 2}, PickHit::Bar, 0},
    };
    for (const Probe &probe : probes) {
        const ViewPick pick = shown.viewer.pickAt(shown.pixelOf(probe.surfacePoint));
        EXPECT_EQ(pick.hit.kind, probe.kind);
        EXPECT_EQ(pick.hit.index, probe.index);
        ASSERT_TRUE(pick.hasPoint);
        // A pixel is about a millimetre wide at this distance.
        EXPECT_LT((pick.point - probe.surfacePoint).length(), 1.5f)
            << pick.point.x << " " << pick.point.y << " " << pick.point.z;
        EXPECT_LT((pick.point - pick.hit.point).length(), 1.5f);
    }
    const ViewPick sky = shown.viewer.pickAt(QPoint(5, 5));
    EXPECT_EQ(sky.hit.kind, PickHit::Nothing);
    EXPECT_FALSE(sky.hasPoint);
}

// In the environment look, a face leaning further down than the support threshold turns blue.
struct SteepCase {
    const char *name;
    bool environment;
    float steepNormalY;
    bool blue;
};

class Overhang : public testing::TestWithParam<SteepCase>
{
};

TEST_P(Overhang, TurnsBlueBeyondTheSteepnessLimitInTheEnvironmentLook)
{
    // A square facing the camera and leaning over it (normal y = -0.4), above the plate.
    const V3f a(-20, 20, 10), b(20, 20, 10), top(20, 60, 27.45f), topLeft(-20, 60, 27.45f);
    Faces faces;
    faces.append(Face(a, b, top));
    faces.append(Face(a, top, topLeft));
    ASSERT_NEAR(faces[0].n.y, -0.4f, 0.01f);
    Project project;
    project.addMesh(faces, "overhang")->selected = false;
    ShownViewer shown(project);
    shown.viewer.setEnvironment(GetParam().environment, GetParam().steepNormalY);
    const QImage frame = shown.frame();
    const QColor face = frame.pixelColor(shown.pixelOf({0, 40, 18.7f}));
    EXPECT_EQ(face.blue() > face.red() + 30, GetParam().blue) << face.name().toStdString();
}

INSTANTIATE_TEST_SUITE_P(Looks, Overhang,
                         testing::Values(SteepCase{"BeyondTheLimit", true, std::cos(45 * 3.14159265f / 180) - 1, true},
                                         SteepCase{"NoLimitOutsideTheSupportView", true, -100.0f, false},
                                         SteepCase{"PlainLook", false, std::cos(45 * 3.14159265f / 180) - 1, false}),
                         [](const testing::TestParamInfo<SteepCase> &info) { return std::string(info.param.name); });

// G-code beads drawn from the lean lists at their layer's height in their type's colour, the legend's
// swatches in the colours of its key when it is on, and the read-out of the move under the mouse; with
// a printer whose 0,0 is the plate's front left corner and whose Y runs to the back, the same scene.
struct GCodeViewCase {
    const char *name;
    bool legend;
    bool machineCoordinates;
};

class GCodeView : public testing::TestWithParam<GCodeViewCase>
{
};

TEST_P(GCodeView, BeadsInTheirTypesColourAndTheLegendWhenOn)
{
    Project project;
    GCodePreview preview;
    if (GetParam().machineCoordinates)
        preview.build(";segType:Infill\r\nG1 Z0.3 F3000\r\nG1 X70 Y100\r\nG1 X130 Y100 E240\r\n"
                      ";segType:Support\r\nG1 Z10.3\r\nG1 X130 Y120\r\nG1 X70 Y120 E480\r\n");
    else
        preview.build(";segType:Infill\r\nG1 Z0.3 F3000\r\nG1 X-30 Y0\r\nG1 X30 Y0 E240\r\n"
                      ";segType:Support\r\nG1 Z10.3\r\nG1 X30 Y-20\r\nG1 X-30 Y-20 E480\r\n");
    ASSERT_EQ(preview.layerCount(), 2);
    ShownViewer shown(project);
    GCodeDrawOptions options;
    options.shown = true;
    options.topLayer = 1;
    options.additionalLayers = 1;
    options.showLegend = GetParam().legend;
    if (GetParam().machineCoordinates) {
        options.placement.translate(-100, 0, 100); // 200 mm plate, 0,0 at its front left corner
        options.placement.scale(1, 1, -1);
    }
    shown.viewer.setGCodePreview(&preview);
    shown.viewer.setGCodeOptions(options);
    const QImage frame = shown.frame();
    // G-code X and Y are the plate's x and z (placed); the layer's height is y.
    const QColor infill = frame.pixelColor(shown.pixelOf({0, 0.3f, 0}));
    EXPECT_GT(infill.green(), infill.red() + 60) << infill.name().toStdString();
    EXPECT_GT(infill.green(), infill.blue() + 60) << infill.name().toStdString();
    const QColor support = frame.pixelColor(shown.pixelOf({0, 10.3f, -20}));
    EXPECT_GT(support.blue(), support.red() + 60) << support.name().toStdString();
    const QColor besides = frame.pixelColor(shown.pixelOf({0, 0, 30}));
    EXPECT_LT(std::abs(besides.green() - besides.red()), 30)
        << "the plate stays grey: " << besides.name().toStdString();

    const QVector<LegendEntry> key = gcodeLegend(int(GCodeColoring::Type), HeatPalette());
    const GCodeLegendLayout legend = layoutGCodeLegend(key, shown.viewer.size(), QFontMetrics(gcodeOverlayFont()));
    ASSERT_EQ(legend.rows.size(), size_t(key.size()));
    int matching = 0;
    for (const GCodeLegendLayout::Row &row : legend.rows)
        matching += frame.pixelColor(row.swatch.center()) == QColor::fromRgb(row.entry.colour);
    EXPECT_EQ(matching, GetParam().legend ? key.size() : 0);

    // The mouse over the infill bead reads it out; off the beads there is nothing to read.
    auto moveTo = [&](const QPoint &pos) {
        QMouseEvent event(QEvent::MouseMove, pos, shown.viewer.mapToGlobal(pos), Qt::NoButton, Qt::NoButton,
                          Qt::NoModifier);
        QApplication::sendEvent(&shown.viewer, &event);
    };
    const QPoint onInfill = shown.pixelOf({10, 0.3f, 0});
    moveTo(onInfill);
    EXPECT_EQ(shown.viewer.hoveredGCodeSegment(), 1);
    EXPECT_EQ(shown.viewer.hoveredGCodeReadout(), "F: 50.0 mm/s  E: 4.0000 mm/mm  dE: 240.000 mm  Len: 60.00 mm");
    // Its dark panel below and right of the cursor, over what was the green bead's surroundings.
    const QSize text(QFontMetrics(gcodeOverlayFont()).horizontalAdvance(shown.viewer.hoveredGCodeReadout()), 10);
    const QRect panel = placeGCodeReadout(onInfill, text, shown.viewer.size());
    const QColor readout = shown.frame().pixelColor(panel.topLeft() + QPoint(1, 1));
    EXPECT_LT(readout.lightness(), 60) << readout.name().toStdString();
    moveTo(shown.pixelOf({0, 0, 30}));
    EXPECT_EQ(shown.viewer.hoveredGCodeSegment(), -1);
}

INSTANTIATE_TEST_SUITE_P(Legend, GCodeView,
                         testing::Values(GCodeViewCase{"LegendOn", true, false},
                                         GCodeViewCase{"LegendOff", false, false},
                                         GCodeViewCase{"MachineCoordinates", false, true}),
                         [](const testing::TestParamInfo<GCodeViewCase> &info) {
                             return std::string(info.param.name);
                         });

// A whole frame: the horizon of the sky at the top, the plate's grid under the objects, a selected
// object in blue. With VIEW_SCREENSHOT set the frame is kept as a picture for the documentation.
TEST(Frame, ShowsSkyPlateAndObjects)
{
    Project project;
    addBox(project, {-70, 0, -20}, {-30, 40, 20});
    Obj *chosen = addBox(project, {-10, 0, -15}, {20, 25, 15});
    addBox(project, {60, 0, -20}, {130, 30, 20});
    project.selectAll(false);
    chosen->selected = true;
    ShownViewer shown(project);
    shown.viewer.resize(800, 500);
    const QImage frame = shown.frame();
    if (!qEnvironmentVariableIsEmpty("VIEW_SCREENSHOT"))
        frame.save(qEnvironmentVariable("VIEW_SCREENSHOT"));
    EXPECT_GT(frame.pixelColor(400, 2).lightness(), 150) << "the pale horizon at the top edge";
    // Across the plate in front of the objects: the grid's lines are steps between neighbours, where
    // the plate's shading and fade alone change by a level at most.
    const int row = shown.pixelOf({0, 0, 60}).y();
    int steepestStep = 0;
    for (int x = 300; x < 500; ++x)
        steepestStep = std::max(
            steepestStep, std::abs(frame.pixelColor(x + 1, row).lightness() - frame.pixelColor(x, row).lightness()));
    EXPECT_GE(steepestStep, 4) << "no grid on the plate";
    const QColor top = frame.pixelColor(shown.pixelOf({5, 25, 0}));
    EXPECT_GT(top.blue(), top.red() + 40) << "a selected object is blue: " << top.name().toStdString();
    const QColor plain = frame.pixelColor(shown.pixelOf({-50, 40, 0}));
    EXPECT_LT(std::abs(plain.blue() - plain.red()), 16) << "a plain object is grey: " << plain.name().toStdString();
}

} // namespace

namespace
{

// The images the view reads, as the compiled resources hold them.
TEST(ViewResources, SizesAndRampsAsTheirReadersExpect)
{
    initViewResources();
    EXPECT_EQ(QImage(":/res/skydome.png").size(), QSize(2048, 512));
    EXPECT_FALSE(QImage(":/res/mmGrid.png").isNull());
    const QImage palette(":/res/heatPalette.png");
    for (int ramp = 0; ramp < HeatPalette::rampCount; ++ramp)
        EXPECT_TRUE(thrownMessage([&] { HeatPalette::fromImage(palette, ramp); }).isEmpty()) << ramp;
    // The first ramp runs from cold blue to hot red.
    const HeatPalette heat = HeatPalette::fromImage(palette, 0);
    EXPECT_EQ(QColor::fromRgb(heat.at(0.0f)), QColor(0, 0, 255));
    EXPECT_EQ(QColor::fromRgb(heat.at(1.0f)), QColor(255, 0, 0));
    EXPECT_EQ(QImage(":/res/icons.png").size(), QSize(IconAtlas::atlasSize, IconAtlas::atlasSize));
    EXPECT_EQ(QImage(":/res/logo.png").size(), QSize(512, 128));
    EXPECT_FALSE(QImage(":/res/logoRep.png").isNull());
    // The print head: a closed mesh standing on its nozzle's tip.
    Faces head;
    head.importFile(":/res/head.stl");
    ASSERT_GT(head.count(), 100);
    const Box3f box = head.boundingBox();
    EXPECT_NEAR(box.min.y, 0.0f, 0.01f);
    EXPECT_GT(box.max.y, 30.0f);
}

// Overlay buttons drawn from the atlas over the frame: each plate in its colour where the layout puts
// it, a click reported by name, a press taken back by releasing elsewhere.
TEST(OverlayButtons, DrawnInTheirColourAndClickedByName)
{
    Project project;
    ShownViewer shown(project);
    BtnSys &buttons = shown.viewer.buttons();
    BtnGrp &left = buttons.addGroup('l', 0);
    left.add("Red", QColor(0xBC2300), 18);
    left.add("Green", QColor(0x61BB00), 19);
    buttons.addGroup('t', 0).add("Blue", QColor(0x0046BA), 1);
    buttons.addGroup('r', 0).add("Violet", QColor(0xA700BF), 54);
    buttons.setSelected("Blue");
    const QImage frame = shown.frame();
    for (const Btn *button : buttons.visibleButtons()) {
        const QRect rect = buttons.buttonRect(*button, shown.viewer.size());
        // Beside the icon, inside the rounded plate.
        const QColor plate = frame.pixelColor(rect.left() + 3, rect.center().y());
        const int hueDistance = std::abs(plate.hue() - button->colour.hue());
        EXPECT_LT(std::min(hueDistance, 360 - hueDistance), 30)
            << button->name.toStdString() << " " << plate.name().toStdString();
        EXPECT_GT(plate.saturation(), 90) << button->name.toStdString() << " " << plate.name().toStdString();
        // The icon is white.
        int white = 0;
        for (int y = rect.top(); y <= rect.bottom(); ++y)
            for (int x = rect.left(); x <= rect.right(); ++x)
                white += frame.pixelColor(x, y).lightness() > 230;
        EXPECT_GT(white, 30) << button->name.toStdString();
    }

    QSignalSpy clicked(&shown.viewer, &GlViewer::buttonClicked);
    const QPoint green = buttons.buttonRect(left.button(1), shown.viewer.size()).center();
    EXPECT_TRUE(shown.viewer.overlayHit(green));
    EXPECT_FALSE(shown.viewer.overlayHit(QPoint(240, 200)));
    QTest::mouseClick(&shown.viewer, Qt::LeftButton, {}, green);
    ASSERT_EQ(clicked.size(), 1);
    EXPECT_EQ(clicked.first().first().toString(), "Green");
    QTest::mousePress(&shown.viewer, Qt::LeftButton, {}, green);
    QTest::mouseRelease(&shown.viewer, Qt::LeftButton, {}, QPoint(240, 200));
    EXPECT_EQ(clicked.size(), 1) << "released away from the button";

    // Another view shows another number of buttons from the same lists.
    buttons.addGroup('r', 1).add("Only", QColor(0xBE0093), 35);
    buttons.setViewMode(1);
    const QImage other = shown.frame();
    const QRect only = buttons.buttonRect(*buttons.visibleButtons().first(), shown.viewer.size());
    EXPECT_GT(other.pixelColor(only.left() + 3, only.center().y()).saturation(), 90);
}

// An object started from above is drawn there first and glides down to its place (the first start's
// fall); a view that stood still does not skip the glide.
TEST(Animation, AnObjectStartedAboveIsDrawnThereFirstAndLandsOnItsPlace)
{
    Project project;
    Obj *box = addBox(project, {-20, 0, -20}, {20, 30, 20});
    ShownViewer shown(project);
    shown.frame(); // the view stands still
    const QPoint onPlace = shown.pixelOf({0, 30, 0});
    const QColor landed = shown.frame().pixelColor(onPlace);
    shown.viewer.startFrom(box, M44f::translation(V3f(0, 60, 0)) * box->transform());
    const QImage first = shown.frame();
    EXPECT_NE(first.pixelColor(onPlace), landed) << "still above its place";
    const QColor raisedTop = first.pixelColor(shown.pixelOf({0, 90, 0}));
    EXPECT_LT(std::abs(raisedTop.red() - raisedTop.blue()), 16) << raisedTop.name().toStdString();
    EXPECT_GT(raisedTop.lightness(), 150) << raisedTop.name().toStdString();
    EXPECT_TRUE(QTest::qWaitFor([&] { return shown.frame().pixelColor(onPlace) == landed; }, 10000));
}

// A frame that fails is reported once however often the view repaints; after a frame that draws, the
// next failure is reported again.
TEST(OverlayButtons, AFailedFrameIsReportedOnceAndTheNextFrameTriesAgain)
{
    Project project;
    ShownViewer shown(project);
    BtnSys &buttons = shown.viewer.buttons();
    buttons.addGroup('l', 0).add("Open", Qt::green, 19);
    buttons.setAtlas("missingIcons.png");
    QSignalSpy failed(&shown.viewer, &GlViewer::frameFailed);
    for (int i = 0; i < 3; ++i)
        shown.viewer.grabFramebuffer();
    EXPECT_EQ(shown.viewer.lastError(), "Fatal error: BtnSys::prepareImage() file not found");
    EXPECT_TRUE(failed.wait(2000));
    EXPECT_EQ(failed.size(), 1);
    buttons.setAtlas("icons.png");
    shown.frame();
    buttons.setSelected("Open"); // a left-edge button has no selected look
    shown.viewer.grabFramebuffer();
    EXPECT_EQ(shown.viewer.lastError(), "Btn::draw() selected: not inmplemented on this edge");
    EXPECT_TRUE(failed.wait(2000));
    ASSERT_EQ(failed.size(), 2);
    EXPECT_EQ(failed.last().first().toString(), "Btn::draw() selected: not inmplemented on this edge");
}

} // namespace

// Clipping keeps one side of a plane; culling the back faces keeps every face that looks at the camera.
TEST(ObjectLook, ClippingHidesThePartBeyondThePlaneAndCullingKeepsTheVisibleFaces)
{
    Project empty;
    ShownViewer background(empty);
    Project project;
    addBox(project, {-60, 0, -10}, {-20, 20, 10});
    addBox(project, {20, 0, -10}, {60, 40, 10});
    ShownViewer shown(project);
    const QPoint left = shown.pixelOf({-40, 20, 0}), right = shown.pixelOf({40, 40, 0}),
                 rightFront = shown.pixelOf({40, 20, 10});
    const QImage empties = background.frame();
    auto distance = [](const QColor &a, const QColor &b) {
        return std::abs(a.red() - b.red()) + std::abs(a.green() - b.green()) + std::abs(a.blue() - b.blue());
    };

    shown.viewer.setObjectLook(false, true);
    const QImage whole = shown.frame();
    for (const QPoint &p : {left, right, rightFront})
        ASSERT_GT(distance(whole.pixelColor(p), empties.pixelColor(p)), 30) << "an object is drawn there";

    shown.viewer.setObjectLook(false, false);
    const QImage culled = shown.frame();
    for (const QPoint &p : {left, right, rightFront})
        EXPECT_LE(distance(culled.pixelColor(p), whole.pixelColor(p)), 6) << "a visible face was culled";

    ClipRecord clip;
    clip.enabled = true;
    clip.side[0] = 1; // keep x <= 0
    shown.viewer.setClip(clip);
    const QImage clipped = shown.frame();
    EXPECT_LE(distance(clipped.pixelColor(left), whole.pixelColor(left)), 6);
    for (const QPoint &p : {right, rightFront})
        EXPECT_LE(distance(clipped.pixelColor(p), empties.pixelColor(p)), 12) << "the cut-off part is gone";
    const ViewPick pick = shown.viewer.pickAt(right);
    EXPECT_FALSE(pick.hasPoint && pick.point.y > 1.0f) << "the depth pass is clipped too";
    shown.viewer.setClip(ClipRecord());
}
