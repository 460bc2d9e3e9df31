#pragma once

#include "geometry/v3f.h"
#include "view/gcodelists.h"
#include "view/gcodeoverlay.h"

#include <QImage>
#include <QPoint>
#include <QSize>
#include <QString>

#include <functional>
#include <memory>
#include <vector>

class GLList_Color2D;
class GLList_ColorUVTex;
class GLList_GCode;
class GLList_Phong;
class QOpenGLTexture;
class Texture;

// The G-code side of the view: the lean lists of the window's preview in blocks of layers, the print
// head at the line cursor, the legend and the hover read-out. The preview belongs to the window; the
// lists are built on the next frame after it changed, and a growing preview rebuilds only its last
// block. GL work happens with the view's context current; everything else is plain state.
class GCodeDrawing
{
public:
    GCodeDrawing();
    ~GCodeDrawing();

    void setPreview(const GCodePreview *preview);
    const GCodePreview *preview() const { return m_preview; }
    void grew();
    void setOptions(const GCodeDrawOptions &options);
    const GCodeDrawOptions &options() const { return m_options; }
    bool active() const { return m_options.shown && m_preview && m_preview->layerCount() > 0; }
    void setLineCursor(int segment) { m_cursorSegment = segment; }
    int lineCursor() const { return m_cursorSegment; }

    // Follows the cursor (ray in scene coordinates, pixel in logical pixels); true when what is shown
    // changed.
    bool hover(const V3f &origin, const V3f &target, const QPoint &pixel);
    bool clearHover();
    int hoveredSegment() const { return m_hovered; }
    QString hoveredReadout() const;

    // With the context current and the model matrix placing the G-code in the scene.
    void drawLists(bool environment, const V3f &eye, Texture &sky);
    void drawDepth();
    void drawHead(const QString &program);
    void drawOverlays(const QSize &logical, qreal pixelRatio);
    void releaseGL();

private:
    struct Block;
    void refreshBlocks();
    HeatPalette palette() const;
    struct TextTexture {
        QString key;
        QSize size; // logical pixels
        std::unique_ptr<QOpenGLTexture> texture;
    };
    // Draws a text image made for `key` (made again only when the key changes) at `topLeft`.
    void drawText(TextTexture &text, const QString &key, const std::function<QImage()> &make, const QPoint &topLeft,
                  const QSize &logical);
    void drawPanels(std::unique_ptr<GLList_Color2D> &list, const std::vector<float> &vertices,
                    const std::vector<float> &colours);
    void drawLegend(const QSize &logical, qreal pixelRatio);
    void drawReadout(const QSize &logical, qreal pixelRatio);

    const GCodePreview *m_preview = nullptr;
    GCodeDrawOptions m_options;
    std::vector<std::unique_ptr<Block>> m_blocks;
    bool m_allStale = true;
    int m_cursorSegment = -1;
    GCodeHoverIndex m_hoverIndex;
    int m_hovered = -1;
    QPoint m_hoverPixel;

    std::unique_ptr<GLList_Phong> m_head;
    bool m_headLoaded = false;
    std::unique_ptr<GLList_Color2D> m_legendPanels;
    std::unique_ptr<GLList_Color2D> m_readoutPanel;
    std::unique_ptr<GLList_ColorUVTex> m_textQuad;
    TextTexture m_legendText;
    TextTexture m_readoutText;
};
