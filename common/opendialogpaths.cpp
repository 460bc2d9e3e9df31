#include "common/opendialogpaths.h"

#include "common/ini.h"

#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>

namespace {
const char *const key = "openDialogPaths";

QJsonObject load(const Ini &ini)
{
    return QJsonDocument::fromJson(ini.getString(key).toUtf8()).object();
}
} // namespace

OpenDialogPaths::OpenDialogPaths(Ini &ini) : m_ini(ini) {}

QString OpenDialogPaths::path(const QString &kind) const
{
    return load(m_ini).value(kind).toString();
}

void OpenDialogPaths::remember(const QString &kind, const QString &filePath)
{
    if (kind.isEmpty() || filePath.isEmpty())
        return;
    QJsonObject paths = load(m_ini);
    paths.insert(kind, QFileInfo(filePath).absolutePath());
    m_ini.setString(key, QString::fromUtf8(QJsonDocument(paths).toJson(QJsonDocument::Compact)));
}

OpenDialogPaths &openDialogPaths()
{
    static OpenDialogPaths paths(Ini::global());
    return paths;
}
