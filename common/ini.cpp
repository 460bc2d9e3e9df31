#include "common/ini.h"

#include <QCoreApplication>
#include <QDebug>
#include <QJsonDocument>
#include <QSettings>

#include <climits>
#include <cmath>

namespace {
const char *const iniKey = "iniData";
}

Ini &Ini::global()
{
    static Ini ini(QStringLiteral("Vantoridge"), QCoreApplication::applicationName());
    return ini;
}

Ini::Ini(QString organisation, QString application)
    : m_organisation(std::move(organisation)), m_application(std::move(application))
{
}

const QJsonObject &Ini::object() const
{
    if (!m_loaded) {
        QSettings settings(m_organisation, m_application);
        const QByteArray text = settings.value(iniKey).toString().toUtf8();
        // Anything that is not a JSON object (empty, garbage, an array) reads as an empty store.
        m_object = QJsonDocument::fromJson(text).object();
        m_loaded = true;
    }
    return m_object;
}

int Ini::getInt(const QString &key, int defaultValue) const
{
    const QJsonValue v = object().value(key);
    if (v.isBool())
        return v.toBool() ? 1 : 0;
    if (!v.isDouble() || !std::isfinite(v.toDouble()))
        return defaultValue;
    const double d = std::round(v.toDouble());
    if (d < double(INT_MIN) || d > double(INT_MAX))
        return defaultValue;
    return int(d);
}

double Ini::getDouble(const QString &key, double defaultValue) const
{
    const QJsonValue v = object().value(key);
    return v.isDouble() ? v.toDouble() : defaultValue;
}

bool Ini::getBool(const QString &key, bool defaultValue) const
{
    const QJsonValue v = object().value(key);
    if (v.isBool())
        return v.toBool();
    if (v.isDouble())
        return v.toDouble() != 0;
    return defaultValue;
}

QString Ini::getString(const QString &key, const QString &defaultValue) const
{
    const QJsonValue v = object().value(key);
    return v.isString() ? v.toString() : defaultValue;
}

bool Ini::contains(const QString &key) const
{
    return object().contains(key);
}

void Ini::set(const QString &key, const QJsonValue &value)
{
    object();
    m_object.insert(key, value);
    m_dirty = true;
}

void Ini::setInt(const QString &key, int value) { set(key, value); }
void Ini::setDouble(const QString &key, double value) { set(key, value); }
void Ini::setBool(const QString &key, bool value) { set(key, value); }
void Ini::setString(const QString &key, const QString &value) { set(key, value); }

void Ini::remove(const QString &key)
{
    object();
    m_object.remove(key);
    m_dirty = true;
}

void Ini::store()
{
    if (!m_dirty)
        return;
    QSettings settings(m_organisation, m_application);
    settings.setValue(iniKey, QString::fromUtf8(QJsonDocument(object()).toJson(QJsonDocument::Compact)));
    settings.sync();
    m_dirty = false;
    qDebug() << "ini saved";
}

void Ini::reload()
{
    m_loaded = false;
    m_dirty = false;
    m_object = QJsonObject();
}
