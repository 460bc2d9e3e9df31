#include "cli/settingsassignments.h"

#include "engine/slicerparams.h"

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
