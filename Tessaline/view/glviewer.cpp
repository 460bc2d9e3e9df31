#include "view/glviewer.h"

#include "geometry/faces.h"
#include "scene/obj.h"
#include "scene/project.h"
#include "view/animation.h"
#include "view/depthfill.h"
#include "view/glshaders.h"
#include "view/mousestate.h"

#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QOpenGLFramebufferObject>
#include <QOpenGLFunctions>
#include <QtDebug>
#include <cmath>
#include <unordered_set>

const QColor GlViewer::plainColor = QColor(0xCC, 0xCC, 0xCC);
const QColor GlViewer::selectedColor = QColor(0x3F, 0xBE, 0xF2);
const QColor GlViewer::barColor = QColor(0xC0, 0xFF, 0x30);
const QColor GlViewer::outsideColor = QColor(0xFF, 0x30, 0x20);

namespace
{

// Meshes beyond this are cut short on upload; with the shading variation every triangle is kept.
constexpr int kMaxUploadedTriangles = 4000000;
constexpr float kShadeVariation = 0.14f;
constexpr float kPlateHalfSize = 300.0f;
// One repeat of the grid texture, mm.
constexpr float kGridRepeat = 10.0f;
constexpr float kSkyRadius = 8000.0f;
constexpr float kSeeThroughAlpha = 0.5f;

QOpenGLFunctions &gl()
{
    return *QOpenGLContext::currentContext()->functions();
}

void appendV3(std::vector<float> &out, const V3f &v)
{
    out.push_back(v.x);
    out.push_back(v.y);
    out.push_back(v.z);
}

// Flat regions show their facets when each triangle's normal leans a little, one of eight ways.
V3f shadeOffset(int triangle)
{
    const int k = triangle % 8;
    V3f offset(0, 0, 0);
    const float amount = (k / 3) % 2 == 0 ? kShadeVariation : -kShadeVariation;
    if (k % 3 == 0)
        offset.x = amount;
    else if (k % 3 == 1)
        offset.y = amount;
    else
        offset.z = amount;
    return offset;
}

QSurfaceFormat baseFormat()
{
    QSurfaceFormat format;
    format.setDepthBufferSize(24);
    format.setAlphaBufferSize(8);
    format.setSamples(0);
    return format;
}

} // namespace

void uploadFaces(GLList &list, const Faces &mesh, bool capped)
{
    const int n = capped ? std::min(mesh.count(), kMaxUploadedTriangles) : mesh.count();
    std::vector<float> vertices, normals;
    vertices.reserve(size_t(n) * 9);
    normals.reserve(size_t(n) * 9);
    for (int i = 0; i < n; ++i) {
        const Face &face = mesh[i];
        V3f normal = face.n;
        if (mesh.shadeVariation)
            normal = (normal + shadeOffset(i)).normalized();
        for (const V3f &p : face.p) {
            appendV3(vertices, p);
            appendV3(normals, normal);
        }
    }
    list.setBuffer(GLList::Vertex, vertices, 3);
    list.setBuffer(GLList::Normal, normals, 3);
}

QSurfaceFormat GlViewer::preferredFormat()
{
    static const QSurfaceFormat chosen = [] {
        QSurfaceFormat es = baseFormat();
        es.setRenderableType(QSurfaceFormat::OpenGLES);
        es.setVersion(2, 0);
        QOpenGLContext probe;
        probe.setFormat(es);
        if (probe.create() && probe.isOpenGLES())
            return es;
        QSurfaceFormat desktop = baseFormat();
        desktop.setRenderableType(QSurfaceFormat::OpenGL);
        desktop.setVersion(2, 1);
        return desktop;
    }();
    return chosen;
}

GlViewer::GlViewer(QWidget *parent) : QOpenGLWidget(parent)
{
    initViewResources();
    setFormat(preferredFormat());
    setMinimumSize(64, 64);
    m_mouse = new MouseState(this);
    installEventFilter(m_mouse);
    connect(m_mouse, &MouseState::mouseChanged, this, &GlViewer::onMouseChanged);
    // Hover colours and the bar preview follow the cursor without a button held.
    setMouseTracking(true);
    setFocusPolicy(Qt::ClickFocus);
    initOverlay();
}

GlViewer::~GlViewer()
{
    if (context()) {
        // The base class destroys the context after this object is gone.
        disconnect(context(), nullptr, this, nullptr);
        makeCurrent();
        releaseLists();
        doneCurrent();
    }
}

void GlViewer::releaseLists()
{
    m_meshLists.clear();
    m_bars.reset();
    m_plate.reset();
    m_sky.reset();
    m_gcodeDrawing->releaseGL();
    m_hoverBar.reset();
    m_dragRectList.reset();
    m_depthQuad.reset();
    m_gridTexture = Texture("mmGrid.png");
    m_skyTexture = Texture("skydome.png");
    releaseOverlay();
}

void GlViewer::setProject(const Project *project)
{
    m_project = project;
    m_editor.setScene(nullptr, nullptr);
    update();
}

void GlViewer::setWorkArea(const V3f &size, bool circular)
{
    m_workArea = size;
    m_circular = circular;
    update();
}

void GlViewer::setObjectLook(bool transparent, bool backFaces)
{
    m_transparentObjects = transparent;
    m_showBackFaces = backFaces;
    update();
}

void GlViewer::setClip(const ClipRecord &clip)
{
    V3f low, high;
    clip.keptBox(low, high);
    // The shaders compare floats: "everything" stays a finite box far beyond the scene.
    const float far = 1e9f;
    m_clipLow = QVector3D(qMax(low.x, -far), qMax(low.y, -far), qMax(low.z, -far));
    m_clipHigh = QVector3D(qMin(high.x, far), qMin(high.y, far), qMin(high.z, far));
    glMatrices().clipLow = m_clipLow;
    glMatrices().clipHigh = m_clipHigh;
    update();
}

void GlViewer::setEnvironment(bool on, float steepNormalY)
{
    m_environment = on;
    m_steepNormalY = steepNormalY;
    update();
}

void GlViewer::meshChanged(const Faces *mesh)
{
    if (m_meshLists.count(mesh) == 0)
        return;
    makeCurrent();
    m_meshLists.erase(mesh);
    doneCurrent();
    update();
}

void GlViewer::initializeGL()
{
    // TESSALINE_DEPTHFILL=1 is a developer switch: it sends picking through the depth-texture path
    // on platforms without GL_ANGLE_depth_texture (Mesa), so that the path can be tried and tested.
    const bool asked = hasAngleDepthTexture() || qEnvironmentVariableIntValue("TESSALINE_DEPTHFILL") == 1;
    m_depthFill = asked && depthTexturesSupported();
    connect(context(), &QOpenGLContext::aboutToBeDestroyed, this, [this] {
        makeCurrent();
        releaseLists();
        doneCurrent();
    });
}

void GlViewer::resizeGL(int, int) {}

void GlViewer::paintGL()
{
    try {
        drawFrame();
        drawOverlay();
        m_lastError.clear();
    } catch (const char *text) {
        m_lastError = QString::fromUtf8(text);
    } catch (const QString &text) {
        m_lastError = text;
    }
    reportFrame(m_lastError);
}

void GlViewer::setupMatrices()
{
    const QSize viewport(int(width() * devicePixelRatioF()), int(height() * devicePixelRatioF()));
    GLMatrices &m = glMatrices();
    m.model.setToIdentity();
    m.view = m_camera.viewMatrix();
    m.projection = m_camera.projectionMatrix(viewport);
    // Above the camera and a little to its right: tops brightest, fronts and right sides lit less, so
    // that the faces of a box read apart.
    m.ecLightPos = QVector3D(80, 250, 250);
}

bool GlViewer::animate()
{
    // A frame after the view stood still starts the glide (dt 0) instead of arriving at once.
    float dt = m_frameTimer.isValid() ? float(m_frameTimer.restart()) / 1000.0f : 1.0f;
    if (!m_frameTimer.isValid())
        m_frameTimer.start();
    if (!m_wasMoving)
        dt = 0.0f;
    bool moving = false;
    std::unordered_map<const Obj *, Drawn> drawn;
    for (int i = 0; m_project && i < m_project->objectCount(); ++i) {
        const Obj *obj = m_project->object(i);
        const QColor target = targetColor(i, *obj);
        auto found = m_drawn.find(obj);
        // A new object appears where it is, in its colour.
        Drawn next{target, obj->transform()};
        if (found != m_drawn.end())
            next = {approachColor(found->second.color, target, dt),
                    approachTransform(found->second.transform, obj->transform(), dt)};
        moving = moving || next.color != target || next.transform != obj->transform();
        drawn.emplace(obj, next);
    }
    m_drawn.swap(drawn);
    m_wasMoving = moving;
    return moving;
}

void GlViewer::drawFrame()
{
    QElapsedTimer clock;
    clock.start();
    const bool moving = animate();
    dropUnusedMeshLists();
    setupMatrices();
    QOpenGLFunctions &f = gl();
    f.glClearColor(0.12f, 0.14f, 0.18f, 1.0f);
    f.glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    f.glDisable(GL_CULL_FACE);
    drawSky();
    f.glEnable(GL_DEPTH_TEST);
    f.glDepthFunc(GL_LEQUAL);
    const QString objectProgram = m_environment ? "PhongEnv" : "Phong";
    if (m_project)
        drawObjects(objectProgram, true, false);
    drawPlate();
    drawLogo();
    if (m_project) {
        drawObjects(objectProgram, false, false);
        drawObjects(m_circular ? "OutsideCircular" : "Outside", false, false);
        drawBars(objectProgram);
        drawHoveredBars(objectProgram);
    }
    drawGCode();
    drawDragRect();
    drawGCodeOverlays();
    m_timeRenderUs = clock.nsecsElapsed() / 1000;
    if (moving)
        update();
}

void GlViewer::drawSky()
{
    if (!m_sky) {
        m_sky = std::make_unique<GLList_ColorUVTex>();
        const int columns = 48, rows = 24;
        std::vector<float> vertices, uvs;
        auto corner = [&](int i, int j) {
            const float u = float(i) / columns, v = float(j) / rows;
            const float lon = (u - 0.5f) * 2.0f * float(M_PI), lat = (v - 0.5f) * float(M_PI);
            appendV3(vertices,
                     V3f(std::sin(lon) * std::cos(lat), std::sin(lat), std::cos(lon) * std::cos(lat)) * kSkyRadius);
            uvs.push_back(u);
            uvs.push_back(v);
        };
        for (int j = 0; j < rows; ++j)
            for (int i = 0; i < columns; ++i) {
                corner(i, j), corner(i + 1, j), corner(i + 1, j + 1);
                corner(i, j), corner(i + 1, j + 1), corner(i, j + 1);
            }
        m_sky->setBuffer(GLList::Vertex, vertices, 3);
        m_sky->setBuffer(GLList::TexCoord, uvs, 2);
    }
    GLMatrices &m = glMatrices();
    pushMatrix(ModelMatrix);
    const V3f eye = m_camera.position();
    m.model.setToIdentity();
    m.model.translate(eye.x, eye.y, eye.z);
    gl().glDisable(GL_DEPTH_TEST);
    gl().glDepthMask(GL_FALSE);
    m_skyTexture.bind(0);
    m_sky->drawPass();
    gl().glDepthMask(GL_TRUE);
    popMatrix(ModelMatrix);
}

void GlViewer::drawPlate()
{
    if (!m_plate) {
        m_plate = std::make_unique<GLList_Ground>();
        const float s = kPlateHalfSize;
        const V3f corners[6] = {{-s, 0, -s}, {s, 0, s}, {s, 0, -s}, {-s, 0, -s}, {-s, 0, s}, {s, 0, s}};
        std::vector<float> vertices, normals;
        for (const V3f &c : corners) {
            appendV3(vertices, c);
            appendV3(normals, V3f(0, 1, 0));
        }
        m_plate->setBuffer(GLList::Vertex, vertices, 3);
        m_plate->setBuffer(GLList::Normal, normals, 3);
        QMatrix4x4 tex;
        tex.setRow(0, QVector4D(1.0f / kGridRepeat, 0, 0, 0));
        tex.setRow(1, QVector4D(0, 0, 1.0f / kGridRepeat, 0));
        m_plate->texMatrix = tex;
        // Translucent, so the objects' reflection below shows through.
        m_plate->color = QColor(255, 255, 255, 215);
    }
    QOpenGLFunctions &f = gl();
    f.glEnable(GL_BLEND);
    // The frame's alpha stays opaque: the widget is composed with it.
    f.glBlendFuncSeparate(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA, GL_ZERO, GL_ONE);
    m_gridTexture.bind(0);
    m_plate->drawPass();
    f.glDisable(GL_BLEND);
}

GLList_Phong &GlViewer::meshList(const Faces *mesh)
{
    MeshList &entry = m_meshLists[mesh];
    const bool current = entry.list && entry.meshHash == mesh->meshHash && entry.count == mesh->count() &&
                         entry.data == mesh->constData() && entry.shadeVariation == mesh->shadeVariation;
    if (current)
        return *entry.list;
    entry.list = std::make_unique<GLList_Phong>();
    uploadFaces(*entry.list, *mesh, !mesh->shadeVariation);
    entry.meshHash = mesh->meshHash;
    entry.count = mesh->count();
    entry.data = mesh->constData();
    entry.shadeVariation = mesh->shadeVariation;
    return *entry.list;
}

void GlViewer::dropUnusedMeshLists()
{
    std::unordered_set<const Faces *> shown;
    for (int i = 0; m_project && i < m_project->objectCount(); ++i)
        shown.insert(m_project->object(i)->mesh());
    for (auto it = m_meshLists.begin(); it != m_meshLists.end();)
        it = shown.count(it->first) ? std::next(it) : m_meshLists.erase(it);
}

bool GlViewer::insideWorkArea(const Obj &obj, const M44f &transform) const
{
    // The corners of the mesh's own box, carried along, bound every drawn point.
    const Box3f &own = obj.bounds();
    Box3f box{transform.mapPoint(own.min), transform.mapPoint(own.min)};
    for (int corner = 1; corner < 8; ++corner)
        box.include(transform.mapPoint(V3f(corner & 1 ? own.max.x : own.min.x, corner & 2 ? own.max.y : own.min.y,
                                           corner & 4 ? own.max.z : own.min.z)));
    // The same limits as the out-of-volume shaders.
    const V3f low(box.min.x / m_workArea.x, box.min.y / m_workArea.y, box.min.z / m_workArea.z);
    const V3f high(box.max.x / m_workArea.x, box.max.y / m_workArea.y, box.max.z / m_workArea.z);
    if (low.y < -0.001f || high.y > 1.001f)
        return false;
    if (!m_circular)
        return low.x >= -0.5f && high.x <= 0.5f && low.z >= -0.5f && high.z <= 0.5f;
    for (const float x : {low.x, high.x})
        for (const float z : {low.z, high.z})
            if (x * x + z * z > 0.25f)
                return false;
    return true;
}

void GlViewer::drawObjects(const QString &program, bool mirrored, bool depthPass)
{
    GLMatrices &m = glMatrices();
    pushMatrix(ModelMatrix);
    if (!depthPass && program == "PhongEnv")
        m_skyTexture.bind(0);
    // The reflection lies mirrored in Y: so does the part the clipping keeps.
    m.clipLow = mirrored ? QVector3D(m_clipLow.x(), -m_clipHigh.y(), m_clipLow.z()) : m_clipLow;
    m.clipHigh = mirrored ? QVector3D(m_clipHigh.x(), -m_clipLow.y(), m_clipHigh.z()) : m_clipHigh;
    const bool outsidePass = program.startsWith("Outside");
    const bool seeThrough = m_transparentObjects && !depthPass && !outsidePass;
    QOpenGLFunctions &f = gl();
    if (!m_showBackFaces) {
        f.glEnable(GL_CULL_FACE);
        f.glCullFace(GL_BACK);
        // Mirroring turns the triangles' winding around.
        f.glFrontFace(mirrored ? GL_CW : GL_CCW);
    }
    if (seeThrough) {
        f.glEnable(GL_BLEND);
        f.glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    }
    for (int i = 0; i < m_project->objectCount(); ++i) {
        const Obj *obj = m_project->object(i);
        if (!obj->mesh() || obj->mesh()->count() == 0)
            continue;
        const auto drawn = m_drawn.find(obj);
        const bool known = drawn != m_drawn.end() && !depthPass;
        // Picking sees where objects are, not where they are drawn on their way there.
        const M44f &transform = known ? drawn->second.transform : obj->transform();
        if (outsidePass && insideWorkArea(*obj, transform))
            continue;
        GLList_Phong &list = meshList(obj->mesh());
        m.model = toQMatrix(transform);
        if (mirrored) {
            QMatrix4x4 flip;
            flip.scale(1, -1, 1);
            m.model = flip * m.model;
        }
        list.program = program;
        const QColor own = known ? drawn->second.color : obj->selected ? selectedColor : plainColor;
        list.color = outsidePass ? outsideColor : own;
        if (seeThrough)
            list.color.setAlphaF(kSeeThroughAlpha);
        list.steepNormalY = m_steepNormalY;
        const V3f eye = m_camera.position();
        list.camPos = QVector3D(eye.x, eye.y, eye.z);
        list.invWorkAreaSize = QVector3D(1.0f / m_workArea.x, 1.0f / m_workArea.y, 1.0f / m_workArea.z);
        list.drawPass();
    }
    popMatrix(ModelMatrix);
    m.clipLow = m_clipLow;
    m.clipHigh = m_clipHigh;
    f.glDisable(GL_CULL_FACE);
    f.glFrontFace(GL_CCW);
    if (seeThrough)
        f.glDisable(GL_BLEND);
}

void GlViewer::rebuildBars()
{
    QByteArray key;
    for (const SupportBarRecord &record : m_project->supportBars)
        key.append(reinterpret_cast<const char *>(&record), int(sizeof(record)));
    if (m_bars && key == m_barsKey)
        return;
    m_barsKey = key;
    Faces all;
    for (const SupportBarRecord &record : m_project->supportBars) {
        if (!record.isUsable())
            continue;
        const Faces body = record.bar().body();
        for (int i = 0; i < body.count(); ++i)
            all.append(body[i]);
    }
    m_bars = std::make_unique<GLList_Phong>();
    uploadFaces(*m_bars, all, true);
}

void GlViewer::drawBars(const QString &program)
{
    rebuildBars();
    if (m_bars->count == 0)
        return;
    GLMatrices &m = glMatrices();
    pushMatrix(ModelMatrix);
    m.model.setToIdentity();
    m_bars->program = program;
    m_bars->color = barColor;
    m_bars->drawPass();
    popMatrix(ModelMatrix);
}

ViewPick GlViewer::pickAt(const QPoint &pixel)
{
    ViewPick pick;
    if (!m_project)
        return pick;
    const QSize logical = size().expandedTo(QSize(1, 1));
    const QPointF at(pixel.x() + 0.5, pixel.y() + 0.5);
    V3f origin, target;
    m_camera.pixelRay(at, logical, origin, target);
    pick.hit = pickScene(*m_project, origin, target);
    // A view that was never shown has no context for the depth pass: the ray's hit stands in.
    if (!isValid() || !context()) {
        pick.hasPoint = pick.hit.kind != PickHit::Nothing;
        pick.point = pick.hit.point;
        return pick;
    }
    makeCurrent();
    const qreal ratio = devicePixelRatioF();
    const QSize viewport = QSize(int(width() * ratio), int(height() * ratio)).expandedTo(QSize(1, 1));
    const int x = qBound(0, int(pixel.x() * ratio), viewport.width() - 1);
    const int y = qBound(0, viewport.height() - 1 - int(pixel.y() * ratio), viewport.height() - 1);
    DepthPixel depth = kNoDepthPixel;
    QElapsedTimer readClock;
    readClock.start();
    try {
        depth = readDepthPixel(QPoint(x, y), viewport);
    } catch (...) {
        doneCurrent();
        throw;
    }
    m_timeReadUs = readClock.nsecsElapsed() / 1000;
    doneCurrent();
    const DepthSource source = m_depthFill ? DepthSource::DepthTexture : DepthSource::FragmentDistance;
    pick.hasPoint = pointUnderCursor(m_camera, at, depth, logical, pick.point, source);
    return pick;
}
