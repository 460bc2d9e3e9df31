#pragma once

#include <QByteArray>
#include <QString>

#include <array>

#include "common/gcode/gcodeparsertypes.h"

// What `stats` reports about one G-code text, measured by one walk of the shared parser.
struct GCodeStats {
    double timeSec = 0;     // estimated print time, s
    double totalE = 0;      // filament, mm (retractions subtract)
    double extrudeDist = 0; // XY path length of extruding moves, mm
    double travelDist = 0;  // XY path length of the other moves, mm
    int layers = 0;         // distinct heights at which something was extruded
    int lines = 0;
    std::array<double, kSegTypeCount> extrudedPerType{}; // XY path length, mm, by segment type
    QString error;                                       // the parser's first error, empty when none
};

// Text G-code only (compact files go through processXCode first).
GCodeStats measureGCode(const QByteArray &text);
