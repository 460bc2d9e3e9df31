#include "cli/statscommand.h"

#include "cli/clitext.h"
#include "cli/gcodestats.h"
#include "common/duration.h"
#include "common/files.h"
#include "common/gcode/gcodesimxcode.h"

#include <QJsonDocument>
#include <QJsonObject>

#include <cmath>

namespace
{

QJsonValue jsonNumber(double value)
{
    return std::isfinite(value) ? QJsonValue(value) : QJsonValue();
}

QString millimetres(double value)
{
    return QString::number(value, 'f', 3) + " mm";
}

QString statsJson(const QString &path, const GCodeStats &stats)
{
    QJsonObject perType;
    for (int type = 0; type < kSegTypeCount; ++type) {
        if (stats.extrudedPerType[type] > 0)
            perType.insert(segTypeNames[type], jsonNumber(stats.extrudedPerType[type]));
    }
    const QJsonObject object{
        {"file", path},
        {"timeSec", jsonNumber(stats.timeSec)},
        {"totalE", jsonNumber(stats.totalE)},
        {"extrudeDist", jsonNumber(stats.extrudeDist)},
        {"travelDist", jsonNumber(stats.travelDist)},
        {"layers", stats.layers},
        {"lines", stats.lines},
        {"perType", perType},
        {"error", stats.error},
    };
    return QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Compact)) + '\n';
}

QString statsText(const QString &path, const GCodeStats &stats)
{
    QString text = path + '\n';
    auto row = [&text](const char *label, const QString &value) {
        text += QString("  %1 %2\n").arg(QString(label) + ':', -12).arg(value);
    };
    row("Time", durationText(stats.timeSec));
    row("Filament", millimetres(stats.totalE));
    row("Extrusion", millimetres(stats.extrudeDist));
    row("Travel", millimetres(stats.travelDist));
    row("Layers", QString::number(stats.layers));
    row("Lines", QString::number(stats.lines));
    for (int type = 0; type < kSegTypeCount; ++type) {
        if (stats.extrudedPerType[type] > 0)
            text += QString("    %1 %2\n").arg(segTypeNames[type], -12).arg(millimetres(stats.extrudedPerType[type]));
    }
    row("Error", stats.error.isEmpty() ? "none" : stats.error);
    return text;
}

} // namespace

int runStats(const QStringList &args)
{
    bool json = false;
    QStringList files;
    for (const QString &arg : args) {
        if (arg == "--json")
            json = true;
        else if (arg.startsWith('-') && arg != "-")
            return usageError(QString("stats: unknown option '%1'").arg(arg));
        else
            files << arg;
    }
    if (files.isEmpty())
        return usageError("stats: no file given");
    for (const QString &path : files) {
        const GCodeStats stats = measureGCode(processXCode(readFile(path, true)));
        printOut(json ? statsJson(path, stats) : statsText(path, stats));
    }
    return kExitOk;
}
