#include "view/gcodecolors.h"

#include <algorithm>
#include <cmath>

namespace
{

constexpr double kPi = 3.14159265358979323846;
constexpr double kLowFeed = 200.0;   // mm/min at the cold end of the palette
constexpr double kHighFeed = 9000.0; // mm/min at the hot end
constexpr float kExtrusionScale = 10.0f;
constexpr int kDirectionSectors = 24;

constexpr quint32 kTypeColours[kSegTypeCount] = {0x8877DD, 0xFFFFFF, 0xFF8000, 0x40FFCC, 0x1EFF00, 0x0070DD,
                                                 0xFD50C0, 0xFF0020, 0x102060, 0x573BF6, 0x372BB6, 0xCCFF00};

// Neighbouring segments of a path get clearly different colours, so that the order shows.
constexpr quint32 kSequenceColours[] = {0xE6194B, 0x3CB44B, 0xFFE119, 0x4363D8, 0xF58231, 0x911EB4, 0x46F0F0, 0xF032E6};
constexpr int kSequenceCount = int(sizeof(kSequenceColours) / sizeof(kSequenceColours[0]));

quint32 mix(quint32 a, quint32 b, double t)
{
    quint32 out = 0;
    for (int shift = 0; shift <= 16; shift += 8) {
        const double ca = (a >> shift) & 0xFF, cb = (b >> shift) & 0xFF;
        out |= quint32(std::lround(ca + (cb - ca) * t)) << shift;
    }
    return out;
}

// A hue wheel, one colour per sector, so that opposite directions get opposite hues.
quint32 directionColour(int sector)
{
    const QColor colour = QColor::fromHsvF(double(sector) / kDirectionSectors, 0.85, 1.0);
    return colour.rgb() & 0xFFFFFF;
}

QString number(double value, int decimals)
{
    return QString::number(value, 'f', decimals);
}

} // namespace

quint32 segTypeColour(int type)
{
    return type >= 0 && type < kSegTypeCount ? kTypeColours[type] : kTypeColours[0];
}

HeatPalette::HeatPalette()
{
    constexpr quint32 stops[] = {0x0020C0, 0x00C0FF, 0x20FF40, 0xFFF000, 0xFF2000};
    constexpr int spans = int(sizeof(stops) / sizeof(stops[0])) - 1;
    for (int i = 0; i < rampLength; ++i) {
        const double t = double(i) / (rampLength - 1) * spans;
        const int span = std::min(int(t), spans - 1);
        m_ramp[size_t(i)] = mix(stops[span], stops[span + 1], t - span);
    }
}

HeatPalette HeatPalette::fromImage(const QImage &image, int ramp)
{
    if (image.width() != rampLength || image.height() != rampCount)
        throw "HeatPal: incompatible image";
    HeatPalette palette;
    const int row = std::clamp(ramp, 0, rampCount - 1);
    for (int i = 0; i < rampLength; ++i)
        palette.m_ramp[size_t(i)] = image.pixel(i, row) & 0xFFFFFF;
    return palette;
}

quint32 HeatPalette::at(float t) const
{
    const float clamped = std::isfinite(t) ? std::clamp(t, 0.0f, 1.0f) : 0.0f;
    return m_ramp[size_t(std::lround(clamped * (rampLength - 1)))];
}

float feedRateCoordinate(float feedMmPerMin)
{
    if (!(feedMmPerMin > 0.0f))
        return 0.0f;
    return float((std::log2(double(feedMmPerMin)) - std::log2(kLowFeed)) /
                 (std::log2(kHighFeed) - std::log2(kLowFeed)));
}

float extrusionCoordinate(float extrusionPerMm)
{
    return kExtrusionScale * extrusionPerMm;
}

int directionSector(float dx, float dy)
{
    const long sector =
        std::lround(std::atan2(double(dx), double(dy)) * kDirectionSectors / (2.0 * kPi) + kDirectionSectors);
    return int(sector % kDirectionSectors);
}

quint32 segmentColour(const GCodeSegment &segment, int index, int mode, const HeatPalette &palette)
{
    if (!segment.extrudes())
        return kGCodeTravelColour;
    switch (GCodeColoring(mode)) {
    case GCodeColoring::Type:
        return segTypeColour(segment.type);
    case GCodeColoring::Sequence:
        return kSequenceColours[std::abs(index) % kSequenceCount];
    case GCodeColoring::FeedRate:
        return palette.at(feedRateCoordinate(segment.feed));
    case GCodeColoring::Extrusion:
        return palette.at(extrusionCoordinate(segment.extrusionPerMm()));
    case GCodeColoring::Direction:
        return directionColour(directionSector(segment.dx(), segment.dy()));
    }
    return kGCodeUnknownModeColour;
}

QVector<LegendEntry> gcodeLegend(int mode, const HeatPalette &palette)
{
    QVector<LegendEntry> legend;
    constexpr int heatSteps = 6;
    switch (GCodeColoring(mode)) {
    case GCodeColoring::Type:
        for (int type = 0; type < kSegTypeCount - 1; ++type)
            legend.append({QString::fromLatin1(segTypeNames[type]), segTypeColour(type)});
        break;
    case GCodeColoring::Sequence:
        for (int i = 0; i < kSequenceCount; ++i)
            legend.append({QStringLiteral("#%1").arg(i + 1), kSequenceColours[i]});
        break;
    case GCodeColoring::FeedRate:
        for (int i = 0; i < heatSteps; ++i) {
            const double t = double(i) / (heatSteps - 1);
            const double feed = std::exp2(std::log2(kLowFeed) + t * (std::log2(kHighFeed) - std::log2(kLowFeed)));
            legend.append({number(feed / 60.0, 1) + QStringLiteral(" mm/s"), palette.at(float(t))});
        }
        break;
    case GCodeColoring::Extrusion:
        for (int i = 0; i < heatSteps; ++i) {
            const double t = double(i) / (heatSteps - 1);
            legend.append({number(t / kExtrusionScale, 3) + QStringLiteral(" mm/mm"), palette.at(float(t))});
        }
        break;
    case GCodeColoring::Direction: {
        const char *const names[] = {"+Y", "+X", "-Y", "-X"};
        for (int quarter = 0; quarter < 4; ++quarter)
            legend.append({QString::fromLatin1(names[quarter]), directionColour(quarter * kDirectionSectors / 4)});
        break;
    }
    default:
        legend.append({QStringLiteral("Extrusion"), kGCodeUnknownModeColour});
        break;
    }
    legend.append({QString::fromLatin1(segTypeNames[kSegTypeCount - 1]), kGCodeTravelColour});
    return legend;
}

QString segmentReadout(const GCodeSegment &segment)
{
    return QStringLiteral("F: ") + number(segment.feed / 60.0, 1) + QStringLiteral(" mm/s  E: ") +
           number(segment.extrusionPerMm(), 4) + QStringLiteral(" mm/mm  dE: ") + number(segment.dE, 3) +
           QStringLiteral(" mm  Len: ") + number(segment.length(), 2) + QStringLiteral(" mm");
}
