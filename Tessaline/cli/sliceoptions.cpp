#include "cli/sliceoptions.h"

#include <cmath>

namespace
{

QString takeValue(const QStringList &args, int &index)
{
    if (index + 1 >= args.size())
        return QString();
    return args[++index];
}

} // namespace

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

QString parseOrigin(const QString &text, MachineRecord &machine)
{
    const MachineRecord volume;
    if (text == "front-left")
        machine = frontLeftMachineRecord(volume.buildWidth, volume.buildDepth, volume.buildHeight);
    else if (text == "center")
        machine = centerMachineRecord(volume.buildWidth, volume.buildDepth, volume.buildHeight);
    else
        return QString("--origin expects front-left or center, got '%1'").arg(text);
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
    // Both set the whole record; which of the two would win is no choice to make for the user.
    bool machineGiven = false, originGiven = false;
    for (int index = 0; index < args.size(); ++index) {
        const QString &arg = args[index];
        if (arg == "--quiet") {
            quiet = true;
        } else if (arg == "-o" || arg == "--preset" || arg == "--set" || arg == "--threads" || arg == "--machine" ||
                   arg == "--origin" || arg == "--supports") {
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
            } else if (arg == "--origin") {
                const QString problem = parseOrigin(value, machine);
                if (!problem.isEmpty())
                    return "slice: " + problem;
                originGiven = true;
            } else {
                const QString problem = parseMachine(value, machine);
                if (!problem.isEmpty())
                    return "slice: " + problem;
                machineGiven = true;
            }
        } else if (arg.startsWith('-') && arg.size() > 1) {
            return QString("slice: unknown option '%1'").arg(arg);
        } else {
            inputs << arg;
        }
    }
    if (machineGiven && originGiven)
        return "slice: --machine and --origin both set the machine; give one of them";
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
