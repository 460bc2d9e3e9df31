#include "view/depthfill.h"

#include <QOpenGLContext>
#include <QOpenGLFunctions>
#include <QOpenGLShaderProgram>

namespace
{

QOpenGLFunctions &gl()
{
    return *QOpenGLContext::currentContext()->functions();
}

} // namespace

bool hasAngleDepthTexture()
{
    const QOpenGLContext *context = QOpenGLContext::currentContext();
    return context && context->hasExtension("GL_ANGLE_depth_texture");
}

bool depthTexturesSupported()
{
    const QOpenGLContext *context = QOpenGLContext::currentContext();
    if (!context)
        return false;
    return !context->isOpenGLES() || context->hasExtension("GL_ANGLE_depth_texture") ||
           context->hasExtension("GL_OES_depth_texture");
}

GLList_DepthFill::GLList_DepthFill() : GLList("DepthFill", GL_TRIANGLES)
{
    setBuffer(Vertex, {-1, -1, 1, -1, 1, 1, -1, -1, 1, 1, -1, 1}, 2);
}

void GLList_DepthFill::setUniforms(QOpenGLShaderProgram &shader)
{
    shader.setUniformValue("texCoord", texCoord);
    shader.setUniformValue("texture", textureSlot);
}

DepthTextureTarget::DepthTextureTarget(const QSize &size)
{
    QOpenGLFunctions &f = gl();
    f.glGenTextures(1, &m_depthTexture);
    f.glBindTexture(GL_TEXTURE_2D, m_depthTexture);
    // Depth textures are read texel by texel: no filtering, no mipmaps.
    f.glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    f.glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    f.glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    f.glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    // 32-bit texels: 16 bits would put points a millimetre off at the plate's distance.
    f.glTexImage2D(GL_TEXTURE_2D, 0, GL_DEPTH_COMPONENT, size.width(), size.height(), 0, GL_DEPTH_COMPONENT,
                   GL_UNSIGNED_INT, nullptr);
    f.glBindTexture(GL_TEXTURE_2D, 0);
    f.glGenRenderbuffers(1, &m_colorBuffer);
    f.glBindRenderbuffer(GL_RENDERBUFFER, m_colorBuffer);
    f.glRenderbufferStorage(GL_RENDERBUFFER, GL_RGBA4, size.width(), size.height());
    f.glBindRenderbuffer(GL_RENDERBUFFER, 0);
    f.glGenFramebuffers(1, &m_frameBuffer);
    f.glBindFramebuffer(GL_FRAMEBUFFER, m_frameBuffer);
    f.glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, m_colorBuffer);
    f.glFramebufferTexture2D(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_TEXTURE_2D, m_depthTexture, 0);
    const bool complete = f.glCheckFramebufferStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE;
    f.glBindFramebuffer(GL_FRAMEBUFFER, QOpenGLContext::currentContext()->defaultFramebufferObject());
    if (!complete) {
        release();
        throw "GLRenderer::prepareFBO() (depth) FAILED";
    }
}

DepthTextureTarget::~DepthTextureTarget()
{
    release();
}

void DepthTextureTarget::release()
{
    if (!QOpenGLContext::currentContext())
        return;
    QOpenGLFunctions &f = gl();
    f.glDeleteFramebuffers(1, &m_frameBuffer);
    f.glDeleteRenderbuffers(1, &m_colorBuffer);
    f.glDeleteTextures(1, &m_depthTexture);
    m_frameBuffer = m_colorBuffer = m_depthTexture = 0;
}

void DepthTextureTarget::bind()
{
    gl().glBindFramebuffer(GL_FRAMEBUFFER, m_frameBuffer);
}
