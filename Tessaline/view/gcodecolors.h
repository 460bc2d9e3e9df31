#pragma once

#include "view/gcodepreview.h"

#include <QColor>
#include <QImage>
#include <QString>
#include <QVector>
#include <QtGlobal>

#include <array>

// How the G-code preview colours its segments: the G-code panel's colouring index + 1. Any other
// value paints everything white.
enum class GCodeColoring : int { Type = 1, Sequence = 2, FeedRate = 3, Extrusion = 4, Direction = 5 };

// Colours are packed RGB (0xRRGGBB).
constexpr quint32 kGCodeTravelColour = 0xCCFF00;
constexpr quint32 kGCodeUnknownModeColour = 0xFFFFFF;

// The colour of a SegType number ("Unknown" for numbers outside the table).
quint32 segTypeColour(int type);

// One colour ramp of 64 entries from the heat palette image ("heatPalette.png": 9 ramps of 64, one
// per row).
class HeatPalette
{
public:
    static constexpr int rampLength = 64;
    static constexpr int rampCount = 9;

    // A blue-green-yellow-red ramp, until the image is loaded.
    HeatPalette();
    // Row `ramp` (clamped to 0..8) of the image; an image that is not 64 x 9 pixels throws
    // "HeatPal: incompatible image".
    static HeatPalette fromImage(const QImage &image, int ramp);

    // The entry at palette coordinate t, clamped to 0..1.
    quint32 at(float t) const;

private:
    std::array<quint32, rampLength> m_ramp;
};

// Palette coordinate of a feed (mm/min): log2 from 200 to 9000 mm/min mapped onto 0..1.
float feedRateCoordinate(float feedMmPerMin);
// Palette coordinate of an extrusion ratio (filament mm per path mm): 10 times the ratio.
float extrusionCoordinate(float extrusionPerMm);
// Which of the 24 direction sectors a move (dx, dy) points into: round(atan2(dx, dy) * 24 / 2π + 24)
// modulo 24.
int directionSector(float dx, float dy);

// The colour of segment number `index` of the preview in a colouring mode (GCodeColoring value).
quint32 segmentColour(const GCodeSegment &segment, int index, int mode, const HeatPalette &palette);

// One line of the colour key that the "Legend" overlay shows.
struct LegendEntry {
    QString label;
    quint32 colour = 0;
    bool operator==(const LegendEntry &o) const { return label == o.label && colour == o.colour; }
};
// The key of a colouring mode, travel last.
QVector<LegendEntry> gcodeLegend(int mode, const HeatPalette &palette);

// The hover read-out of a segment: "F: 40.0 mm/s  E: 0.0330 mm/mm  dE: 0.123 mm  Len: 3.72 mm".
QString segmentReadout(const GCodeSegment &segment);
