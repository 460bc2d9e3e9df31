#include "view/gcodelists.h"

#include <algorithm>
#include <cstring>

namespace
{

// Travels sit a hair above the layer with an upward normal, so that their lines are lit alike in
// every direction; the smallest code that still reads as a height.
constexpr float kTravelCode = kGCodeVertexAngleLimit * 1.001f;

using Vertex = const float *;

bool sameVertex(Vertex a, Vertex b)
{
    return std::memcmp(a, b, 3 * sizeof(float)) == 0;
}

// Appends vertices to a triangle strip and tracks which of the two rails of a band (a side of the
// bead and its top) the strip's last two vertices belong to, so that a band goes on with whole
// quads: the vertex on the rail emitted longer ago comes first.
class StripWriter
{
public:
    explicit StripWriter(std::vector<float> &out) : m_out(out) {}

    // The next strip of the same run: joined to the previous one by degenerate triangles.
    void startStrip() { m_joinPending = !m_first; }
    void put(Vertex v)
    {
        if (m_joinPending) {
            // Repeating the last vertex and the next one makes four empty triangles in between.
            float last[3];
            std::memcpy(last, &m_out[m_out.size() - 3], sizeof(last));
            m_out.insert(m_out.end(), last, last + 3);
            m_out.insert(m_out.end(), v, v + 3);
            m_joinPending = false;
        }
        m_out.push_back(v[0]);
        m_out.push_back(v[1]);
        m_out.push_back(v[2]);
        m_first = false;
    }
    // The band's first cross-section: side, then top.
    void beginBand(Vertex side, Vertex top)
    {
        put(side);
        put(top);
        m_sideOlder = true;
    }
    // The quad to the next cross-section of the band.
    void quadTo(Vertex side, Vertex top)
    {
        if (m_sideOlder) {
            put(side);
            put(top);
        } else {
            put(top);
            put(side);
        }
    }
    // From the cross-section the band arrived at to the one the next move leaves from.
    void switchSection(Vertex sideIn, Vertex topIn, Vertex sideOut, Vertex topOut)
    {
        if (sameVertex(sideIn, sideOut) && sameVertex(topIn, topOut))
            return;
        if (!sameVertex(topIn, topOut)) {
            quadTo(sideOut, topOut); // the bead changes width: a short face between the two sections
            return;
        }
        // A corner: the wedge (side in, top, side out) closes its outer side.
        put(sideOut);
        if (m_sideOlder) {
            m_sideOlder = false;
        } else {
            put(topOut); // the same wedge again, and the rails back in order
            m_sideOlder = true;
        }
    }
    // The end cap across the last cross-section: the strip turns from one side to the other.
    void turn(Vertex otherSide, Vertex top)
    {
        put(otherSide);
        if (m_sideOlder) {
            m_sideOlder = false;
        } else {
            put(top);
            m_sideOlder = true;
        }
    }

private:
    std::vector<float> &m_out;
    bool m_first = true;
    bool m_joinPending = false;
    bool m_sideOlder = true;
};

struct Chain {
    int first = 0; // segment numbers of the preview
    int end = 0;
    quint32 colour = 0;
};

using Corner = GCodeSection::Corner;

Vertex at(const GCodeSection &section, Corner corner)
{
    return section.v[corner];
}

// A single move: both upper faces in six vertices, across the bead from left to right.
void writeSingle(StripWriter &strip, const GCodeBeadEnds &ends)
{
    strip.put(at(ends.start, GCodeSection::Left));
    strip.put(at(ends.end, GCodeSection::Left));
    strip.put(at(ends.start, GCodeSection::Top));
    strip.put(at(ends.end, GCodeSection::Top));
    strip.put(at(ends.start, GCodeSection::Right));
    strip.put(at(ends.end, GCodeSection::Right));
}

// Connected moves: out along the left faces, across the end, back along the right faces.
void writeChain(StripWriter &strip, const std::vector<GCodeBeadEnds> &ends)
{
    const Corner left = GCodeSection::Left, right = GCodeSection::Right, top = GCodeSection::Top;
    const size_t n = ends.size();
    strip.beginBand(at(ends[0].start, left), at(ends[0].start, top));
    for (size_t i = 0; i < n; ++i) {
        if (i > 0)
            strip.switchSection(at(ends[i - 1].end, left), at(ends[i - 1].end, top), at(ends[i].start, left),
                                at(ends[i].start, top));
        strip.quadTo(at(ends[i].end, left), at(ends[i].end, top));
    }
    strip.turn(at(ends[n - 1].end, right), at(ends[n - 1].end, top));
    for (size_t i = n; i-- > 0;) {
        if (i + 1 < n)
            strip.switchSection(at(ends[i + 1].start, right), at(ends[i + 1].start, top), at(ends[i].end, right),
                                at(ends[i].end, top));
        strip.quadTo(at(ends[i].start, right), at(ends[i].start, top));
    }
}

// The layer's extruding moves as chains of one colour whose moves meet end to start.
std::vector<Chain> chainsOf(const GCodePreview &preview, const GCodeLayer &layer, int mode, const HeatPalette &palette)
{
    std::vector<Chain> chains;
    const std::vector<GCodeSegment> &segments = preview.segments();
    bool open = false;
    for (int s = layer.firstSegment; s < layer.endSegment; ++s) {
        const GCodeSegment &seg = segments[size_t(s)];
        if (!seg.extrudes()) {
            open = false;
            continue;
        }
        const quint32 colour = segmentColour(seg, s, mode, palette);
        const GCodeSegment *previous = open ? &segments[size_t(s) - 1] : nullptr;
        if (previous && previous->x1 == seg.x0 && previous->y1 == seg.y0 && chains.back().colour == colour) {
            chains.back().end = s + 1;
            continue;
        }
        chains.push_back({s, s + 1, colour});
        open = true;
    }
    return chains;
}

void writeLayerBeads(GCodeLists &lists, const GCodePreview &preview, int layerIndex, int mode,
                     const HeatPalette &palette)
{
    const GCodeLayer &layer = preview.layers()[size_t(layerIndex)];
    const std::vector<Chain> chains = chainsOf(preview, layer, mode, palette);
    // Colours in the order they first appear; the chains of each become one run.
    std::vector<quint32> colours;
    for (const Chain &chain : chains)
        if (std::find(colours.begin(), colours.end(), chain.colour) == colours.end())
            colours.push_back(chain.colour);
    std::vector<GCodeBeadEnds> ends;
    for (const quint32 colour : colours) {
        GCodeDrawRun run{layerIndex, layer.z, lists.beadVertexCount(), 0, colour, 0};
        StripWriter strip(lists.beads);
        for (const Chain &chain : chains) {
            if (chain.colour != colour)
                continue;
            ends.clear();
            for (int s = chain.first; s < chain.end; ++s)
                ends.push_back(gcodeBeadEnds(preview.segments(), layer, s));
            strip.startStrip();
            if (ends.size() == 1)
                writeSingle(strip, ends[0]);
            else
                writeChain(strip, ends);
            run.segmentCount += chain.end - chain.first;
        }
        run.vertexCount = lists.beadVertexCount() - run.firstVertex;
        lists.beadRuns.push_back(run);
        lists.extrudingSegments += run.segmentCount;
    }
}

void writeLayerTravels(GCodeLists &lists, const GCodePreview &preview, int layerIndex)
{
    const GCodeLayer &layer = preview.layers()[size_t(layerIndex)];
    GCodeDrawRun run{layerIndex, layer.z, lists.travelVertexCount(), 0, kGCodeTravelColour, 0};
    for (int s = layer.firstSegment; s < layer.endSegment; ++s) {
        const GCodeSegment &seg = preview.segments()[size_t(s)];
        if (seg.extrudes())
            continue;
        lists.travels.insert(lists.travels.end(), {seg.x0, seg.y0, kTravelCode, seg.x1, seg.y1, kTravelCode});
        ++run.segmentCount;
    }
    run.vertexCount = lists.travelVertexCount() - run.firstVertex;
    if (run.vertexCount > 0)
        lists.travelRuns.push_back(run);
}

} // namespace

double GCodeLists::beadBytesPerSegment() const
{
    return extrudingSegments > 0 ? double(beads.size() * sizeof(float)) / extrudingSegments : 0.0;
}

GCodeLists buildGCodeLists(const GCodePreview &preview, int firstLayer, int lastLayer, int mode,
                           const HeatPalette &palette)
{
    GCodeLists lists;
    lists.firstLayer = std::max(firstLayer, 0);
    lists.lastLayer = std::min(lastLayer, preview.layerCount() - 1);
    if (lists.firstLayer > lists.lastLayer)
        return lists;
    const int firstSegment = preview.layers()[size_t(lists.firstLayer)].firstSegment;
    const int endSegment = preview.layers()[size_t(lists.lastLayer)].endSegment;
    // About five vertices per move of a real file and seven where every join is a corner: reserving
    // for seven spares copying hundreds of megabytes on a big file.
    lists.beads.reserve(size_t(endSegment - firstSegment) * 7 * 3);
    for (int l = lists.firstLayer; l <= lists.lastLayer; ++l) {
        writeLayerBeads(lists, preview, l, mode, palette);
        writeLayerTravels(lists, preview, l);
    }
    return lists;
}
