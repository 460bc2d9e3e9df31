#include "sliceoptions.h"

#include "slicerparams.h"

#include <QHash>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPair>

#include <cmath>

namespace
{

QJsonObject settingsObject(const SlicerParams &params)
{
    return QJsonDocument::fromJson(params.toJson()).object();
}

// The record rounds integer keys and stores numbers as floats, so what it kept is compared at its precision.
bool keptAsGiven(const QJsonValue &given, const QJsonValue &kept)
{
    if (given.isDouble())
        return kept.isDouble() && float(given.toDouble()) == float(kept.toDouble());
    return given == kept;
}

QJsonValue valueOfType(const QJsonValue &current, const QString &text)
{
    if (current.isBool()) {
        if (text == "true" || text == "1")
            return true;
        if (text == "false" || text == "0")
            return false;
        return QJsonValue(QJsonValue::Undefined);
    }
    if (current.isDouble()) {
        bool ok = false;
        const double number = text.toDouble(&ok);
        return ok && std::isfinite(number) ? QJsonValue(number) : QJsonValue(QJsonValue::Undefined);
    }
    return text;
}

QString takeValue(const QStringList &args, int &index)
{
    if (index + 1 >= args.size())
        return QString();
    return args[++index];
}

} // namespace

QString applySettings(SlicerParams &params, const QStringList &assignments)
{
    if (assignments.isEmpty())
        return QString();
    // The record is read from and written back to its text once for all assignments: a round trip per
    // setting took a quarter of a millisecond, more than slicing a small part's layer.
    QJsonObject object = settingsObject(params);
    QHash<QString, QPair<QJsonValue, QString>> lastGiven; // key -> value and its text
    QStringList keys;
    for (const QString &assignment : assignments) {
        const int equals = assignment.indexOf('=');
        if (equals <= 0)
            return QString("--set expects Key=Value, got '%1'").arg(assignment);
        const QString key = assignment.left(equals);
        const QString text = assignment.mid(equals + 1);
        if (!object.contains(key))
            return QString("--set: unknown setting '%1'").arg(key);
        const QJsonValue value = valueOfType(object.value(key), text);
        if (value.isUndefined())
            return QString("--set: invalid value '%1' for %2").arg(text, key);
        object.insert(key, value);
        if (!lastGiven.contains(key))
            keys.append(key);
        lastGiven.insert(key, {value, text});
    }
    SlicerParams changed;
    changed.fromJson(QJsonDocument(object).toJson());
    const QJsonObject kept = settingsObject(changed);
    for (const QString &key : keys) {
        const QPair<QJsonValue, QString> &given = lastGiven[key];
        if (!keptAsGiven(given.first, kept.value(key)))
            return QString("--set: invalid value '%1' for %2").arg(given.second, key);
    }
    changed.sliceZMin = params.sliceZMin;
    changed.sliceZMax = params.sliceZMax;
    params = changed;
    return QString();
}

QString parseMachine(const QString &text, MachineRecord &machine)
{
    const QStringList parts = text.split(',');
    if (parts.size() != 7)
        return QString("--machine expects W,H,D,OX,OZ,SX,SZ, got '%1'").arg(text);
    float values[7];
    for (int k = 0; k < 7; ++k) {
        bool ok = false;
        values[k] = parts[k].trimmed().toFloat(&ok);
        if (!ok || !std::isfinite(values[k]))
            return QString("--machine: '%1' is not a number").arg(parts[k]);
    }
    for (int k = 0; k < 3; ++k)
        if (!(values[k] > 0.0f))
            return QString("--machine: the build size must be positive, got '%1'").arg(parts[k]);
    for (int k = 5; k < 7; ++k)
        if (values[k] != 1.0f && values[k] != -1.0f)
            return QString("--machine: an axis sign is 1 or -1, got '%1'").arg(parts[k]);
    machine = MachineRecord{values[0], values[1], values[2], values[3], values[4], values[5], values[6]};
    return QString();
}

QString parseSupports(const QString &text, float &spacing, float &angle)
{
    const QStringList parts = text.split(',');
    bool spacingOk = false, angleOk = false;
    if (parts.size() == 2) {
        spacing = parts[0].trimmed().toFloat(&spacingOk);
        angle = parts[1].trimmed().toFloat(&angleOk);
    }
    if (!spacingOk || !angleOk || !std::isfinite(spacing) || !std::isfinite(angle))
        return QString("--supports expects SPACING,ANGLE, got '%1'").arg(text);
    if (spacing <= 0)
        return QString("--supports: the spacing must be above 0 mm, got '%1'").arg(parts[0]);
    return QString();
}

QString SliceOptions::parse(const QStringList &args)
{
    for (int index = 0; index < args.size(); ++index) {
        const QString &arg = args[index];
        if (arg == "--quiet") {
            quiet = true;
        } else if (arg == "-o" || arg == "--preset" || arg == "--set" || arg == "--threads" || arg == "--machine" ||
                   arg == "--supports") {
            const QString value = takeValue(args, index);
            if (value.isNull())
                return QString("slice: %1 needs a value").arg(arg);
            if (arg == "-o") {
                output = value;
            } else if (arg == "--preset") {
                preset = value;
            } else if (arg == "--set") {
                settings << value;
            } else if (arg == "--threads") {
                bool ok = false;
                threads = value.toInt(&ok);
                if (!ok || threads < 1)
                    return QString("slice: --threads expects a whole number from 1, got '%1'").arg(value);
            } else if (arg == "--supports") {
                const QString problem = parseSupports(value, supportSpacing, supportAngle);
                if (!problem.isEmpty())
                    return "slice: " + problem;
                generateSupports = true;
            } else {
                const QString problem = parseMachine(value, machine);
                if (!problem.isEmpty())
                    return "slice: " + problem;
            }
        } else if (arg.startsWith('-') && arg.size() > 1) {
            return QString("slice: unknown option '%1'").arg(arg);
        } else {
            inputs << arg;
        }
    }
    if (inputs.isEmpty())
        return "slice: expected at least one input file";
    if (output.isEmpty())
        return "slice: expected -o OUTPUT";
    const bool hasProject = std::any_of(
        inputs.begin(), inputs.end(), [](const QString &path) { return path.endsWith(".tsprj", Qt::CaseInsensitive); });
    if (hasProject && inputs.size() > 1)
        return "slice: a .tsprj project is sliced alone";
    return QString();
}
