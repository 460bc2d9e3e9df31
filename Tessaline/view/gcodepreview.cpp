#include "view/gcodepreview.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace
{

constexpr float kBeadWidthFactor = 1.42f;
// A bead is resized only when the extrusion ratio moves this much (mm/mm), so that the rounding of
// E in the file does not make every segment a different width.
constexpr float kBeadRatioStep = 0.002f;
constexpr int kGCommand = 'G' - 'A';
constexpr int kSetPositionCommand = 92;

// Heights are compared in micrometres: the writers print three decimals.
long long heightKey(float z)
{
    return std::llround(double(z) * 1000.0);
}

bool isLineEnd(char c)
{
    return c == '\n' || c == '\r';
}

// Where the complete lines of the text end: after the last line end that is not the text's final
// byte. The parser looks one byte past a line end for its partner ("\r\n", "\n\r"), so that byte must
// already be there; when it is the partner, the parser steps over it and the block ends after it.
int completeLinesEnd(const char *text, int size)
{
    for (int i = size - 2; i >= 0; --i)
        if (isLineEnd(text[i]))
            return i + 1;
    return 0;
}

} // namespace

double GCodeSegment::length() const
{
    const double dX = double(x1) - double(x0), dY = double(y1) - double(y0);
    return (dX == 0 || dY == 0) ? std::abs(dX + dY) : std::sqrt(dX * dX + dY * dY);
}

float GCodeSegment::extrusionPerMm() const
{
    const double len = length();
    return len > 0 ? float(double(dE) / len) : 0.0f;
}

void GCodePreview::reset()
{
    m_parser.reset();
    m_pending.clear();
    m_segments.clear();
    m_layers.clear();
    m_lastX = m_lastY = m_lastE = 0.0f;
    m_ratioForWidth = -1.0f;
    m_beadWidth = 0.0f;
    m_afterLastExtrusion = 0;
}

void GCodePreview::append(const QByteArray &chunk)
{
    if (m_pending.isEmpty()) {
        // The usual whole-file case: parse the caller's bytes in place, keep only the unfinished tail.
        const int end = completeLinesEnd(chunk.constData(), chunk.size());
        m_segments.reserve(m_segments.size() + size_t(end / 32));
        const char *parsedTo = parseBlock(chunk.constData(), chunk.constData() + end);
        m_pending = chunk.mid(int(parsedTo - chunk.constData()));
        return;
    }
    m_pending.append(chunk);
    const int end = completeLinesEnd(m_pending.constData(), m_pending.size());
    const char *parsedTo = parseBlock(m_pending.constData(), m_pending.constData() + end);
    m_pending.remove(0, int(parsedTo - m_pending.constData()));
}

void GCodePreview::finish()
{
    const QByteArray rest = m_pending;
    m_pending.clear();
    parseBlock(rest.constData(), rest.constData() + rest.size());
}

const char *GCodePreview::parseBlock(const char *begin, const char *end)
{
    m_parser.textStart = begin;
    const char *cursor = begin;
    while (cursor < end) {
        if (*cursor == '\0') {
            ++cursor;
            continue;
        }
        const qint32 line = m_parser.lineNo;
        m_parser.parseCommand(cursor);
        recordMove(line);
    }
    // An unclosed parenthesis comment may have carried the parser past the block.
    return cursor;
}

void GCodePreview::recordMove(qint32 line)
{
    const GCodeParser &p = m_parser;
    const bool setPosition = p.has[kGCommand] && std::floor(p.val[kGCommand] + 0.5f) == kSetPositionCommand;
    if (!setPosition && (p.posX != m_lastX || p.posY != m_lastY)) {
        GCodeSegment segment;
        segment.x0 = m_lastX;
        segment.y0 = m_lastY;
        segment.x1 = p.posX;
        segment.y1 = p.posY;
        segment.dE = float(double(p.posE) - double(m_lastE));
        segment.feed = p.feed;
        segment.line = line;
        segment.type = p.segType;
        if (segment.extrudes()) {
            const float ratio = segment.extrusionPerMm();
            if (std::fabs(ratio - m_ratioForWidth) >= kBeadRatioStep) {
                m_ratioForWidth = ratio;
                m_beadWidth = kBeadWidthFactor * std::sqrt(ratio);
            }
            segment.beadWidth = m_beadWidth;
            startLayerIfNeeded(p.posZ);
            m_afterLastExtrusion = int(m_segments.size()) + 1;
            m_layers.back().maxBeadWidth = std::max(m_layers.back().maxBeadWidth, m_beadWidth);
        }
        m_segments.push_back(segment);
        if (!m_layers.empty())
            m_layers.back().endSegment = int(m_segments.size());
    }
    m_lastX = p.posX;
    m_lastY = p.posY;
    m_lastE = p.posE;
}

void GCodePreview::startLayerIfNeeded(float z)
{
    if (!m_layers.empty() && heightKey(m_layers.back().z) == heightKey(z))
        return;
    GCodeLayer layer;
    layer.z = z;
    // The travels since the last extrusion lead to this layer: they move over to it.
    layer.firstSegment = m_layers.empty() ? 0 : m_afterLastExtrusion;
    if (!m_layers.empty())
        m_layers.back().endSegment = m_afterLastExtrusion;
    m_layers.push_back(layer);
}

int GCodePreview::segmentAtLine(int line) const
{
    const auto after = std::upper_bound(m_segments.begin(), m_segments.end(), line,
                                        [](int l, const GCodeSegment &s) { return l < s.line; });
    return int(after - m_segments.begin()) - 1;
}

int GCodePreview::layerOfSegment(int segment) const
{
    if (segment < 0 || segment >= int(m_segments.size()))
        return -1;
    const auto after = std::upper_bound(m_layers.begin(), m_layers.end(), segment,
                                        [](int s, const GCodeLayer &layer) { return s < layer.firstSegment; });
    if (after == m_layers.begin())
        return -1;
    const int layer = int(after - m_layers.begin()) - 1;
    return segment < m_layers[size_t(layer)].endSegment ? layer : -1;
}

int GCodePreview::firstLineOfLayer(int layer) const
{
    if (layer < 0 || layer >= layerCount())
        return -1;
    const GCodeLayer &l = m_layers[size_t(layer)];
    for (int s = l.firstSegment; s < l.endSegment; ++s)
        if (m_segments[size_t(s)].extrudes())
            return m_segments[size_t(s)].line;
    return -1;
}

GCodePreview::LayerRange GCodePreview::visibleLayers(int topLayer, int additionalLayers) const
{
    if (m_layers.empty())
        return {};
    const int last = std::clamp(topLayer, 0, layerCount() - 1);
    return {std::max(0, last - std::max(additionalLayers, 0)), last};
}

std::array<double, kSegTypeCount> GCodePreview::extrudedLengthPerType() const
{
    std::array<double, kSegTypeCount> lengths{};
    for (const GCodeSegment &s : m_segments)
        if (s.extrudes())
            lengths[size_t(s.type) % kSegTypeCount] += s.length();
    return lengths;
}
