#include "cli/settingscommand.h"

#include "cli/clitext.h"
#include "cli/settingsassignments.h"
#include "engine/settingstable.h"
#include "engine/slicerpresets.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>
#include <array>

namespace
{

const char *typeName(SettingType type)
{
    switch (type) {
    case SettingType::Int:
        return "int";
    case SettingType::Bool:
        return "bool";
    case SettingType::Text:
        return "text";
    default:
        return "float";
    }
}

// Texts on one line, with their line ends and tabs spelled out, so that a script reads one row per key.
QString escapedText(const QByteArray &text)
{
    QString escaped = QString::fromUtf8(text);
    escaped.replace('\\', "\\\\").replace('"', "\\\"").replace('\r', "\\r").replace('\n', "\\n").replace('\t', "\\t");
    return '"' + escaped + '"';
}

// The shortest text that reads back as the same float: 0.2, not 0.200000003.
QString floatText(float value)
{
    for (int digits = 6; digits < 9; ++digits) {
        const QString text = QString::number(double(value), 'g', digits);
        if (float(text.toDouble()) == value)
            return text;
    }
    return QString::number(double(value), 'g', 9);
}

// Floats at their own precision (0.2, not 0.200000003); the name of an enumeration's value and the percent
// the form shows beside the number.
QString valueText(const SettingKey &setting, const SlicerParams &params)
{
    const double number = setting.number(params);
    switch (setting.type()) {
    case SettingType::Text:
        return escapedText(setting.text(params));
    case SettingType::Bool:
        return number != 0.0 ? "true" : "false";
    case SettingType::Int: {
        const QStringList names = setting.choiceNames();
        const int value = int(number);
        if (value >= 0 && value < names.size())
            return QString("%1 %2").arg(value).arg(names[value]);
        return QString::number(value);
    }
    case SettingType::Float:
        break;
    }
    const QString text = floatText(float(number));
    return setting.percent ? QString("%1 (%2 %)").arg(text, QString::number(number * 100.0, 'g', 7)) : text;
}

QString unitText(const SettingKey &setting)
{
    return setting.percent ? QString("fraction") : QString::fromUtf8(setting.unit);
}

// One table per group. Texts (scripts, the raft table) would stretch every column, so they follow their key
// on a line of their own, with the default below when it differs.
QString settingsText(const SlicerParams &params)
{
    static const SlicerParams defaults;
    using Row = std::array<QString, 5>;
    const Row header{"Key", "Value", "Default", "Range", "Unit"};
    std::array<int, 5> width{};
    auto widen = [&width](const Row &row) {
        for (size_t column = 0; column < row.size(); ++column)
            width[column] = std::max(width[column], int(row[column].size()));
    };
    widen(header);
    QVector<QVector<Row>> groups(settingGroupCount);
    for (const SettingKey &setting : settingsTable()) {
        const bool text = setting.type() == SettingType::Text;
        const Row row{QString::fromLatin1(setting.key), valueText(setting, params), valueText(setting, defaults),
                      settingRangeText(setting), unitText(setting)};
        if (!text)
            widen(row);
        groups[int(setting.group)].append(row);
    }
    auto line = [&width](const Row &row) {
        QString text = "  ";
        for (size_t column = 0; column < row.size(); ++column)
            text += row[column].leftJustified(width[column]) + "  ";
        while (text.endsWith(' '))
            text.chop(1);
        return text + '\n';
    };
    QString text = line(header);
    for (int group = 0; group < settingGroupCount; ++group) {
        text += '\n' + settingGroupName(SettingGroup(group)) + '\n';
        for (const Row &row : groups[group]) {
            if (!row[1].startsWith('"')) {
                text += line(row);
                continue;
            }
            text += line({row[0], row[1]});
            if (row[2] != row[1])
                text += line({QString(), "default " + row[2]});
        }
    }
    return text;
}

QJsonObject settingJson(const SettingKey &setting, const SlicerParams &params)
{
    static const SlicerParams defaults;
    QJsonObject object{
        {"key", QString::fromLatin1(setting.key)},
        {"group", settingGroupName(setting.group)},
        {"type", typeName(setting.type())},
        {"value", setting.jsonValue(params)},
        {"default", setting.jsonValue(defaults)},
        {"unit", QString::fromUtf8(setting.unit)},
        {"percent", setting.percent},
    };
    if (setting.hasRange()) {
        object.insert("min", setting.lowest());
        object.insert("max", setting.highest());
        object.insert("form", QJsonObject{{"min", setting.range.min},
                                          {"max", setting.range.max},
                                          {"step", setting.range.step},
                                          {"decimals", setting.range.decimals}});
    }
    if (setting.choices)
        object.insert("choices", QJsonArray::fromStringList(setting.choiceNames()));
    return object;
}

QString settingsJson(const SlicerParams &params, const QString &preset)
{
    QJsonArray settings;
    for (const SettingKey &setting : settingsTable())
        settings.append(settingJson(setting, params));
    const QJsonObject document{
        {"preset", preset.isEmpty() ? QJsonValue() : QJsonValue(preset)},
        {"settings", settings},
    };
    return QString::fromUtf8(QJsonDocument(document).toJson(QJsonDocument::Indented));
}

} // namespace

int runSettings(const QStringList &args)
{
    bool json = false;
    QString preset;
    for (int i = 0; i < args.size(); ++i) {
        const QString &arg = args[i];
        if (arg == "--json") {
            json = true;
        } else if (arg == "--preset") {
            if (i + 1 >= args.size() || args[i + 1].isEmpty())
                return usageError("settings: --preset needs a file");
            if (!preset.isEmpty())
                return usageError("settings: --preset given twice");
            preset = args[++i];
        } else {
            return usageError(QString("settings: unexpected argument '%1'").arg(arg));
        }
    }
    const SlicerParams params = preset.isEmpty() ? SlicerParams() : importPresetFile(preset);
    printOut(json ? settingsJson(params, preset) : settingsText(params));
    return kExitOk;
}
