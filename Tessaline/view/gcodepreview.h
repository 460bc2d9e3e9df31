#pragma once

#include "common/gcode/gcodeparser.h"
#include "common/gcode/gcodeparsertypes.h"

#include <QByteArray>
#include <QString>
#include <QtGlobal>

#include <array>
#include <vector>

// One move of the previewed G-code with a length in the layer plane (G-code X and Y, mm). Moves that
// only change height or the extruder draw nothing and are not kept. Flat and small: a big file holds
// millions of these in one array.
struct GCodeSegment {
    float x0 = 0, y0 = 0, x1 = 0, y1 = 0;
    float dE = 0;   // extruder advance over the move, mm; a move whose extruder does not grow is a travel
    float feed = 0; // mm/min
    // Distance from the path to each side of the drawn bead, mm: 1.42 * sqrt(filament mm per path mm),
    // recomputed only when that ratio moves by 0.002 or more. 0 for travels.
    float beadWidth = 0;
    qint32 line = 0; // of the command, from 0
    qint32 type = 0; // the parser's segment type (SegType number) during the move

    bool extrudes() const { return dE > 0.0f; }
    float dx() const { return x1 - x0; }
    float dy() const { return y1 - y0; }
    // As the parser measures it, so that sums match its totals.
    double length() const;
    // Filament per millimetre of path (mm/mm).
    float extrusionPerMm() const;
};

// The segments from `firstSegment` up to `endSegment` (exclusive) are one layer: they start with
// the travels that lead to its first extrusion and end before the travels to the next layer.
struct GCodeLayer {
    float z = 0; // G-code Z of its extrusions, mm
    int firstSegment = 0;
    int endSegment = 0;
    float maxBeadWidth = 0;
    int segmentCount() const { return endSegment - firstSegment; }
};

// The parsed G-code that the view previews: segments in file order, grouped into layers by the
// height of their extrusions (a new layer begins whenever something is extruded at another height).
// Built whole from a file or piece by piece while a slice produces it; the parser's totals, time
// estimate and first error stay readable.
class GCodePreview
{
public:
    void reset();
    // Parses the complete lines of the text received so far and keeps the rest for the next call. The
    // chunk must own its bytes (not QByteArray::fromRawData): the parser relies on the terminating NUL.
    void append(const QByteArray &chunk);
    // Parses what is left (a last line without a line end).
    void finish();
    void build(const QByteArray &text)
    {
        reset();
        append(text);
        finish();
    }

    const std::vector<GCodeSegment> &segments() const { return m_segments; }
    const std::vector<GCodeLayer> &layers() const { return m_layers; }
    int layerCount() const { return int(m_layers.size()); }
    const GCodeParser &parser() const { return m_parser; }
    const QString &error() const { return m_parser.error(); }
    // Lines the parser has passed.
    int lineCount() const { return m_parser.lineNo; }

    // The line cursor: the last segment made by a command at or before `line`, or -1.
    int segmentAtLine(int line) const;
    // The layer holding a segment, or -1.
    int layerOfSegment(int segment) const;
    // The line of a layer's first extrusion (where its ";LAYER" text would be), or -1.
    int firstLineOfLayer(int layer) const;

    // The layers drawn with `topLayer` on top and `additionalLayers` below it, clamped to the file;
    // first > last when there is no layer.
    struct LayerRange {
        int first = 0;
        int last = -1;
    };
    LayerRange visibleLayers(int topLayer, int additionalLayers) const;

    // XY path length of the extruding segments by segment type, mm.
    std::array<double, kSegTypeCount> extrudedLengthPerType() const;

private:
    // Parses the lines in [begin, end) of NUL-terminated text; returns where parsing stopped.
    const char *parseBlock(const char *begin, const char *end);
    void recordMove(qint32 line);
    void startLayerIfNeeded(float z);

    GCodeParser m_parser;
    QByteArray m_pending;
    std::vector<GCodeSegment> m_segments;
    std::vector<GCodeLayer> m_layers;
    float m_lastX = 0, m_lastY = 0, m_lastE = 0;
    float m_ratioForWidth = -1.0f; // extrusion ratio that m_beadWidth was computed from
    float m_beadWidth = 0.0f;
    int m_afterLastExtrusion = 0; // segment index after the last extruding one
};
