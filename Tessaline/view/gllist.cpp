#include "view/gllist.h"

#include "view/glshaders.h"

#include <QFile>
#include <QImage>
#include <QOpenGLContext>
#include <QOpenGLFunctions>
#include <QVector4D>
#include <vector>

namespace
{

const char *const kAttributeNames[GLList::bufferCount] = {"a_vertex", "a_color", "a_normal", "a_texture1"};

std::vector<QMatrix4x4> &matrixStack(int mId)
{
    static std::vector<QMatrix4x4> stacks[3];
    return stacks[mId];
}

QMatrix4x4 &matrixById(int mId)
{
    GLMatrices &m = glMatrices();
    return mId == ModelMatrix ? m.model : mId == ViewMatrix ? m.view : m.projection;
}

QOpenGLFunctions &gl()
{
    return *QOpenGLContext::currentContext()->functions();
}

} // namespace

GLMatrices &glMatrices()
{
    static GLMatrices matrices;
    return matrices;
}

void pushMatrix(int mId)
{
    if (mId < ModelMatrix || mId > ProjectionMatrix)
        throw "pushMatrix() invalid mId";
    matrixStack(mId).push_back(matrixById(mId));
}

void popMatrix(int mId)
{
    if (mId < ModelMatrix || mId > ProjectionMatrix)
        throw "popMatrix() invalid mId";
    std::vector<QMatrix4x4> &stack = matrixStack(mId);
    if (stack.empty())
        throw "popMatrix() stack empty";
    matrixById(mId) = stack.back();
    stack.pop_back();
}

QVector4D toVector(const QColor &color)
{
    return QVector4D(float(color.redF()), float(color.greenF()), float(color.blueF()), float(color.alphaF()));
}

void Texture::bind(int slot)
{
    if (slot < 0 || slot >= slotCount)
        throw "Texture::bind() slot out of range";
    if (!m_texture) {
        initViewResources();
        const QString path = ":/res/" + m_name;
        if (!QFile::exists(path))
            throw QString("Texture::bind() file not found ") + m_name;
        const QImage image(path);
        if (image.isNull())
            throw QString("Texture::bind() Error loading image ") + m_name;
        m_texture = std::make_unique<QOpenGLTexture>(image.mirrored());
        m_texture->setMinificationFilter(QOpenGLTexture::LinearMipMapLinear);
        m_texture->setMagnificationFilter(QOpenGLTexture::Linear);
        m_texture->setWrapMode(QOpenGLTexture::Repeat);
    }
    m_texture->bind(uint(slot));
}

void unBindTex(int slot)
{
    if (slot < 0 || slot >= Texture::slotCount)
        throw "unBindTex() slot out of range";
    gl().glActiveTexture(GLenum(GL_TEXTURE0 + slot));
    gl().glBindTexture(GL_TEXTURE_2D, 0);
    gl().glActiveTexture(GL_TEXTURE0);
}

GLList::GLList(const QString &program, unsigned primitive) : program(program), primitive(primitive) {}

GLList::~GLList() = default;

void GLList::setBuffer(int which, const std::vector<float> &data, int components)
{
    if (which < 0 || which >= bufferCount || components <= 0)
        throw QString("GLList::setBuffer() invalid buffer parameter: ") + QString::number(which);
    const int elements = int(data.size()) / components;
    for (int i = 0; i < bufferCount; ++i)
        if (i != which && m_buffers[size_t(i)] && m_elements[size_t(i)] != elements)
            throw QString("GLList::setBuffer() Inconsistent buffer sizes: %1 != %2")
                .arg(elements)
                .arg(m_elements[size_t(i)]);
    auto &buffer = m_buffers[size_t(which)];
    if (!buffer) {
        buffer = std::make_unique<QOpenGLBuffer>(QOpenGLBuffer::VertexBuffer);
        buffer->create();
    }
    buffer->bind();
    buffer->allocate(data.data(), int(data.size() * sizeof(float)));
    buffer->release();
    m_components[size_t(which)] = components;
    m_elements[size_t(which)] = elements;
    count = elements;
}

bool GLList::hasBuffer(int which) const
{
    return which >= 0 && which < bufferCount && m_buffers[size_t(which)];
}

void GLList::drawRange(int first, int n)
{
    drawRanges(1, [first, n](QOpenGLShaderProgram &, int) { return std::pair<int, int>(first, n); });
}

void GLList::drawRanges(int rangeCount, const std::function<std::pair<int, int>(QOpenGLShaderProgram &, int)> &range)
{
    if (indexed)
        throw "Fatal Error: GLList::drawPass() index buffer not yet implemented.";
    QOpenGLShaderProgram &shader = getShaderProgram(program);
    shader.bind();
    setUniforms(shader);
    std::vector<int> enabled;
    for (int i = 0; i < bufferCount; ++i) {
        if (!m_buffers[size_t(i)])
            continue;
        const int location = shader.attributeLocation(kAttributeNames[i]);
        if (location < 0)
            continue; // the program does not read it (a depth pass ignores normals)
        m_buffers[size_t(i)]->bind();
        shader.enableAttributeArray(location);
        shader.setAttributeBuffer(location, GL_FLOAT, 0, m_components[size_t(i)]);
        enabled.push_back(location);
    }
    for (int r = 0; r < rangeCount; ++r) {
        auto [first, n] = range(shader, r);
        first = qBound(0, first, count);
        n = qBound(0, n, count - first);
        if (n > 0)
            gl().glDrawArrays(GLenum(primitive), first, n);
    }
    for (int location : enabled)
        shader.disableAttributeArray(location);
    QOpenGLBuffer::release(QOpenGLBuffer::VertexBuffer);
    shader.release();
}

void GLList::setMatrixUniforms(QOpenGLShaderProgram &shader)
{
    const GLMatrices &m = glMatrices();
    const QMatrix4x4 mv = m.view * m.model;
    shader.setUniformValue("m_matrix", m.model);
    shader.setUniformValue("mv_matrix", mv);
    shader.setUniformValue("mvp_matrix", m.projection * mv);
    shader.setUniformValue("normal_model_matrix", m.model.normalMatrix());
    shader.setUniformValue("normal_view_matrix", m.view.normalMatrix());
    shader.setUniformValue("normal_matrix", mv.normalMatrix());
    shader.setUniformValue("ec_light_pos", m.ecLightPos);
    shader.setUniformValue("clipLow", m.clipLow);
    shader.setUniformValue("clipHigh", m.clipHigh);
}

void GLList_Phong::setUniforms(QOpenGLShaderProgram &shader)
{
    setMatrixUniforms(shader);
    shader.setUniformValue("u_color", toVector(color));
    shader.setUniformValue("steepNormalY", steepNormalY);
    shader.setUniformValue("wc_cam_pos", camPos);
    shader.setUniformValue("texture", textureSlot);
    shader.setUniformValue("invWorkAreaSize", invWorkAreaSize);
}

void GLList_Ground::setUniforms(QOpenGLShaderProgram &shader)
{
    setMatrixUniforms(shader);
    shader.setUniformValue("tex_matrix", texMatrix);
    shader.setUniformValue("u_color", toVector(color));
    shader.setUniformValue("texture", textureSlot);
}

void GLList_GCode::setUniforms(QOpenGLShaderProgram &shader)
{
    setMatrixUniforms(shader);
    shader.setUniformValue("u_color", toVector(color));
    shader.setUniformValue("layerZ", layerZ);
    shader.setUniformValue("wc_cam_pos", camPos);
    shader.setUniformValue("texture", textureSlot);
}

void GLList_ColorUVTex::setUniforms(QOpenGLShaderProgram &shader)
{
    setMatrixUniforms(shader);
    shader.setUniformValue("u_color", toVector(color));
    shader.setUniformValue("texture", textureSlot);
}
