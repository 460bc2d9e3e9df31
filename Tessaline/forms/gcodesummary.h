#pragma once

#include "common/gcode/gcodeparsertypes.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>

#include <array>

// What the statistics panel says about a G-code text, from one walk of the parser.
struct GCodeSummary {
    double timeSec = 0;                                  // estimated print time, s
    double totalE = 0;                                   // filament, mm (retractions subtract)
    double extrudeDist = 0;                              // XY length of extruding moves, mm
    double travelDist = 0;                               // XY length of the other moves, mm
    std::array<double, kSegTypeCount> extrudedPerType{}; // XY length by segment type, mm
    QString error;                                       // the parser's first error
};

GCodeSummary summarizeGCode(const QByteArray &text);

// "Time: H:mm:ss  Finish: H:m a  Length: <filament m> m  Travel: <share>%", the cost of the filament when
// its price per metre is known (negative: unknown), then one line per segment type that extruded.
QString gcodeStatsText(const GCodeSummary &summary, const QDateTime &now, const QString &material,
                       double pricePerMetre);
