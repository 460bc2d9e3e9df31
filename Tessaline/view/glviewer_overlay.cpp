// What the view draws over the scene: the overlay buttons and their mouse handling, the performance
// line, the plate's logo; and how a failed frame is reported.
#include "common/ini.h"
#include "view/glviewer.h"

#include "scene/obj.h"
#include "scene/project.h"

#include <QHelpEvent>
#include <QMouseEvent>
#include <QOpenGLContext>
#include <QOpenGLFunctions>
#include <QPainter>
#include <QTimer>
#include <QToolTip>
#include <QtDebug>

namespace
{

// The logo lies on the plate in front of the build volume: this far from its front edge, this wide.
constexpr float kLogoGap = 8.0f;
constexpr float kLogoWidth = 100.0f;
// "logo.png" is four times as wide as high.
constexpr float kLogoAspect = 4.0f;

} // namespace

void GlViewer::initOverlay()
{
    // The buttons light up under the cursor.
    setMouseTracking(true);
    m_showFPS = Ini::global().getInt("showFPS", 0) != 0;
    connect(this, &QOpenGLWidget::frameSwapped, this, [this] {
        if (m_bltClock.isValid())
            m_timeBltUs = m_bltClock.nsecsElapsed() / 1000;
    });
}

void GlViewer::releaseOverlay()
{
    m_logo.reset();
    m_logoTexture = Texture("logo.png");
    m_buttons.setAtlas("icons.png");
}

bool GlViewer::overlayHit(const QPoint &pos) const
{
    return m_buttons.buttonAt(pos, size()) != nullptr;
}

void GlViewer::startFrom(const Obj *obj, const M44f &drawn)
{
    // Known to the animation, the object glides from there; its colour starts as it is.
    // The next frame shows it there (a frame after a still view moves nothing), the ones after glide.
    m_drawn[obj] = Drawn{obj->selected ? selectedColor : plainColor, drawn};
    update();
}

void GlViewer::drawLogo()
{
    // Follows the build volume's front edge.
    const float zFar = m_workArea.z / 2 + kLogoGap, zNear = zFar + kLogoWidth / kLogoAspect;
    if (!m_logo || m_logoZ != zFar) {
        m_logo = std::make_unique<GLList_ColorUVTex>();
        m_logo->color = QColor(255, 255, 255, 110);
        m_logoZ = zFar;
        const float x0 = -kLogoWidth / 2, x1 = kLogoWidth / 2, y = 0.05f;
        // The image's top row (v = 1 in the flipped texture) on the far side, read from the front.
        m_logo->setBuffer(GLList::Vertex,
                          {x0, y, zFar, x1, y, zFar, x1, y, zNear, x0, y, zFar, x1, y, zNear, x0, y, zNear}, 3);
        m_logo->setBuffer(GLList::TexCoord, {0, 1, 1, 1, 1, 0, 0, 1, 1, 0, 0, 0}, 2);
    }
    GLMatrices &m = glMatrices();
    pushMatrix(ModelMatrix);
    m.model.setToIdentity();
    QOpenGLFunctions &f = *QOpenGLContext::currentContext()->functions();
    f.glEnable(GL_BLEND);
    f.glBlendFuncSeparate(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA, GL_ZERO, GL_ONE);
    f.glDepthMask(GL_FALSE);
    m_logoTexture.bind(0);
    m_logo->drawPass();
    f.glDepthMask(GL_TRUE);
    f.glDisable(GL_BLEND);
    popMatrix(ModelMatrix);
}

void GlViewer::drawOverlay()
{
    QElapsedTimer clock;
    clock.start();
    m_buttons.draw(size());
    m_timeOverlayUs = clock.nsecsElapsed() / 1000;
    if (!m_showFPS)
        return;
    ++m_framesCounted;
    if (!m_fpsClock.isValid())
        m_fpsClock.start();
    if (m_fpsClock.elapsed() >= 500) {
        m_fps = m_framesCounted * 1000.0 / double(m_fpsClock.restart());
        m_framesCounted = 0;
    }
    QPainter painter(this);
    painter.setPen(Qt::white);
    painter.drawText(QRect(8, height() - 24, width() - 16, 20), Qt::AlignLeft | Qt::AlignVCenter, performanceLine());
    painter.end();
    m_bltClock.start();
    // Keeps counting frames while the line is shown.
    update();
}

QString GlViewer::performanceLine() const
{
    int polys = 0;
    for (int i = 0; m_project && i < m_project->objectCount(); ++i)
        if (const Faces *mesh = m_project->object(i)->mesh())
            polys += mesh->count();
    return QString("FPS:%1  Objs:%2  Polys:%3  WinSize:%4x%5 timeRender:%6us  timeBlt:%7us  timeOverlay:%8us  "
                   "timeRead:%9us")
        .arg(m_fps, 0, 'f', 1)
        .arg(m_project ? m_project->objectCount() : 0)
        .arg(polys)
        .arg(width())
        .arg(height())
        .arg(m_timeRenderUs)
        .arg(m_timeBltUs)
        .arg(m_timeOverlayUs)
        .arg(m_timeReadUs);
}

void GlViewer::reportFrame(const QString &failure)
{
    if (failure.isEmpty()) {
        m_reportedFailure.clear();
        return;
    }
    qWarning().noquote() << "### EXCEPTION: " + failure;
    // Every frame tries again; the user hears of a failure once, not once per repaint. The report
    // leaves the paint first: a message box opened inside it would paint this view again.
    if (failure == m_reportedFailure)
        return;
    m_reportedFailure = failure;
    QTimer::singleShot(0, this, [this, failure] { emit frameFailed(failure); });
}

bool GlViewer::event(QEvent *event)
{
    if (event->type() == QEvent::ToolTip) {
        auto *help = static_cast<QHelpEvent *>(event);
        const Btn *button = m_buttons.buttonAt(help->pos(), size());
        if (button)
            QToolTip::showText(help->globalPos(), button->toolTip(), this, m_buttons.buttonRect(*button, size()));
        else
            QToolTip::hideText();
        return true;
    }
    return QOpenGLWidget::event(event);
}

void GlViewer::mousePressEvent(QMouseEvent *event)
{
    const Btn *button = m_buttons.buttonAt(event->pos(), size());
    if (!button) {
        QOpenGLWidget::mousePressEvent(event);
        return;
    }
    if (event->button() == Qt::LeftButton) {
        m_buttons.setPressed(button->name);
        update();
    }
    event->accept();
}

void GlViewer::mouseReleaseEvent(QMouseEvent *event)
{
    const QString pressed = m_buttons.pressed();
    if (pressed.isEmpty() || event->button() != Qt::LeftButton) {
        QOpenGLWidget::mouseReleaseEvent(event);
        return;
    }
    m_buttons.setPressed(QString());
    update();
    event->accept();
    const Btn *button = m_buttons.buttonAt(event->pos(), size());
    // Released elsewhere: the press is taken back.
    if (button && button->name == pressed)
        emit buttonClicked(pressed);
}

void GlViewer::mouseMoveEvent(QMouseEvent *event)
{
    const Btn *button = m_buttons.buttonAt(event->pos(), size());
    const QString hovered = button ? button->name : QString();
    m_buttons.setHovered(hovered);
    update();
    QOpenGLWidget::mouseMoveEvent(event);
}

void GlViewer::leaveEvent(QEvent *event)
{
    m_buttons.setHovered(QString());
    update();
    QOpenGLWidget::leaveEvent(event);
}
