#include "forms/settinghints.h"

#include <QRegularExpression>

const char *const SettingHints::noHint = "No hint available. (Most control elements have hints, just click on them!)";

void SettingHints::parse(const QString &page)
{
    m_hints.clear();
    QStringList keys;
    QString html;
    auto finishSection = [&] {
        for (const QString &key : keys)
            m_hints.insert(key, html.trimmed());
        keys.clear();
        html.clear();
    };
    for (const QString &line : page.split(QRegularExpression("\r?\n"))) {
        if (line.startsWith('$')) {
            finishSection();
            for (const QString &key : line.mid(1).split(','))
                if (!key.trimmed().isEmpty())
                    keys.append(key.trimmed());
        } else if (!keys.isEmpty()) {
            html += line + "\n";
        }
    }
    finishSection();
}

QString SettingHints::hint(const QString &key) const
{
    return m_hints.value(key, QString::fromLatin1(noHint));
}
