#pragma once

#include <QHash>
#include <QString>
#include <QStringList>

// The hint page of the settings form: sections that start with a line "$Key1, Key2, ..." naming the
// settings they explain, followed by the HTML of the hint up to the next "$" line. Text before the first
// "$" line belongs to no key.
class SettingHints
{
public:
    static const char *const noHint;

    void parse(const QString &page);
    // The hint of a key, or the text that says there is none.
    QString hint(const QString &key) const;
    bool has(const QString &key) const { return m_hints.contains(key); }
    QStringList keys() const { return m_hints.keys(); }

private:
    QHash<QString, QString> m_hints;
};
