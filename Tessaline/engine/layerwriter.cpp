#include "engine/layerwriter.h"

#include "common/gcode/gcodesimformat.h"

#include <cmath>
#include <cstdint>
#include <limits>

namespace
{

constexpr float pi = 3.1415927f;
// Moves this short (mm) are not worth a positioning move.
constexpr double negligibleMoveMm = 0.05;
// Where the head is assumed before a layer's first move (pixels): far from everything.
constexpr float unknownHead = -9999.0f;
// The minimum layer time never slows a layer below this share of its speed.
constexpr float slowestFactor = 0.025f;
// Per-point widths are in pixels; half the cell fraction turns one into a share of the nominal extrusion.
constexpr float widthScale = 0.1665f;

std::int64_t roundHalfUp(double value)
{
    const double rounded = std::floor(value + 0.5);
    if (!(std::fabs(rounded) < 9.0e18))
        return 0;
    return std::int64_t(rounded);
}

std::int64_t truncated(double value)
{
    if (!(std::fabs(value) < 9.0e18))
        return 0;
    return std::int64_t(value);
}

bool isOneOf(SegType type, std::initializer_list<SegType> types)
{
    for (const SegType candidate : types)
        if (type == candidate)
            return true;
    return false;
}

float factorOf(const SlicerParams::FactorArray &factors, SegType type)
{
    const int slot = int(type);
    return slot >= 0 && slot < SlicerParams::factorSlots ? factors[size_t(slot)] : 0.0f;
}

// Fan value of a layer: first and second layer as set, then a straight ramp up to the Nth.
int fanValue(const SlicerParams &sp, int layer)
{
    if (layer == 0)
        return sp.FanFirstLayer;
    if (layer == 1)
        return sp.FanSecondLayer;
    if (layer >= sp.FanN)
        return sp.FanNthLayer;
    const double t = double(layer - 1) / double(sp.FanN - 1);
    return int(roundHalfUp(sp.FanSecondLayer + (sp.FanNthLayer - sp.FanSecondLayer) * t));
}

// Share of full speed while the first layers ramp up.
float rampFactor(const SlicerParams &sp, int layer)
{
    if (sp.InitialLayerCnt < 1)
        return 1.0f;
    const float factor =
        sp.InitialLayerSpeed + (1.0f - sp.InitialLayerSpeed) * float(layer) / float(sp.InitialLayerCnt);
    return std::fmin(factor, 1.0f);
}

class LayerWriter
{
public:
    explicit LayerWriter(const LayerWriterInput &input);
    QByteArray write(const QVector<PolyLine> &paths);

private:
    void runPass(const QVector<PolyLine> &paths);
    void writeBanner();
    void writeTravel(const PolyLine &path);
    void writeExtrusion(const PolyLine &path);
    void startType(SegType type);
    void moveToStart(const V2f &start);
    void retractAndLift();
    void lowerAndPrime();
    void planWipe(const PolyLine &path);
    void writePendingWipe();

    void appendXY(const V2f &point);
    void appendInt(std::int64_t value) { gcodeformat::appendInt(m_text, value); }
    void appendReal(double value) { gcodeformat::appendReal(m_text, value); }
    double distanceMm(const V2f &a, const V2f &b) const;

    const LayerWriterInput &m_in;
    const SlicerParams &m_sp;
    // Per layer.
    bool m_firstLayer;
    float m_z;
    float m_ePerMmBase;
    float m_rampFactor;
    float m_wipeLength; // pixels
    std::int64_t m_travelFeed, m_verticalFeed, m_retractFeed, m_wipeFeed;
    float m_drawFeedBase;
    // Per pass.
    QByteArray m_text;
    float m_speedFactor = 1.0f;
    double m_e = 0;
    V2f m_head;
    SegType m_type = SegType::Unknown;
    bool m_retractPending = true;
    bool m_firstMove = true;
    bool m_wipePending = false;
    V2f m_wipeTarget;
    double m_layerTime = 0;
    // Per path type.
    double m_ePerMm = 0;
    double m_drawFeed = 0;
    double m_secondsPerMm = 0;
};

LayerWriter::LayerWriter(const LayerWriterInput &input) : m_in(input), m_sp(input.params)
{
    const int i = input.layerIndex;
    m_firstLayer = i == 0 && input.raftHeight == 0.0f;
    m_z = m_sp.LayerHeight * float(i) + m_sp.FirstLayerHeight + input.raftHeight + m_sp.ZAdjust;
    const float thickness = i == 0 ? m_sp.FirstLayerHeight : m_sp.LayerHeight;
    const float ratio = m_firstLayer ? m_sp.FirstLayerExtruderSpeedRatio : m_sp.ExtruderSpeedRatio;
    const float radius = m_sp.FilamentDiameter / 2.0f;
    m_ePerMmBase = (thickness * m_sp.ExtrusionWidth) / (pi * radius * radius) * ratio * 0.01f;
    m_rampFactor = rampFactor(m_sp, i);
    m_wipeLength = m_sp.WipeLength / input.cellFraction;
    m_travelFeed = roundHalfUp(double(m_sp.TravelSpeed) * 60.0);
    m_verticalFeed = roundHalfUp(double(m_sp.VerticalSpeed) * 60.0);
    m_retractFeed = roundHalfUp(double(m_sp.RetractSpeed) * 60.0);
    m_wipeFeed = roundHalfUp(double(m_sp.WipeSpeed) * 60.0);
    m_drawFeedBase = (m_firstLayer ? m_sp.FirstLayerDrawSpeed : m_sp.DrawSpeed) * 60.0f;
}

QByteArray LayerWriter::write(const QVector<PolyLine> &paths)
{
    m_speedFactor = m_rampFactor;
    runPass(paths);
    if (m_layerTime >= double(m_sp.MinLayerTime) || !(m_layerTime > 0))
        return m_text;
    // Too fast: slow down by the missing share. The ramp's slowing stays in, so that a short first layer is
    // never written faster than the ramp wants.
    const float needed = float(m_layerTime) / std::fmax(m_sp.MinLayerTime, 0.1f);
    m_speedFactor = std::fmin(std::fmax(m_rampFactor * needed, slowestFactor), 1.0f);
    runPass(paths);
    return m_text;
}

void LayerWriter::runPass(const QVector<PolyLine> &paths)
{
    m_text.clear();
    m_e = 0;
    m_head = V2f(unknownHead, unknownHead);
    m_type = SegType::Unknown;
    m_retractPending = true;
    m_firstMove = true;
    m_wipePending = false;
    m_layerTime = 0;
    writeBanner();
    for (const PolyLine &path : paths) {
        if (path.type == SegType::Travel)
            writeTravel(path);
        else if (!path.isEmpty())
            writeExtrusion(path);
    }
    writePendingWipe();
}

void LayerWriter::writeBanner()
{
    m_text += "; ------------------------------------\r\n; Layer #";
    appendInt(m_in.layerIndex);
    m_text += "\r\n; ------------------------------------\r\nG21 ; mm\r\nG90 ; abs\r\nG92 E0 ; reset extr\r\n";
    if (!m_sp.FanEnable)
        return;
    const int fan = fanValue(m_sp, m_in.layerIndex);
    m_text += "M106 S";
    appendInt(fan < 1 ? 0 : fan);
    m_text += "\r\n";
}

void LayerWriter::writeTravel(const PolyLine &path)
{
    // Point 0 is where the head already is.
    if (path.count() < 2)
        return;
    m_retractPending = m_retractPending || path.retract;
    if (m_retractPending)
        retractAndLift();
    writePendingWipe();
    m_text += "G0 F";
    appendInt(m_travelFeed);
    appendXY(path.points[1]);
    m_text += "\r\n";
    for (int k = 2; k < path.count(); ++k) {
        m_text += "G0";
        appendXY(path.points[k]);
        m_text += "\r\n";
    }
    if (m_retractPending)
        lowerAndPrime();
    m_firstMove = false;
    m_retractPending = false;
    m_head = path.points.last();
}

void LayerWriter::writeExtrusion(const PolyLine &path)
{
    // Infill and shells right after the perimeter hide its seam themselves.
    if (m_wipePending && m_type == SegType::Perimeter &&
        isOneOf(path.type, {SegType::OuterHair, SegType::HShell, SegType::Infill}))
        m_wipePending = false;
    if (path.type != m_type)
        startType(path.type);
    moveToStart(path.points.first());

    const bool withWidths = !path.w.isEmpty() && path.w.size() == path.points.size();
    for (int k = 1; k < path.count(); ++k) {
        const double length = distanceMm(path.points[k - 1], path.points[k]);
        m_e += length * m_ePerMm * (withWidths ? double(path.w[k]) * widthScale : 1.0);
        m_text += "G1";
        if (k == 1) {
            m_text += " F";
            appendInt(truncated(m_drawFeed));
        }
        appendXY(path.points[k]);
        m_text += " E";
        appendReal(m_e);
        m_text += "\r\n";
        if (m_layerTime < double(m_sp.MinLayerTime))
            m_layerTime += length * m_secondsPerMm;
    }
    planWipe(path);
    m_retractPending = path.retract ||
                       isOneOf(path.type, {SegType::Support, SegType::Skirt, SegType::Raft, SegType::OuterHair}) ||
                       m_wipePending;
    m_firstMove = false;
    m_head = path.points.last();
}

void LayerWriter::startType(SegType type)
{
    m_text += ";segType:";
    m_text += segTypeName(type);
    m_text += "\r\n";
    m_type = type;
    m_ePerMm = double(factorOf(m_sp.EFactor, type)) * double(m_ePerMmBase);
    // Parallel shell lines at a lower density lie further apart, so each carries more. A density of zero
    // gives no lines; should one come anyway it is printed at the plain rate rather than an infinite one.
    if (type == SegType::HShell && m_sp.HShellType == 0 && m_sp.HShellDensity > 0.0f)
        m_ePerMm /= double(m_sp.HShellDensity);
    m_drawFeed = double(factorOf(m_sp.FFactor, type) * m_drawFeedBase * m_speedFactor);
    m_secondsPerMm = 60.0 / m_drawFeed;
}

void LayerWriter::moveToStart(const V2f &start)
{
    const double distance = distanceMm(m_head, start);
    // The layer's first move always goes the far way: it is the one that sets the layer's Z.
    const bool nearMove = !m_firstMove && (!m_retractPending || distance <= double(m_sp.TravelMinDist));
    if (nearMove) {
        // A path that starts where the last one ended continues it: the head does not leave, so a pending wipe
        // (and the retraction it asks for) waits until it does, unless this path plans a wipe of its own.
        if (distance > negligibleMoveMm) {
            writePendingWipe();
            m_text += "G0";
            appendXY(start);
            m_text += " F";
            appendInt(m_travelFeed);
            m_text += "\r\n";
        }
    } else {
        retractAndLift();
        m_text += "G0 F";
        appendInt(m_travelFeed);
        appendXY(start);
        m_text += "\r\n";
        lowerAndPrime();
    }
}

void LayerWriter::retractAndLift()
{
    if (m_sp.TravelRetract > 0.0f) {
        m_e -= double(m_sp.TravelRetract);
        m_text += "G0 F";
        appendInt(m_retractFeed);
        m_text += " E";
        appendReal(m_e);
        m_text += "\r\n";
    }
    writePendingWipe();
    if (m_sp.TravelHeight > 0.0f || m_firstMove) {
        m_text += "G0 F";
        appendInt(m_verticalFeed);
        m_text += " Z";
        appendReal(double(m_z + m_sp.TravelHeight));
        m_text += "\r\n";
    }
}

void LayerWriter::lowerAndPrime()
{
    if (m_sp.TravelHeight > 0.0f) {
        m_text += "G0 F";
        appendInt(m_verticalFeed);
        m_text += " Z";
        appendReal(double(m_z));
        m_text += "\r\n";
    }
    if (m_sp.TravelPrime > 0.0f) {
        m_e += double(m_sp.TravelPrime);
        m_text += "G0 F";
        appendInt(m_retractFeed);
        m_text += " E";
        appendReal(m_e);
        m_text += "\r\n";
    }
}

void LayerWriter::planWipe(const PolyLine &path)
{
    if (!(m_wipeLength > 0.0f) || path.count() < 2 ||
        !isOneOf(path.type, {SegType::Perimeter, SegType::Support, SegType::Skirt, SegType::Raft, SegType::OuterHair}))
        return;
    const int n = path.count();
    const auto unit = [](const V2f &v) { return v * (1.0f / v.length()); };
    V2f direction = unit(path.points[n - 1] - path.points[n - 2]);
    if (path.closed && path.type == SegType::Perimeter) {
        // Into the loop, across the seam: the average of the inward normals of the first and last segment.
        const auto quarterClockwise = [](const V2f &v) { return V2f(v.y, -v.x); };
        const V2f first = quarterClockwise(unit(path.points[1] - path.points[0]));
        const V2f last = quarterClockwise(direction);
        const V2f sum = first + last;
        direction = sum.length() == 0.0f ? V2f(0.0f, 0.0f) : unit(sum);
    }
    const V2f target = path.points[n - 1] - direction * m_wipeLength;
    if (std::isnan(target.x) || std::isnan(target.y))
        return;
    m_wipePending = true;
    m_wipeTarget = target;
}

void LayerWriter::writePendingWipe()
{
    if (!m_wipePending)
        return;
    m_wipePending = false;
    m_text += "G0 F";
    appendInt(m_wipeFeed);
    appendXY(m_wipeTarget);
    m_text += "\r\n";
}

void LayerWriter::appendXY(const V2f &point)
{
    const RasterFrame &frame = m_in.frame;
    const MachineRecord &machine = m_in.machine;
    const float x =
        (point.x * frame.pixelSizeX + frame.originX - machine.originX + machine.buildWidth / 2.0f) * machine.signX;
    const float y =
        (point.y * frame.pixelSizeZ + frame.originZ - machine.originZ + machine.buildDepth / 2.0f) * machine.signZ;
    m_text += " X";
    appendReal(double(x));
    m_text += " Y";
    appendReal(double(y));
}

double LayerWriter::distanceMm(const V2f &a, const V2f &b) const
{
    const double dx = double(b.x - a.x) * double(m_in.frame.pixelSizeX);
    const double dz = double(b.y - a.y) * double(m_in.frame.pixelSizeZ);
    return std::sqrt(dx * dx + dz * dz);
}

} // namespace

QByteArray writeLayerGCode(const LayerWriterInput &input, const QVector<PolyLine> &paths)
{
    return LayerWriter(input).write(paths);
}
