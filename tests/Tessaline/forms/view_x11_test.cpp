// The 3D view in the main window on a real X server: the overlay buttons of every view where the
// table puts them, each running its command when clicked; the first start's welcome project on the
// plate; the camera kept across runs.
#include "common/ini.h"
#include "common/platform/paths.h"
#include "forms/frmmain.h"
#include "forms/frmoptions.h"
#include "forms/frmslicer.h"
#include "forms/frmslicersimple.h"
#include "forms/overlaycommands.h"
#include "scriptedprompts.h"
#include "testenvironment.h"
#include "view/glviewer.h"

#include <QApplication>
#include <QDir>
#include <QDragEnterEvent>
#include <QJsonDocument>
#include <QMimeData>
#include <QSignalSpy>
#include <QTest>
#include <QUrl>
#include <gtest/gtest.h>

namespace
{

void clearStore()
{
    Ini &ini = Ini::global();
    for (const QString &key : {"lastEditMode", "lastObjEditMode", "lastNonGCodeMode", "autoDrop", "viewStats",
                               "askForCheckUpdates", "cam", "lastProject"})
        ini.remove(key);
    ini.store();
    QFile::remove(QDir(testHomeDir()).filePath("box.stl"));
    // A window closed with an unnamed scene keeps it for the next start.
    QFile::remove(platform::dataDir() + "_lastUnsavedProject.tsprj");
}

QString boxFile()
{
    const QString path = QDir(testHomeDir()).filePath("box.stl");
    Faces box;
    box.makeBox(Box3f{V3f(-10, 0, -10), V3f(10, 20, 10)});
    box.exportFata(path, true);
    return path;
}

// A window as a user has it after adding one model: the first start is over, one object selected,
// one step to undo.
struct Window {
    std::unique_ptr<FrmMain> window;
    ScriptedPrompts *prompts = nullptr;

    Window()
    {
        clearStore();
        Ini::global().setInt("askForCheckUpdates", 0);
        window = std::make_unique<FrmMain>();
        auto scripted = std::make_unique<ScriptedPrompts>();
        prompts = scripted.get();
        window->setUserPrompts(std::move(scripted));
        window->setHostHandOver(QDir(testHomeDir()).filePath("handover"), "NoSuchHost", "/no/such/host");
        window->setGeometry(40, 40, 1400, 860);
        window->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(window.get()));
        window->onTimer();
        window->openPath(boxFile(), false);
    }
    ~Window()
    {
        window->frmOptions().hide();
        window->frmSlicer().hide();
        window->frmSlicerSimple().hide();
        window.reset();
        clearStore();
    }
    GlViewer &view() { return window->view(); }

    // What the commands change, in one line.
    QString state() const
    {
        return QString("mode=%1 view=%2 autoDrop=%3 stats=%4 objs=%5 options=%6 slicer=%7 label=%8 asked=[%9]")
            .arg(int(window->editMode()))
            .arg(int(window->viewMode()))
            .arg(window->autoDrop())
            .arg(window->viewStats())
            .arg(window->project().objectCount())
            .arg(window->frmOptions().isVisible())
            .arg(window->frmSlicer().isVisible() || window->frmSlicerSimple().isVisible())
            .arg(window->gcodeLabel())
            .arg(prompts->asked.join("|"));
    }
};

struct ButtonCase {
    ViewMode view;
    const char *button;
    const char *expected; // in the window's state after the click
    bool undoFirst = false;
};

std::string caseName(const testing::TestParamInfo<ButtonCase> &info)
{
    const char *views[] = {"Objects", "Support", "GCode"};
    std::string name = std::string(views[int(info.param.view)]) + "_";
    for (const char *c = info.param.button; *c; ++c)
        if (std::isalnum(static_cast<unsigned char>(*c)))
            name += *c;
    return name;
}

class OverlayButtonInWindow : public testing::TestWithParam<ButtonCase>
{
};

TEST_P(OverlayButtonInWindow, IsAtItsPlaceInItsColourAndRunsItsCommand)
{
    const ButtonCase &c = GetParam();
    Window w;
    const EditMode modeOfView[] = {EditMode::Move, EditMode::Support, EditMode::GCode};
    w.window->setEditMode(modeOfView[int(c.view)]);
    if (c.view == ViewMode::GCode)
        w.window->loadGCode(";segType:Infill\r\nG1 Z0.3 F3000\r\nG1 X-30 Y0\r\nG1 X30 Y0 E2.4\r\n",
                            QDir(testHomeDir()).filePath("part.gcode"));
    if (c.undoFirst)
        w.window->fileOps().undo();

    // The table's own entry: the button is in this view, on its edge.
    const OverlayButton *entry = nullptr;
    OverlayEdge edge = OverlayEdge::Left;
    for (const OverlayGroup &group : overlayGroups())
        for (const OverlayButton &b : group.buttons)
            if (group.viewMode == c.view && b.name == c.button)
                entry = &b, edge = group.edge;
    ASSERT_NE(entry, nullptr);
    const Btn *button = nullptr;
    for (const Btn *b : w.view().buttons().visibleButtons())
        if (b->name == c.button)
            button = b;
    ASSERT_NE(button, nullptr);
    const QSize size = w.view().size();
    const QRect rect = w.view().buttons().buttonRect(*button, size);
    switch (edge) {
    case OverlayEdge::Left:
        EXPECT_EQ(rect.left(), 8);
        break;
    case OverlayEdge::Right:
        EXPECT_EQ(rect.right(), size.width() - 9);
        break;
    case OverlayEdge::Top:
        EXPECT_EQ(rect.top(), 8);
        break;
    }

    const QImage frame = w.view().grabFramebuffer();
    ASSERT_TRUE(w.view().lastError().isEmpty()) << w.view().lastError().toStdString();
    const QColor plate = frame.pixelColor(rect.left() + 3, rect.center().y());
    const int hueDistance = std::abs(plate.hue() - entry->colour.hue());
    EXPECT_LT(std::min(hueDistance, 360 - hueDistance), 30) << plate.name().toStdString();

    QSignalSpy clicked(&w.view(), &GlViewer::buttonClicked);
    QTest::mouseClick(&w.view(), Qt::LeftButton, {}, rect.center());
    EXPECT_EQ(clicked.size(), 1);
    EXPECT_TRUE(w.state().contains(c.expected)) << w.state().toStdString();
}

const ButtonCase buttonCases[] = {
    {ViewMode::Objects, "New Proj", "objs=0"},
    {ViewMode::Objects, "Open", "Open Tessaline project]"},
    {ViewMode::Objects, "Save", "asked=[Save Tessaline project]"},
    {ViewMode::Objects, "SaveAs", "asked=[Save Tessaline project]"},
    {ViewMode::Objects, "Export", "asked=[Export object:box]"},
    {ViewMode::Objects, "Undo", "objs=0"},
    {ViewMode::Objects, "Redo", "objs=1", true},
    {ViewMode::Objects, "Add", "asked=[Open model]"},
    {ViewMode::Objects, "Remove", "objs=0"},
    {ViewMode::Objects, "Select", "mode=0 view=0"},
    {ViewMode::Objects, "Move", "mode=1 view=0"},
    {ViewMode::Objects, "Rotate", "mode=2 view=0"},
    {ViewMode::Objects, "Scale", "mode=3 view=0"},
    {ViewMode::Objects, "Drop plane", "mode=4 view=0"},
    {ViewMode::Objects, "Auto drop", "autoDrop=0"},
    {ViewMode::Objects, "Support", "mode=5 view=1"},
    {ViewMode::Objects, "Slice...", "slicer=1"},
    {ViewMode::Objects, "Options", "options=1"},
    {ViewMode::Support, "Undo", "objs=0"},
    {ViewMode::Support, "Redo", "objs=1", true},
    {ViewMode::Support, "Objects", "mode=1 view=0"},
    {ViewMode::Support, "GCode", "mode=6 view=2"},
    {ViewMode::Support, "Slice...", "slicer=1"},
    {ViewMode::Support, "Options", "options=1"},
    {ViewMode::GCode, "Support", "mode=5 view=1"},
    {ViewMode::GCode, "Objects", "mode=1 view=0"},
    {ViewMode::GCode, "GCode", "mode=6 view=2"},
    {ViewMode::GCode, "Stats", "stats=1"},
    {ViewMode::GCode, "Slice...", "slicer=1"},
    {ViewMode::GCode, "Clear", "label=Empty GCode"},
    {ViewMode::GCode, "Load", "asked=[Open GCode]"},
    {ViewMode::GCode, "Save", "asked=[Save GCode]"},
    {ViewMode::GCode, "Print", "asked=[The printer host"},
    {ViewMode::GCode, "Options", "options=1"},
};

INSTANTIATE_TEST_SUITE_P(EveryView, OverlayButtonInWindow, testing::ValuesIn(buttonCases), caseName);

// Every button of the table has its case above.
TEST(OverlayButtonInWindow, TheCasesCoverTheTable)
{
    int buttons = 0;
    for (const OverlayGroup &group : overlayGroups())
        buttons += group.buttons.size();
    EXPECT_EQ(buttons, int(std::size(buttonCases)));
}

// The first start shows the welcome project: its objects fall onto the plate (how they start is
// checked with the view alone), where their pixels then show the object colour.
TEST(WelcomeProject, FallsOntoThePlateAndShowsItsObjects)
{
    clearStore();
    auto window = std::make_unique<FrmMain>();
    window->setUserPrompts(std::make_unique<ScriptedPrompts>());
    window->setGeometry(40, 40, 1400, 860);
    // The first tick (the first start) comes before any frame, as it does in the program.
    window->onTimer();
    window->handleKeyPress("Esc"); // nothing selected: every object in the plain colour
    window->show();
    GlViewer &view = window->view();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    const Project &project = window->project();
    ASSERT_GE(project.objectCount(), 2);
    // Where the object's highest triangle lies on the screen (its top faces the light and the camera),
    // and what is drawn there.
    auto topPoint = [&](int i) {
        const Obj &obj = *project.object(i);
        V3f top(0, -1e9f, 0);
        for (int f = 0; f < obj.mesh()->count(); ++f) {
            const Face face = Faces::transformed((*obj.mesh())[f], obj.transform(), true);
            const V3f centre = (face.p[0] + face.p[1] + face.p[2]) * (1.0f / 3);
            if (face.n.y > 0.5f && centre.y > top.y)
                top = centre;
        }
        QPointF pixel;
        float distance = 0;
        EXPECT_TRUE(view.camera().project(top, view.size(), pixel, distance));
        return pixel.toPoint();
    };
    auto plain = [](const QColor &c) {
        return std::abs(c.red() - c.green()) < 20 && std::abs(c.green() - c.blue()) < 20 && c.lightness() > 150;
    };
    // The objects whose top the camera sees from its home view.
    QVector<QPoint> tops;
    for (int i = 0; i < project.objectCount(); ++i) {
        const QPoint top = topPoint(i);
        if (view.rect().contains(top))
            tops << top;
    }
    ASSERT_GE(tops.size(), 2);
    QImage frame;
    const bool landed = QTest::qWaitFor(
        [&] {
            frame = view.grabFramebuffer();
            return std::all_of(tops.begin(), tops.end(), [&](const QPoint &p) { return plain(frame.pixelColor(p)); });
        },
        10000);
    EXPECT_TRUE(landed);
    for (const QPoint &top : tops)
        EXPECT_TRUE(plain(frame.pixelColor(top))) << frame.pixelColor(top).name().toStdString();
    if (!qEnvironmentVariableIsEmpty("WINDOW_SCREENSHOT"))
        window->grab().save(qEnvironmentVariable("WINDOW_SCREENSHOT"));
    window.reset();
    clearStore();
}

// The camera left at close is the one the next window starts with; "Home" brings back the home view.
TEST(ViewCamera, IsStoredAtCloseAndRestoredByTheNextWindow)
{
    QJsonObject moved;
    {
        Window w;
        w.view().camera().orbit(0.4f, 0.2f);
        w.view().camera().zoomTowards(V3f(0, 0, 0), 0.5f);
        moved = w.view().camera().toJson();
        w.window->close();
        EXPECT_EQ(QJsonDocument::fromJson(Ini::global().getString("cam").toUtf8()).object(), moved);
        Ini::global().store();
        Ini::global().reload();
        FrmMain next;
        EXPECT_EQ(next.view().camera().toJson(), moved);
        EXPECT_TRUE(next.handleKeyPress("Home"));
        EXPECT_EQ(next.view().camera().toJson(), Camera().toJson());
    }
}

} // namespace

namespace
{

// The G-code view draws the beads where the printer puts them: the options' default printer has its
// 0,0 at the front left corner of a 200 mm plate, so X100 Y100 is the plate's centre and Y grows
// towards the back.
TEST(GCodeInWindow, BeadsLieWhereThePrinterPutsThem)
{
    Window w;
    w.window->runCommand("Remove"); // the added box would hide the beads
    w.window->loadGCode(";segType:Infill\r\nG1 Z0.3 F3000\r\nG1 X70 Y100\r\nG1 X130 Y100 E2.4\r\n"
                        ";segType:Support\r\nG1 X70 Y160\r\nG1 X130 Y160 E4.8\r\n",
                        QDir(testHomeDir()).filePath("centre.gcode"));
    ASSERT_EQ(w.window->viewMode(), ViewMode::GCode);
    const QImage frame = w.view().grabFramebuffer();
    ASSERT_TRUE(w.view().lastError().isEmpty()) << w.view().lastError().toStdString();
    auto pixelOf = [&](const V3f &p) {
        QPointF pixel;
        float distance = 0;
        EXPECT_TRUE(w.view().camera().project(p, w.view().size(), pixel, distance));
        return frame.pixelColor(pixel.toPoint());
    };
    const QColor infill = pixelOf(V3f(0, 0.3f, 0));
    EXPECT_GT(infill.green(), infill.red() + 60) << infill.name().toStdString();
    EXPECT_GT(infill.green(), infill.blue() + 60) << infill.name().toStdString();
    // Y160 is 60 mm behind the centre: scene z -60.
    const QColor support = pixelOf(V3f(0, 0.3f, -60));
    EXPECT_GT(support.blue(), support.red() + 60) << support.name().toStdString();
}

} // namespace

namespace
{

// A model dragged onto the window follows the cursor over the plate and stays where it is dropped,
// recorded as one change.
TEST(DropOnWindow, PlacesTheModelOnThePlatePointUnderTheCursor)
{
    Window w;
    const qint64 undoBefore = w.window->fileOps().undoSize();
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(boxFile())});
    auto windowPoint = [&](const V3f &onPlate) {
        QPointF pixel;
        float distance = 0;
        EXPECT_TRUE(w.view().camera().project(onPlate, w.view().size(), pixel, distance));
        return w.view().mapTo(w.window.get(), pixel.toPoint());
    };
    const QPoint enter = windowPoint(V3f(-40, 0, 20));
    QDragEnterEvent entered(enter, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(w.window.get(), &entered);
    ASSERT_EQ(w.window->project().objectCount(), 2);
    QDragMoveEvent moved(windowPoint(V3f(30, 0, -10)), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(w.window.get(), &moved);
    QDropEvent dropped(windowPoint(V3f(50, 0, 40)), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(w.window.get(), &dropped);

    ASSERT_EQ(w.window->project().objectCount(), 2);
    const Obj &added = *w.window->project().object(1);
    const Box3f box = added.mesh()->boundingBox(added.transform());
    // A pixel is about a millimetre at this distance.
    EXPECT_NEAR(box.center().x, 50.0f, 1.5f);
    EXPECT_NEAR(box.center().z, 40.0f, 1.5f);
    EXPECT_NEAR(box.min.y, 0.0f, 0.01f);
    EXPECT_GT(w.window->fileOps().undoSize(), undoBefore);
}

} // namespace
