#include "cli/settingsassignments.h"

#include "engine/settingstable.h"

#include <cfloat>
#include <climits>
#include <cmath>

namespace
{

QString numberText(double value)
{
    return QString::number(value, 'g', 10);
}

// The enumeration's values with their names, "0 Disabled, 1 Paralell lines, ...".
QString choicesText(const SettingKey &setting)
{
    const QStringList names = setting.choiceNames();
    QStringList numbered;
    for (int value = 0; value < names.size(); ++value)
        numbered << QString("%1 %2").arg(value).arg(names[value]);
    return numbered.join(", ");
}

// "0.01 ... 3 mm", "0 ... 1 (0 ... 100 %)", "0 ... 3 (0 Disabled, 1 Paralell lines, ...)".
QString rangeWithUnit(const SettingKey &setting)
{
    const QString range = settingRangeText(setting);
    if (setting.percent)
        return range + QString(" (%1 ... %2 %)").arg(numberText(setting.range.min), numberText(setting.range.max));
    if (setting.choices)
        return range + " (" + choicesText(setting) + ")";
    const QString unit = QString::fromUtf8(setting.unit);
    return unit.isEmpty() ? range : range + " " + unit;
}

// The value of a number or flag key as the key's field holds it; false for text the field cannot hold (an
// integer key takes whole numbers only, a number must be finite and fit the field).
bool parseNumber(const SettingKey &setting, const QString &text, double &value)
{
    if (setting.type() == SettingType::Bool) {
        if (text == "true" || text == "1" || text == "false" || text == "0") {
            value = text == "true" || text == "1" ? 1.0 : 0.0;
            return true;
        }
        return false;
    }
    bool ok = false;
    value = text.toDouble(&ok);
    if (!ok || !std::isfinite(value))
        return false;
    if (setting.type() == SettingType::Int)
        return value == std::floor(value) && value >= double(INT_MIN) && value <= double(INT_MAX);
    if (std::fabs(value) > double(FLT_MAX))
        return false;
    value = double(float(value));
    return true;
}

// The range is checked at the field's precision, so that "0.01" for a float is not refused because the float
// nearest 0.01 lies below the double 0.01.
bool insideRange(const SettingKey &setting, double value)
{
    if (!setting.hasRange())
        return true;
    if (setting.type() == SettingType::Float)
        return float(value) >= float(setting.lowest()) && float(value) <= float(setting.highest());
    return value >= setting.lowest() && value <= setting.highest();
}

// Sets one "Key=Value" into params; returns what is wrong with it, or an empty string.
QString applyOne(SlicerParams &params, const QString &assignment)
{
    const int equals = assignment.indexOf('=');
    if (equals <= 0)
        return QString("--set expects Key=Value, got '%1'").arg(assignment);
    const QString key = assignment.left(equals);
    const QString text = assignment.mid(equals + 1);
    const SettingKey *setting = findSetting(key);
    if (!setting)
        return QString("--set: unknown setting '%1'").arg(key);
    if (setting->type() == SettingType::Text) {
        setting->setText(params, text.toUtf8());
        return QString();
    }
    double value = 0.0;
    if (!parseNumber(*setting, text, value))
        return QString("--set: invalid value '%1' for %2").arg(text, key);
    if (!insideRange(*setting, value))
        return QString("--set: %1=%2 is outside %3").arg(key, text, rangeWithUnit(*setting));
    setting->setNumber(params, value);
    return QString();
}

} // namespace

QString settingRangeText(const SettingKey &setting)
{
    return setting.hasRange() ? numberText(setting.lowest()) + " ... " + numberText(setting.highest()) : QString();
}

QString applySettings(SlicerParams &params, const QStringList &assignments)
{
    SlicerParams changed = params;
    for (const QString &assignment : assignments) {
        const QString wrong = applyOne(changed, assignment);
        if (!wrong.isEmpty())
            return wrong;
    }
    params = changed;
    return QString();
}
