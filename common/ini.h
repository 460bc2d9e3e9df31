#pragma once

#include <QJsonObject>
#include <QJsonValue>
#include <QString>

// The settings store of both programs: one JSON object kept in the platform settings of organisation
// "Vantoridge" and the application, under the single key "iniData". Loaded on first use, written
// back by store() only when something changed. Values are JSON numbers, booleans or strings.
class Ini
{
public:
    // The store of this process (organisation "Vantoridge", the application's name).
    static Ini &global();

    Ini(QString organisation, QString application);

    int getInt(const QString &key, int defaultValue) const;
    double getDouble(const QString &key, double defaultValue) const;
    bool getBool(const QString &key, bool defaultValue) const;
    QString getString(const QString &key, const QString &defaultValue = QString()) const;
    bool contains(const QString &key) const;

    void setInt(const QString &key, int value);
    void setDouble(const QString &key, double value);
    void setBool(const QString &key, bool value);
    void setString(const QString &key, const QString &value);
    void remove(const QString &key);

    bool isDirty() const { return m_dirty; }
    // Writes the object back under "iniData" when dirty.
    void store();
    // Drops the in-memory object so that the next access reads the platform settings again.
    void reload();

private:
    const QJsonObject &object() const;
    void set(const QString &key, const QJsonValue &value);

    QString m_organisation;
    QString m_application;
    mutable QJsonObject m_object;
    mutable bool m_loaded = false;
    bool m_dirty = false;
};
