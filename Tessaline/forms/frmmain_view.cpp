// The 3D view in the main window: its overlay buttons (from the overlay table, running the command
// table), its look from the options, the camera kept across runs, the G-code beads, the first start's
// falling objects and the placing of dragged models.
#include "forms/frmmain.h"
#include "ui_frmmain.h"

#include "common/gui/exceptionreport.h"
#include "common/ini.h"
#include "forms/clippingpanel.h"
#include "forms/frmoptions.h"
#include "forms/keyframespanel.h"
#include "forms/objectpanel.h"
#include "forms/overlaycommands.h"
#include "forms/scenesession.h"
#include "forms/supportpanel.h"
#include "view/gcodepreview.h"
#include "view/gcodevertices.h"
#include "view/glshaders.h"
#include "view/glviewer.h"

#include <QJsonDocument>
#include <QtMath>

namespace
{

// The first start lets the welcome project's objects fall from this far above each other (mm).
constexpr float kFallHeightStep = 300.0f;
// The size of a hand-placed support bar: each step of the panel's bar size adds this much width (mm).
constexpr float kBarWidthPerScaleStep = 0.5f;
// Steepness that marks no face.
constexpr float kNoSteepness = -100.0f;

char edgeLetter(OverlayEdge edge)
{
    switch (edge) {
    case OverlayEdge::Left:
        return 'l';
    case OverlayEdge::Top:
        return 't';
    default:
        return 'r';
    }
}

} // namespace

void FrmMain::createView()
{
    initViewResources();
    m_view = new GlViewer(ui->viewHost);
    m_view->setObjectName("glViewer");
    ui->viewHostLayout->addWidget(m_view, 1);
    m_view->setScene(&m_session->project(), &m_session->fileOps());
    createOverlayButtons();
    connectMouseEdits();
    connect(m_view, &GlViewer::buttonClicked, this, &FrmMain::runCommand);
    connect(m_view, &GlViewer::frameFailed, this, [](const QString &message) { handleException(message); });
    connect(m_session.get(), &SceneSession::sceneChanged, m_view, QOverload<>::of(&QWidget::update));
    connect(m_supportPanel, &SupportPanel::minSteepnessChanged, this, &FrmMain::applyViewOptions);
    connect(m_frmOptions, &QDialog::finished, this, &FrmMain::applyViewOptions);
    connect(m_clippingPanel, &ClippingPanel::clipChanged, m_view, &GlViewer::setClip);
    m_view->setGCodePreview(&m_preview);
    connect(m_gcodePanel, &GCodePanel::lineChanged, this,
            [this](int line) { m_view->setLineCursor(m_preview.segmentAtLine(line)); });
    m_view->setClip(m_clippingPanel->record());
    applyCamera(Ini::global().getString("cam"));
    applyViewOptions();
    m_keyFramesPanel->setView({[this] { return m_view->camera(); },
                               [this](const Camera &camera) {
                                   m_view->camera() = camera;
                                   m_view->update();
                               },
                               [this] { return m_view->grabFramebuffer(); }});
}

void FrmMain::connectMouseEdits()
{
    connect(m_view, &GlViewer::sceneEdited, m_session.get(), &SceneSession::edited);
    connect(m_view, &GlViewer::selectionChanged, m_session.get(), &SceneSession::changed);
    // Undo, redo, opening and the panels' commands replace what a drag in progress would hold on to.
    connect(m_session.get(), &SceneSession::sceneChanged, m_view, &GlViewer::sceneReplaced);
    connect(m_objectPanel, &ObjectPanel::snapChanged, this, &FrmMain::applyMouseOptions);
    connect(m_supportPanel, &SupportPanel::barScaleChanged, this, &FrmMain::applyMouseOptions);
    applyMouseOptions();
}

void FrmMain::applyMouseOptions()
{
    ViewOptions options = m_view->viewOptions();
    options.rotateAngleSnap = m_objectPanel->angleSnap(0) > 0;
    if (options.rotateAngleSnap)
        options.rotateSnapStep = float(m_objectPanel->angleSnap(0));
    options.dropAngleSnap = m_objectPanel->angleSnap(1) > 0;
    if (options.dropAngleSnap)
        options.dropSnapStep = float(m_objectPanel->angleSnap(1));
    options.barWidth = float(m_supportPanel->barScale()) * kBarWidthPerScaleStep;
    m_view->setViewOptions(options);
}

void FrmMain::applyMouseMode()
{
    static const MouseMode modes[] = {MouseMode::Select, MouseMode::Move, MouseMode::Rotate, MouseMode::Scale,
                                      MouseMode::DropPlane};
    const int mode = int(m_editMode);
    m_view->setSupportMode(m_editMode == EditMode::Support);
    // The support and G-code views select with the left button, as Select does.
    m_view->setMouseMode(mode >= 0 && mode < 5 ? modes[mode] : MouseMode::Select);
}

void FrmMain::createOverlayButtons()
{
    // One view group per run of the table's buttons along an edge; a gap in the table starts a group.
    BtnSys &buttons = m_view->buttons();
    for (const OverlayGroup &group : overlayGroups()) {
        BtnGrp *current = nullptr;
        for (const OverlayButton &button : group.buttons) {
            if (!current || button.groupStart)
                current = &buttons.addGroup(edgeLetter(group.edge), int(group.viewMode));
            current->add(button.name, button.colour, button.icon, button.flags);
        }
    }
}

void FrmMain::applyViewOptions()
{
    const FrmOptions::ViewLook look = m_frmOptions->viewLook();
    const MachineRecord machine = m_frmOptions->machineRecord();
    m_view->setWorkArea(V3f(machine.buildWidth, machine.buildHeight, machine.buildDepth), look.circularPlatform);
    const bool environment = m_viewMode == ViewMode::GCode ? look.gcodeEnvMap : look.editorEnvMap;
    const int steepness = m_supportPanel->minSteepness();
    const float steepNormalY = m_editMode == EditMode::Support && steepness > 0
                                   ? float(std::cos(steepness * M_PI / 180.0) - 1.0)
                                   : kNoSteepness;
    m_view->setEnvironment(environment, steepNormalY);
    m_view->setObjectLook(look.transparentObjects, look.showBackFaces);
    showPreviewInView();
}

void FrmMain::applyCamera(const QString &text)
{
    if (text.isEmpty())
        return; // the camera's home view
    const QJsonDocument json = QJsonDocument::fromJson(text.toUtf8());
    if (json.isObject())
        m_view->camera().fromJson(json.object());
}

QString FrmMain::cameraText() const
{
    return QString::fromUtf8(QJsonDocument(m_view->camera().toJson()).toJson(QJsonDocument::Compact));
}

void FrmMain::showViewMode()
{
    BtnSys &buttons = m_view->buttons();
    buttons.setViewMode(int(m_viewMode));
    // Only the modes' own buttons (along the top) show as selected.
    const QString name = editModeName(m_editMode);
    bool shown = false;
    for (const Btn *button : buttons.visibleButtons())
        shown = shown || (button->name == name && button->group().edge() == 't');
    buttons.setSelected(shown ? name : QString());
    applyMouseMode();
    applyViewOptions();
    showPreviewInView();
    m_view->update();
}

void FrmMain::dropObjectsInView()
{
    const Project &project = m_session->project();
    for (int i = 0; i < project.objectCount(); ++i) {
        const Obj *obj = project.object(i);
        const M44f raised = M44f::translation(V3f(0, kFallHeightStep * float(i), 0)) * obj->transform();
        m_view->startFrom(obj, raised);
    }
}

void FrmMain::placeDraggedModels(const QPoint &windowPos)
{
    Project &project = m_session->project();
    const QPoint at = m_view->mapFrom(this, windowPos);
    if (m_draggedModels == 0 || project.selectedCount() == 0 || !m_view->rect().contains(at))
        return;
    V3f origin, target;
    m_view->camera().pixelRay(QPointF(at) + QPointF(0.5, 0.5), m_view->size(), origin, target);
    const V3f direction = target - origin;
    // Where the ray meets the plate; a ray that runs level or upwards never does.
    if (direction.y >= -1e-6f || origin.y <= 0.0f)
        return;
    const float t = -origin.y / direction.y;
    const V3f onPlate = origin + direction * t;
    const Box3f bounds = project.selectionBounds();
    const V3f centre = (bounds.min + bounds.max) * 0.5f;
    project.applyToSelection(M44f::translation(V3f(onPlate.x - centre.x, 0, onPlate.z - centre.z)));
    m_session->changed();
}
