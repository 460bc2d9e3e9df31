#include "forms/gcodesummary.h"

#include "common/duration.h"
#include "common/gcode/gcodeparser.h"

GCodeSummary summarizeGCode(const QByteArray &text)
{
    GCodeParser parser;
    GCodeSummary summary;
    double extrudedBefore = 0;
    parser.parseWholeText(text, [&](bool) {
        const double extruded = parser.extrudeDist - extrudedBefore;
        if (extruded > 0)
            summary.extrudedPerType[size_t(parser.segType) % kSegTypeCount] += extruded;
        extrudedBefore = parser.extrudeDist;
    });
    summary.timeSec = parser.timeSec;
    summary.totalE = parser.totalE;
    summary.extrudeDist = parser.extrudeDist;
    summary.travelDist = parser.travelDist;
    summary.error = parser.error();
    return summary;
}

QString gcodeStatsText(const GCodeSummary &summary, const QDateTime &now, const QString &material, double pricePerMetre)
{
    const double moved = summary.extrudeDist + summary.travelDist;
    const double travelShare = moved > 0 ? 100.0 * summary.travelDist / moved : 0.0;
    const double metres = summary.totalE / 1000.0;
    QString text = "Time: " + durationText(summary.timeSec) +
                   "  Finish: " + now.addSecs(qint64(summary.timeSec)).toString("H:m a") +
                   "  Length: " + QString::number(metres, 'f', 2) +
                   " m  Travel: " + QString::number(travelShare, 'f', 0) + "%";
    if (pricePerMetre >= 0)
        text += "\r\nCost (" + material + ") : " + QString::number(metres * pricePerMetre, 'f', 3);
    else
        text += "\r\nCost : no price for " + material;
    for (int type = 0; type < kSegTypeCount; ++type)
        if (summary.extrudedPerType[size_t(type)] > 0)
            text += "\r\n" + QString::fromLatin1(segTypeNames[type]) + " : " +
                    QString::number(summary.extrudedPerType[size_t(type)], 'f', 3);
    return text;
}
