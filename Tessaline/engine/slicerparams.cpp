#include "engine/slicerparams.h"

#include "common/ini.h"
#include "engine/settingstable.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QString>

namespace
{

const char *const iniKey = "slicerParams";

} // namespace

void SlicerParams::resetToDefaults()
{
    *this = SlicerParams();
}

QByteArray SlicerParams::toJson() const
{
    QJsonObject object;
    for (const SettingKey &setting : settingsTable())
        object.insert(QLatin1String(setting.key), setting.jsonValue(*this));
    return QJsonDocument(object).toJson(QJsonDocument::Indented);
}

void SlicerParams::fromJson(const QByteArray &json)
{
    resetToDefaults();
    const QJsonDocument document = QJsonDocument::fromJson(json);
    if (!document.isObject())
        return;
    const QJsonObject object = document.object();
    for (const SettingKey &setting : settingsTable())
        setting.readJson(*this, object.value(QLatin1String(setting.key)));
}

void SlicerParams::loadFromIni(const Ini &ini)
{
    fromJson(ini.getString(QLatin1String(iniKey)).toUtf8());
}

void SlicerParams::storeToIni(Ini &ini) const
{
    ini.setString(QLatin1String(iniKey), QString::fromUtf8(toJson()));
}

bool SlicerParams::operator==(const SlicerParams &other) const
{
    for (const SettingKey &setting : settingsTable())
        if (!setting.sameValue(*this, other))
            return false;
    // The factor slots no file carries count too: the record is compared whole.
    return FFactor == other.FFactor && EFactor == other.EFactor && sliceZMin == other.sliceZMin &&
           sliceZMax == other.sliceZMax;
}
