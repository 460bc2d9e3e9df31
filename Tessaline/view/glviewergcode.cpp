// The view's G-code side: the window's preview drawn from lean lists at its layers' heights, the print
// head at the line cursor, and on top the legend and the read-out of the move under the mouse.
#include "view/glviewer.h"
#include "view/mousestate.h"

void GlViewer::setGCodePreview(const GCodePreview *preview)
{
    m_gcodeDrawing->setPreview(preview);
    update();
}

void GlViewer::gcodeGrew()
{
    m_gcodeDrawing->grew();
    update();
}

void GlViewer::setGCodeOptions(const GCodeDrawOptions &options)
{
    m_gcodeDrawing->setOptions(options);
    if (!m_gcodeDrawing->active())
        m_gcodeDrawing->clearHover();
    update();
}

void GlViewer::setLineCursor(int segment)
{
    m_gcodeDrawing->setLineCursor(segment);
    update();
}

void GlViewer::drawGCode()
{
    const V3f eye = m_camera.position();
    GLMatrices &m = glMatrices();
    pushMatrix(ModelMatrix);
    m.model = m_gcodeDrawing->options().placement;
    m_gcodeDrawing->drawLists(m_environment, eye, m_skyTexture);
    m_gcodeDrawing->drawHead(m_environment ? "PhongEnv" : "Phong");
    popMatrix(ModelMatrix);
}

void GlViewer::drawGCodeOverlays()
{
    m_gcodeDrawing->drawOverlays(size(), devicePixelRatioF());
}

void GlViewer::hoverGCode(const MouseState &ms)
{
    bool changed = false;
    if (ms.change == MouseState::Leave || ms.buttons != Qt::NoButton) {
        changed = m_gcodeDrawing->clearHover();
    } else if (ms.change == MouseState::Move || ms.change == MouseState::Enter) {
        V3f origin, target;
        m_camera.pixelRay(QPointF(ms.pos.x() + 0.5, ms.pos.y() + 0.5), size().expandedTo(QSize(1, 1)), origin, target);
        // The preview's moves are in G-code coordinates: the ray goes there.
        const QMatrix4x4 toGCode = m_gcodeDrawing->options().placement.inverted();
        const QVector3D o = toGCode.map(QVector3D(origin.x, origin.y, origin.z));
        const QVector3D t = toGCode.map(QVector3D(target.x, target.y, target.z));
        changed = m_gcodeDrawing->hover(V3f(o.x(), o.y(), o.z()), V3f(t.x(), t.y(), t.z()), ms.pos);
    }
    if (changed)
        update();
}
