// The view's mouse: events from MouseState become camera motion or go to the mouse editor with what
// lies under the cursor; and what the editor shows is drawn (hover colours, the hovered and the
// previewed bar, the selection rectangle). Also the two ways of reading the depth under a pixel.
#include "geometry/faces.h"
#include "scene/obj.h"
#include "scene/project.h"
#include "view/cameramouse.h"
#include "view/depthfill.h"
#include "view/glviewer.h"
#include "view/mousestate.h"

#include <QOpenGLContext>
#include <QOpenGLFramebufferObject>
#include <QOpenGLFunctions>

const QColor GlViewer::hoverColor = QColor(0xDD, 0xFF, 0xFF);
const QColor GlViewer::barRemoveColor = QColor(0xFF, 0x60, 0x40);

namespace
{

QOpenGLFunctions &gl()
{
    return *QOpenGLContext::currentContext()->functions();
}

QColor halfway(const QColor &a, const QColor &b)
{
    return QColor((a.red() + b.red()) / 2, (a.green() + b.green()) / 2, (a.blue() + b.blue()) / 2);
}

// The selection rectangle's fill and outline (RGBA).
const QColor kRectFill(0x3F, 0xBE, 0xF2, 0x40);
const QColor kRectEdge(0xDD, 0xFF, 0xFF, 0xFF);

} // namespace

void GlViewer::setScene(Project *project, FileOps *fileOps)
{
    m_project = project;
    m_editor.setScene(project, fileOps);
    update();
}

void GlViewer::sceneReplaced()
{
    m_editor.sceneReplaced();
    update();
}

void GlViewer::setMouseMode(MouseMode mode)
{
    m_editor.setMode(mode);
    m_mouse->mode = m_editor.mode();
    update();
}

void GlViewer::setSupportMode(bool on)
{
    m_editor.setSupport(on);
    update();
}

void GlViewer::home()
{
    m_camera.home();
    update();
}

PointerSample GlViewer::sampleAt(const QPoint &pixel, bool withDepth)
{
    PointerSample sample;
    sample.pixel = pixel;
    m_camera.pixelRay(QPointF(pixel.x() + 0.5, pixel.y() + 0.5), size().expandedTo(QSize(1, 1)), sample.rayOrigin,
                      sample.rayTarget);
    // Hovering and dragging need only what the ray meets; the depth pass is kept for presses and the
    // wheel, where the point under the cursor matters.
    if (withDepth)
        sample.pick = pickAt(pixel);
    else if (m_project)
        sample.pick.hit = pickScene(*m_project, sample.rayOrigin, sample.rayTarget);
    return sample;
}

void GlViewer::onMouseChanged(MouseState &ms)
{
    const QSize logical = size().expandedTo(QSize(1, 1));
    const bool cameraButton = ms.buttons & (Qt::MiddleButton | Qt::RightButton);
    MouseEditor::Result result;
    switch (ms.change) {
    case MouseState::Press:
        // A press on an overlay button is the button's, and so is everything until its release.
        if (ms.button == Qt::LeftButton && overlayHit(ms.pos))
            m_pressOnOverlay = true;
        else if (ms.button == Qt::LeftButton)
            result = m_editor.press(sampleAt(ms.pos, true), ms.modifiers, m_camera, logical);
        break;
    case MouseState::Move:
        if (m_pressOnOverlay)
            break;
        if (cameraButton && !m_editor.dragging()) {
            dragCamera(m_camera, ms.pos - ms.lastPos, ms.modifiers, logical);
            update();
        } else {
            result = m_editor.move(sampleAt(ms.pos, false), ms.modifiers, m_camera, logical);
        }
        break;
    case MouseState::Release:
        if (ms.button == Qt::LeftButton && m_pressOnOverlay)
            m_pressOnOverlay = false;
        else if (ms.button == Qt::LeftButton)
            result = m_editor.release(sampleAt(ms.pos, false), ms.modifiers, m_camera, logical);
        break;
    case MouseState::Wheel: {
        const PointerSample at = sampleAt(ms.pos, true);
        V3f target;
        if (!at.surfacePoint(target))
            target = zoomTargetOffSurface(m_camera, at.rayOrigin, at.rayTarget);
        zoomCamera(m_camera, ms.wheelDelta, target);
        update();
        break;
    }
    case MouseState::Modifiers:
        result = m_editor.modifiersChanged(ms.modifiers, m_camera, logical);
        break;
    case MouseState::Enter:
        if (!m_editor.dragging())
            result = m_editor.move(sampleAt(ms.pos, false), ms.modifiers, m_camera, logical);
        break;
    case MouseState::Leave:
        result = m_editor.leave();
        break;
    }
    ms.mode = m_editor.mode();
    hoverGCode(ms);
    report(result);
}

void GlViewer::report(const MouseEditor::Result &result)
{
    if (result.repaint || result.edited || result.selectionChanged)
        update();
    if (result.edited)
        emit sceneEdited();
    if (result.selectionChanged)
        emit selectionChanged();
}

QColor GlViewer::targetColor(int objectIndex, const Obj &obj) const
{
    const bool hovered = m_editor.hoveredObject() == objectIndex;
    if (hovered)
        return obj.selected ? halfway(selectedColor, hoverColor) : hoverColor;
    return obj.selected ? selectedColor : plainColor;
}

void GlViewer::drawHoveredBars(const QString &program)
{
    const int bar = m_editor.hoveredBar();
    const std::optional<SupportBar> &preview = m_editor.previewBar();
    const bool hoveredUsable = bar >= 0 && m_project->supportBars[bar].isUsable();
    if (!hoveredUsable && !preview)
        return;
    if (!m_hoverBar)
        m_hoverBar = std::make_unique<GLList_Phong>();
    GLMatrices &m = glMatrices();
    pushMatrix(ModelMatrix);
    m.model.setToIdentity();
    m_hoverBar->program = program;
    // Drawn again over the bar in the combined list: equal depths pass, so the later colour shows.
    auto draw = [&](const Faces &body, const QColor &color) {
        uploadFaces(*m_hoverBar, body, true);
        m_hoverBar->color = color;
        m_hoverBar->drawPass();
    };
    if (hoveredUsable)
        draw(m_project->supportBars[bar].bar().body(), m_editor.barWouldBeRemoved() ? barRemoveColor : hoverColor);
    if (preview)
        draw(preview->body(), hoverColor);
    popMatrix(ModelMatrix);
}

void GlViewer::drawDragRect()
{
    const std::optional<QRect> rect = m_editor.dragRect();
    if (!rect)
        return;
    const QSizeF logical = size().expandedTo(QSize(1, 1));
    auto clipX = [&](double x) { return float(2.0 * x / logical.width() - 1.0); };
    auto clipY = [&](double y) { return float(1.0 - 2.0 * y / logical.height()); };
    const float left = clipX(rect->left()), right = clipX(rect->right() + 1);
    const float top = clipY(rect->top()), bottom = clipY(rect->bottom() + 1);
    auto colors = [](const QColor &color, int n) {
        std::vector<float> out;
        for (int i = 0; i < n; ++i)
            out.insert(out.end(),
                       {float(color.redF()), float(color.greenF()), float(color.blueF()), float(color.alphaF())});
        return out;
    };
    if (!m_dragRectList)
        m_dragRectList = std::make_unique<GLList_Color2D>();
    QOpenGLFunctions &f = gl();
    f.glDisable(GL_DEPTH_TEST);
    f.glEnable(GL_BLEND);
    f.glBlendFuncSeparate(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA, GL_ZERO, GL_ONE);
    m_dragRectList->primitive = GL_TRIANGLES;
    m_dragRectList->setBuffer(GLList::Vertex,
                              {left, bottom, right, bottom, right, top, left, bottom, right, top, left, top}, 2);
    m_dragRectList->setBuffer(GLList::Color, colors(kRectFill, 6), 4);
    m_dragRectList->drawPass();
    m_dragRectList->primitive = GL_LINE_LOOP;
    m_dragRectList->setBuffer(GLList::Vertex, {left, bottom, right, bottom, right, top, left, top}, 2);
    m_dragRectList->setBuffer(GLList::Color, colors(kRectEdge, 4), 4);
    m_dragRectList->drawPass();
    f.glDisable(GL_BLEND);
    f.glEnable(GL_DEPTH_TEST);
}

void GlViewer::drawDepthScene()
{
    QOpenGLFunctions &f = gl();
    f.glDisable(GL_BLEND);
    f.glEnable(GL_DEPTH_TEST);
    f.glDepthFunc(GL_LEQUAL);
    f.glClearColor(1, 1, 1, 1);
    f.glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    setupMatrices();
    drawObjects("Phong_depth", false, true);
    rebuildBars();
    if (m_bars->count > 0) {
        m_bars->program = "Phong_depth";
        m_bars->drawPass();
    }
    m_gcodeDrawing->drawDepth();
}

DepthPixel GlViewer::readDepthPixel(const QPoint &devicePixel, const QSize &viewport)
{
    if (m_depthFill)
        return readDepthPixelFilled(devicePixel, viewport);
    QOpenGLFramebufferObject fbo(viewport, QOpenGLFramebufferObject::Depth);
    if (!fbo.isValid() || !fbo.bind())
        throw "GLRenderer::prepareFBO() (depth) FAILED";
    gl().glViewport(0, 0, viewport.width(), viewport.height());
    drawDepthScene();
    quint8 rgba[4] = {255, 255, 255, 255};
    gl().glReadPixels(devicePixel.x(), devicePixel.y(), 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, rgba);
    fbo.release();
    return {rgba[0], rgba[1], rgba[2]};
}

DepthPixel GlViewer::readDepthPixelFilled(const QPoint &devicePixel, const QSize &viewport)
{
    QOpenGLFunctions &f = gl();
    DepthTextureTarget depth(viewport);
    depth.bind();
    f.glViewport(0, 0, viewport.width(), viewport.height());
    drawDepthScene();
    QOpenGLFramebufferObject filled(viewport);
    if (!filled.isValid() || !filled.bind())
        throw "GLRenderer::prepareFBO() (main) FAILED";
    f.glViewport(0, 0, viewport.width(), viewport.height());
    f.glDisable(GL_DEPTH_TEST);
    if (!m_depthQuad)
        m_depthQuad = std::make_unique<GLList_DepthFill>();
    f.glActiveTexture(GL_TEXTURE0);
    f.glBindTexture(GL_TEXTURE_2D, depth.depthTexture());
    m_depthQuad->textureSlot = 0;
    m_depthQuad->drawPass();
    f.glBindTexture(GL_TEXTURE_2D, 0);
    quint8 rgba[4] = {255, 255, 255, 255};
    f.glReadPixels(devicePixel.x(), devicePixel.y(), 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, rgba);
    filled.release();
    f.glEnable(GL_DEPTH_TEST);
    return {rgba[0], rgba[1], rgba[2]};
}
