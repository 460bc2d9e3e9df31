#include "cli/gcodestats.h"

#include "common/gcode/gcodeparser.h"

#include <cmath>
#include <unordered_set>

namespace
{

// Heights are compared in micrometres: the writers print three decimals.
long long heightKey(float z)
{
    return std::llround(double(z) * 1000.0);
}

} // namespace

GCodeStats measureGCode(const QByteArray &text)
{
    GCodeParser parser;
    GCodeStats stats;
    std::unordered_set<long long> extrudedHeights;
    double extrudedBefore = 0;
    parser.parseWholeText(text, [&](bool) {
        const double extruded = parser.extrudeDist - extrudedBefore;
        if (extruded > 0) {
            stats.extrudedPerType[size_t(parser.segType) % kSegTypeCount] += extruded;
            if (std::isfinite(parser.posZ))
                extrudedHeights.insert(heightKey(parser.posZ));
        }
        extrudedBefore = parser.extrudeDist;
    });
    stats.timeSec = parser.timeSec;
    stats.totalE = parser.totalE;
    stats.extrudeDist = parser.extrudeDist;
    stats.travelDist = parser.travelDist;
    stats.layers = int(extrudedHeights.size());
    const bool unfinishedLastLine = !text.isEmpty() && !text.endsWith('\n') && !text.endsWith('\r');
    stats.lines = parser.lineNo + (unfinishedLastLine ? 1 : 0);
    stats.error = parser.error();
    return stats;
}
