#include "view/gcodedrawing.h"

#include "geometry/faces.h"
#include "view/gllist.h"
#include "view/glshaders.h"
#include "view/glviewer.h"

#include <QFile>
#include <QFont>
#include <QFontMetrics>
#include <QOpenGLContext>
#include <QOpenGLFunctions>
#include <QOpenGLTexture>
#include <QPainter>

#include <algorithm>

namespace
{

// Layers per list: a growing preview rebuilds one block, and a block stays well below the size at
// which an upload stalls a frame.
constexpr int kLayersPerBlock = 32;
const char *const kHeadResource = ":/res/head.stl";
const QColor kHeadColour(0xB8, 0xBC, 0xC4);
const QColor kPanelColour(0x10, 0x14, 0x1C, 0xC0);
const QColor kTextColour(0xF0, 0xF0, 0xF0);
constexpr int kReadoutPadding = 5;

QOpenGLFunctions &gl()
{
    return *QOpenGLContext::currentContext()->functions();
}

// Logical pixels of the view to clip space.
float clipX(double x, const QSize &logical)
{
    return float(2.0 * x / logical.width() - 1.0);
}
float clipY(double y, const QSize &logical)
{
    return float(1.0 - 2.0 * y / logical.height());
}

void appendRect(std::vector<float> &vertices, std::vector<float> &colours, const QRect &rect, const QColor &colour,
                const QSize &logical)
{
    const float l = clipX(rect.left(), logical), r = clipX(rect.left() + rect.width(), logical);
    const float t = clipY(rect.top(), logical), b = clipY(rect.top() + rect.height(), logical);
    vertices.insert(vertices.end(), {l, b, r, b, r, t, l, b, r, t, l, t});
    for (int i = 0; i < 6; ++i)
        colours.insert(colours.end(),
                       {float(colour.redF()), float(colour.greenF()), float(colour.blueF()), float(colour.alphaF())});
}

} // namespace

struct GCodeDrawing::Block {
    int firstLayer = 0;
    int layerCount = 0; // layers of the preview in the block when it was built
    int endSegment = 0; // and where its last layer ended then
    GCodeLists lists;
    std::unique_ptr<GLList_GCode> beads;
    std::unique_ptr<GLList_GCode> travels;
};

GCodeDrawing::GCodeDrawing() = default;
GCodeDrawing::~GCodeDrawing() = default;

void GCodeDrawing::setPreview(const GCodePreview *preview)
{
    m_preview = preview;
    m_allStale = true;
    m_hovered = -1;
    m_hoverIndex.reset();
    if (m_preview)
        m_hoverIndex.update(*m_preview);
}

void GCodeDrawing::grew()
{
    if (m_preview)
        m_hoverIndex.update(*m_preview);
}

void GCodeDrawing::setOptions(const GCodeDrawOptions &options)
{
    if (options.coloring != m_options.coloring || options.heatRamp != m_options.heatRamp)
        m_allStale = true;
    m_options = options;
}

HeatPalette GCodeDrawing::palette() const
{
    static const QImage image = [] {
        initViewResources();
        return QImage(":/res/heatPalette.png");
    }();
    return HeatPalette::fromImage(image, m_options.heatRamp);
}

void GCodeDrawing::refreshBlocks()
{
    if (m_allStale) {
        m_blocks.clear();
        m_allStale = false;
    }
    const int layers = m_preview->layerCount();
    const int blockCount = (layers + kLayersPerBlock - 1) / kLayersPerBlock;
    if (int(m_blocks.size()) > blockCount)
        m_blocks.resize(size_t(blockCount));
    HeatPalette heat;
    bool paletteRead = false;
    for (int b = 0; b < blockCount; ++b) {
        const int first = b * kLayersPerBlock;
        const int count = std::min(kLayersPerBlock, layers - first);
        const int endSegment = m_preview->layers()[size_t(first + count - 1)].endSegment;
        if (b < int(m_blocks.size()) && m_blocks[size_t(b)]->layerCount == count &&
            m_blocks[size_t(b)]->endSegment == endSegment)
            continue;
        if (!paletteRead) {
            heat = palette();
            paletteRead = true;
        }
        auto block = std::make_unique<Block>();
        block->firstLayer = first;
        block->layerCount = count;
        block->endSegment = endSegment;
        block->lists = buildGCodeLists(*m_preview, first, first + count - 1, m_options.coloring, heat);
        block->beads = std::make_unique<GLList_GCode>();
        block->beads->primitive = GL_TRIANGLE_STRIP;
        block->beads->setBuffer(GLList::Vertex, block->lists.beads, 3);
        block->travels = std::make_unique<GLList_GCode>();
        block->travels->primitive = GL_LINES;
        block->travels->setBuffer(GLList::Vertex, block->lists.travels, 3);
        // The GPU has the vertices now; the runs are all the block needs to draw.
        block->lists.beads = {};
        block->lists.travels = {};
        if (b < int(m_blocks.size()))
            m_blocks[size_t(b)] = std::move(block);
        else
            m_blocks.push_back(std::move(block));
    }
}

void GCodeDrawing::drawLists(bool environment, const V3f &eye, Texture &sky)
{
    if (!active())
        return;
    refreshBlocks();
    const GCodePreview::LayerRange range = m_preview->visibleLayers(m_options.topLayer, m_options.additionalLayers);
    if (environment)
        sky.bind(0);
    auto draw = [&](GLList_GCode &list, const std::vector<GCodeDrawRun> &runs) {
        list.program = environment ? "GCodeEnv" : "GCode";
        list.camPos = QVector3D(eye.x, eye.y, eye.z);
        std::vector<const GCodeDrawRun *> shown;
        for (const GCodeDrawRun &run : runs)
            if (run.layer >= range.first && run.layer <= range.last)
                shown.push_back(&run);
        list.drawRanges(int(shown.size()), [&](QOpenGLShaderProgram &shader, int i) {
            shader.setUniformValue("u_color", toVector(QColor::fromRgb(shown[size_t(i)]->colour)));
            shader.setUniformValue("layerZ", shown[size_t(i)]->layerZ);
            return std::pair<int, int>(shown[size_t(i)]->firstVertex, shown[size_t(i)]->vertexCount);
        });
    };
    for (const auto &block : m_blocks) {
        if (block->firstLayer > range.last || block->firstLayer + block->layerCount - 1 < range.first)
            continue;
        draw(*block->beads, block->lists.beadRuns);
        if (m_options.showTravel)
            draw(*block->travels, block->lists.travelRuns);
    }
}

void GCodeDrawing::drawDepth()
{
    if (!active())
        return;
    refreshBlocks();
    const GCodePreview::LayerRange range = m_preview->visibleLayers(m_options.topLayer, m_options.additionalLayers);
    pushMatrix(ModelMatrix);
    glMatrices().model = m_options.placement;
    for (const auto &block : m_blocks) {
        block->beads->program = "GCode_depth";
        const std::vector<GCodeDrawRun> &runs = block->lists.beadRuns;
        block->beads->drawRanges(int(runs.size()), [&](QOpenGLShaderProgram &shader, int i) {
            const GCodeDrawRun &run = runs[size_t(i)];
            shader.setUniformValue("layerZ", run.layerZ);
            const bool shown = run.layer >= range.first && run.layer <= range.last;
            return std::pair<int, int>(run.firstVertex, shown ? run.vertexCount : 0);
        });
    }
    popMatrix(ModelMatrix);
}

void GCodeDrawing::drawHead(const QString &program)
{
    if (!active() || m_cursorSegment < 0 || m_cursorSegment >= int(m_preview->segments().size()))
        return;
    if (!m_headLoaded) {
        m_headLoaded = true;
        // Without the mesh among the resources the view simply shows no head.
        if (QFile::exists(kHeadResource)) {
            Faces mesh;
            try {
                mesh.importFile(kHeadResource);
            } catch (const QString &) {
                mesh.clear();
            } catch (const char *) {
                mesh.clear();
            }
            if (!mesh.isEmpty()) {
                m_head = std::make_unique<GLList_Phong>();
                uploadFaces(*m_head, mesh, true);
            }
        }
    }
    if (!m_head)
        return;
    const GCodeSegment &segment = m_preview->segments()[size_t(m_cursorSegment)];
    const int layer = m_preview->layerOfSegment(m_cursorSegment);
    const float z = layer >= 0 ? m_preview->layers()[size_t(layer)].z : 0.0f;
    GLMatrices &m = glMatrices();
    pushMatrix(ModelMatrix);
    // The nozzle's tip stands on the top of the bead it has just laid; the head stays upright and
    // unmirrored whatever the printer's axis directions.
    const QVector3D tip =
        m_options.placement.map(QVector3D(segment.x1, z + segment.beadWidth * kGCodeBeadHeightShare, segment.y1));
    m.model.setToIdentity();
    m.model.translate(tip);
    m_head->program = program;
    m_head->color = kHeadColour;
    m_head->drawPass();
    popMatrix(ModelMatrix);
}

void GCodeDrawing::drawOverlays(const QSize &logical, qreal pixelRatio)
{
    if (!active() || logical.isEmpty())
        return;
    QOpenGLFunctions &f = gl();
    f.glDisable(GL_DEPTH_TEST);
    f.glEnable(GL_BLEND);
    // The frame's alpha stays opaque: the widget is composed with it.
    f.glBlendFuncSeparate(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA, GL_ZERO, GL_ONE);
    if (m_options.showLegend)
        drawLegend(logical, pixelRatio);
    if (m_hovered >= 0)
        drawReadout(logical, pixelRatio);
    f.glDisable(GL_BLEND);
    f.glEnable(GL_DEPTH_TEST);
}

void GCodeDrawing::drawLegend(const QSize &logical, qreal pixelRatio)
{
    const QVector<LegendEntry> entries = gcodeLegend(m_options.coloring, palette());
    const QFont font = gcodeOverlayFont();
    const GCodeLegendLayout layout = layoutGCodeLegend(entries, logical, QFontMetrics(font));
    std::vector<float> vertices, colours;
    appendRect(vertices, colours, layout.panel, kPanelColour, logical);
    for (const GCodeLegendLayout::Row &row : layout.rows)
        appendRect(vertices, colours, row.swatch, QColor::fromRgb(row.entry.colour), logical);
    drawPanels(m_legendPanels, vertices, colours);

    QString key = QString::number(pixelRatio);
    for (const LegendEntry &entry : entries)
        key += '\n' + entry.label;
    const QRect labels = layout.rows.empty() ? QRect() : layout.rows.front().label.united(layout.rows.back().label);
    drawText(
        m_legendText, key,
        [&] {
            QImage image((labels.size() * pixelRatio), QImage::Format_ARGB32);
            image.setDevicePixelRatio(pixelRatio);
            image.fill(Qt::transparent);
            QPainter painter(&image);
            painter.setFont(font);
            painter.setPen(kTextColour);
            for (const GCodeLegendLayout::Row &row : layout.rows)
                painter.drawText(row.label.translated(-labels.topLeft()), Qt::AlignLeft | Qt::AlignVCenter,
                                 row.entry.label);
            return image;
        },
        labels.topLeft(), logical);
}

void GCodeDrawing::drawReadout(const QSize &logical, qreal pixelRatio)
{
    const QString text = hoveredReadout();
    const QFont font = gcodeOverlayFont();
    const QFontMetrics metrics(font);
    const QSize size(metrics.horizontalAdvance(text) + 2 * kReadoutPadding, metrics.height() + 2 * kReadoutPadding);
    const QRect rect = placeGCodeReadout(m_hoverPixel, size, logical);
    std::vector<float> vertices, colours;
    appendRect(vertices, colours, rect, kPanelColour, logical);
    drawPanels(m_readoutPanel, vertices, colours);
    drawText(
        m_readoutText, QString::number(pixelRatio) + text,
        [&] {
            QImage image(size * pixelRatio, QImage::Format_ARGB32);
            image.setDevicePixelRatio(pixelRatio);
            image.fill(Qt::transparent);
            QPainter painter(&image);
            painter.setFont(font);
            painter.setPen(kTextColour);
            painter.drawText(QRect(QPoint(0, 0), size), Qt::AlignCenter, text);
            return image;
        },
        rect.topLeft(), logical);
}

void GCodeDrawing::drawPanels(std::unique_ptr<GLList_Color2D> &list, const std::vector<float> &vertices,
                              const std::vector<float> &colours)
{
    // A fresh list each time: the legend's row count changes with the colouring.
    list = std::make_unique<GLList_Color2D>();
    list->setBuffer(GLList::Vertex, vertices, 2);
    list->setBuffer(GLList::Color, colours, 4);
    list->drawPass();
}

void GCodeDrawing::drawText(TextTexture &text, const QString &key, const std::function<QImage()> &make,
                            const QPoint &topLeft, const QSize &logical)
{
    if (!text.texture || text.key != key) {
        const QImage image = make();
        text.key = key;
        text.size = (QSizeF(image.size()) / image.devicePixelRatio()).toSize();
        text.texture = std::make_unique<QOpenGLTexture>(image, QOpenGLTexture::DontGenerateMipMaps);
        text.texture->setMinificationFilter(QOpenGLTexture::Linear);
        text.texture->setMagnificationFilter(QOpenGLTexture::Linear);
        text.texture->setWrapMode(QOpenGLTexture::ClampToEdge);
    }
    if (text.size.isEmpty())
        return;
    const float l = clipX(topLeft.x(), logical), r = clipX(topLeft.x() + text.size.width(), logical);
    const float t = clipY(topLeft.y(), logical), b = clipY(topLeft.y() + text.size.height(), logical);
    if (!m_textQuad)
        m_textQuad = std::make_unique<GLList_ColorUVTex>();
    // The image's first row is the texture's first row: v = 0 at the top.
    m_textQuad->setBuffer(GLList::Vertex, {l, b, 0, r, b, 0, r, t, 0, l, b, 0, r, t, 0, l, t, 0}, 3);
    m_textQuad->setBuffer(GLList::TexCoord, {0, 1, 1, 1, 1, 0, 0, 1, 1, 0, 0, 0}, 2);
    m_textQuad->color = Qt::white;
    m_textQuad->textureSlot = 0;
    text.texture->bind(0);
    GLMatrices &m = glMatrices();
    for (int id : {ModelMatrix, ViewMatrix, ProjectionMatrix})
        pushMatrix(id);
    m.model.setToIdentity();
    m.view.setToIdentity();
    m.projection.setToIdentity();
    m_textQuad->drawPass();
    for (int id : {ProjectionMatrix, ViewMatrix, ModelMatrix})
        popMatrix(id);
    text.texture->release(0);
}

bool GCodeDrawing::hover(const V3f &origin, const V3f &target, const QPoint &pixel)
{
    const int before = m_hovered;
    const QPoint pixelBefore = m_hoverPixel;
    m_hovered = -1;
    if (active())
        m_hovered =
            m_hoverIndex.pick(*m_preview, m_preview->visibleLayers(m_options.topLayer, m_options.additionalLayers),
                              m_options.showTravel, origin, target);
    m_hoverPixel = pixel;
    return m_hovered != before || (m_hovered >= 0 && pixel != pixelBefore);
}

bool GCodeDrawing::clearHover()
{
    const bool was = m_hovered >= 0;
    m_hovered = -1;
    return was;
}

QString GCodeDrawing::hoveredReadout() const
{
    if (!m_preview || m_hovered < 0 || m_hovered >= int(m_preview->segments().size()))
        return QString();
    return segmentReadout(m_preview->segments()[size_t(m_hovered)]);
}

void GCodeDrawing::releaseGL()
{
    m_blocks.clear();
    m_allStale = true;
    m_head.reset();
    m_headLoaded = false;
    m_legendPanels.reset();
    m_readoutPanel.reset();
    m_textQuad.reset();
    m_legendText = {};
    m_readoutText = {};
}
