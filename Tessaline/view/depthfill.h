#pragma once

#include "view/gllist.h"

#include <QSize>
#include <QVector4D>

// Picking through a depth texture: the scene's depth is rendered into a texture, then "DepthFill"
// draws one quad over the view that turns each texel into the depth digits of picking.h
// (DepthSource::DepthTexture). Platforms with GL_ANGLE_depth_texture take this path, which needs no
// depth programs to agree with the scene's own; elsewhere the depth programs write the digits
// directly.

// The extension that makes the view take this path on its own.
bool hasAngleDepthTexture();
// Whether the current context can render depth into a texture at all (the ANGLE or OES depth-texture
// extension, or a desktop context).
bool depthTexturesSupported();

// The quad over the whole view, in clip space; texCoord = (scale x, scale y, offset x, offset y) from
// the quad's 0..1 coordinates to the part of the texture in use.
class GLList_DepthFill : public GLList
{
public:
    GLList_DepthFill();
    QVector4D texCoord{1, 1, 0, 0};
    int textureSlot = 0;

protected:
    void setUniforms(QOpenGLShaderProgram &shader) override;
};

// A frame buffer of the view's size whose depth lands in a texture (with a colour buffer beside it,
// which some drivers need for completeness). Made and used with the view's context current.
class DepthTextureTarget
{
public:
    // Throws "GLRenderer::prepareFBO() (depth) FAILED" when the driver refuses the buffer.
    explicit DepthTextureTarget(const QSize &size);
    ~DepthTextureTarget();
    DepthTextureTarget(const DepthTextureTarget &) = delete;
    DepthTextureTarget &operator=(const DepthTextureTarget &) = delete;

    void bind();
    unsigned depthTexture() const { return m_depthTexture; }

private:
    void release();

    unsigned m_frameBuffer = 0;
    unsigned m_colorBuffer = 0;
    unsigned m_depthTexture = 0;
};
