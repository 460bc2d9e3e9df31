#pragma once
#include <QColor>
#include <QMatrix4x4>
#include <QOpenGLBuffer>
#include <QOpenGLTexture>
#include <QString>
#include <QVector3D>
#include <array>
#include <functional>
#include <memory>
#include <vector>

class QOpenGLShaderProgram;

// The matrices every list draws with while a frame is built, and the light in eye space.
enum MatrixId { ModelMatrix = 0, ViewMatrix = 1, ProjectionMatrix = 2 };

struct GLMatrices {
    QMatrix4x4 model;
    QMatrix4x4 view;
    QMatrix4x4 projection;
    QVector3D ecLightPos{0, 0, 0};
    // The part of the world that is drawn (the clipping planes); world positions outside are discarded.
    QVector3D clipLow{-1e9f, -1e9f, -1e9f};
    QVector3D clipHigh{1e9f, 1e9f, 1e9f};
};
GLMatrices &glMatrices();
// Saves the chosen matrix; popMatrix restores it. Throws "pushMatrix() invalid mId" (and
// "popMatrix() invalid mId", "popMatrix() stack empty").
void pushMatrix(int mId);
void popMatrix(int mId);

// A texture from the program's resources (":/res/" + name), loaded on first bind.
class Texture
{
public:
    static constexpr int slotCount = 8;
    explicit Texture(const QString &name) : m_name(name) {}
    // Throws "Texture::bind() file not found " + name, "Texture::bind() Error loading image " + name
    // and "Texture::bind() slot out of range".
    void bind(int slot);
    QOpenGLTexture *texture() const { return m_texture.get(); }

private:
    QString m_name;
    std::unique_ptr<QOpenGLTexture> m_texture;
};
// Throws "unBindTex() slot out of range".
void unBindTex(int slot);

// Vertex buffers drawn by one named program in one non-indexed call. The buffers hold floats;
// every present buffer has `count` elements.
class GLList
{
public:
    enum Buffer { Vertex = 0, Color = 1, Normal = 2, TexCoord = 3 };
    static constexpr int bufferCount = 4;

    explicit GLList(const QString &program, unsigned primitive);
    virtual ~GLList();
    GLList(const GLList &) = delete;
    GLList &operator=(const GLList &) = delete;

    QString program;
    unsigned primitive;
    int count = 0;
    bool indexed = false;

    // Uploads data.size() / components elements. Throws "GLList::setBuffer() invalid buffer
    // parameter: " + which and "GLList::setBuffer() Inconsistent buffer sizes: " + a + " != " + b.
    void setBuffer(int which, const std::vector<float> &data, int components);
    bool hasBuffer(int which) const;
    void drawPass() { drawRange(0, count); }
    // The vertices first .. first + n - 1 only.
    void drawRange(int first, int n);
    // Several ranges under one binding of the program and the buffers (the G-code lists draw a few
    // thousand colour runs a frame): before each draw, `range(shader, i)` sets the uniforms that
    // differ and gives the range's first vertex and count.
    void drawRanges(int rangeCount, const std::function<std::pair<int, int>(QOpenGLShaderProgram &, int)> &range);

protected:
    // Called with the program bound, before the draw.
    virtual void setUniforms(QOpenGLShaderProgram &) {}
    // Model, model-view, model-view-projection and their normal matrices, and the light.
    static void setMatrixUniforms(QOpenGLShaderProgram &shader);

private:
    std::array<std::unique_ptr<QOpenGLBuffer>, bufferCount> m_buffers;
    std::array<int, bufferCount> m_components{};
    std::array<int, bufferCount> m_elements{};
};

// Lit meshes: the scene's objects and bars, their depth pass and the out-of-volume pass.
class GLList_Phong : public GLList
{
public:
    GLList_Phong() : GLList("Phong", 0x0004 /* GL_TRIANGLES */) {}
    QColor color = QColor(0xCC, 0xCC, 0xCC);
    float steepNormalY = -100.0f;
    QVector3D camPos;
    QVector3D invWorkAreaSize{1.0f / 200, 1.0f / 200, 1.0f / 200};
    int textureSlot = 0;

protected:
    void setUniforms(QOpenGLShaderProgram &shader) override;
};

// The plate: texture coordinates from tex_matrix, faded out with the distance from its centre.
class GLList_Ground : public GLList
{
public:
    GLList_Ground() : GLList("Ground", 0x0004) {}
    QColor color = Qt::white;
    QMatrix4x4 texMatrix;
    int textureSlot = 0;

protected:
    void setUniforms(QOpenGLShaderProgram &shader) override;
};

// G-code beads: three floats per vertex (see gcodevertices.h); one list serves any layer height.
class GLList_GCode : public GLList
{
public:
    GLList_GCode() : GLList("GCode", 0x0004) {}
    QColor color = Qt::white;
    float layerZ = 0.0f;
    QVector3D camPos;
    int textureSlot = 0;

protected:
    void setUniforms(QOpenGLShaderProgram &shader) override;
};

// Textured quads in the current matrices (the sky dome, icons, legend).
class GLList_ColorUVTex : public GLList
{
public:
    GLList_ColorUVTex() : GLList("ColorUVTex", 0x0004) {}
    QColor color = Qt::white;
    int textureSlot = 0;

protected:
    void setUniforms(QOpenGLShaderProgram &shader) override;
};

// Screen-space overlays, clip-space positions with a colour per vertex.
class GLList_Color2D : public GLList
{
public:
    GLList_Color2D() : GLList("Color2D", 0x0004) {}
};

QVector4D toVector(const QColor &color);
