#include "engine/slicerpresets.h"

#include "common/files.h"
#include "common/ini.h"
#include "engine/slicerparams.h"

#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>

namespace
{

const char *const iniKey = "Presets";

// A settings file is a few kilobytes; anything far larger is not one, and reading it whole could
// exhaust memory.
constexpr qint64 maxPresetFileBytes = 16 * 1024 * 1024;

} // namespace

void SlicerPresets::loadAll(const QString &text)
{
    m_presets.clear();
    const QJsonDocument document = QJsonDocument::fromJson(text.toUtf8());
    if (!document.isArray())
        return;
    const QJsonArray array = document.array();
    for (const QJsonValue &element : array) {
        const QJsonObject entry = element.toObject();
        const QString name = entry.value(QLatin1String("Key")).toString();
        if (name.isEmpty())
            continue;
        m_presets.insert(name, entry.value(QLatin1String("Value")).toString().toUtf8());
    }
}

QString SlicerPresets::saveAll() const
{
    QJsonArray array;
    for (auto it = m_presets.constBegin(); it != m_presets.constEnd(); ++it) {
        QJsonObject entry;
        entry.insert(QLatin1String("Key"), it.key());
        entry.insert(QLatin1String("Value"), QString::fromUtf8(it.value()));
        array.append(entry);
    }
    return QString::fromUtf8(QJsonDocument(array).toJson(QJsonDocument::Indented));
}

void SlicerPresets::StorePreset(const QString &name, const SlicerParams &params)
{
    if (name.isEmpty())
        throw "SlicerPresets::StorePreset() name is empty";
    m_presets.insert(name, params.toJson());
}

bool SlicerPresets::LoadPreset(const QString &name, SlicerParams &params) const
{
    const QByteArray json = m_presets.value(name);
    if (json.isEmpty())
        return false;
    params.fromJson(json);
    return true;
}

bool SlicerPresets::DeletePreset(const QString &name)
{
    return m_presets.remove(name) > 0;
}

QStringList SlicerPresets::presetNames() const
{
    return m_presets.keys();
}

void SlicerPresets::loadFromIni(const Ini &ini)
{
    loadAll(ini.getString(QLatin1String(iniKey)));
}

void SlicerPresets::storeToIni(Ini &ini) const
{
    ini.setString(QLatin1String(iniKey), saveAll());
    ini.store();
}

SlicerParams importPresetFile(const QString &path)
{
    const QFileInfo info(path);
    if (info.exists() && info.size() > maxPresetFileBytes)
        throw QString("importPresetFile() File is too large for a preset \"%1\"").arg(path);
    SlicerParams params;
    params.fromJson(readFile(path, true));
    return params;
}

void exportPresetFile(const QString &path, const SlicerParams &params)
{
    // QSaveFile replaces the old file only once the new one is complete.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        throw QString("exportPresetFile() Cannot write \"%1\"").arg(path);
    const QByteArray json = params.toJson();
    if (file.write(json) != json.size() || !file.commit())
        throw QString("exportPresetFile() Cannot write \"%1\"").arg(path);
}
