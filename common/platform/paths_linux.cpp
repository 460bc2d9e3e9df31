#include "common/platform/paths.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace platform {

namespace {

QString ensureFolder(const QString &path)
{
    QDir().mkpath(path);
    return path.endsWith('/') ? path : path + '/';
}

QString genericDataFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
}

} // namespace

QString dataDir()
{
    return ensureFolder(QStandardPaths::writableLocation(QStandardPaths::AppDataLocation));
}

QString handOverDir()
{
    return ensureFolder(genericDataFolder() + "/Tessaline");
}

QString developerSwitchPath(const QString &windowsPath)
{
    // Both programs must see the same switch, so the folder is the organisation's, not the application's.
    return genericDataFolder() + "/Vantoridge/switches/" + QFileInfo(windowsPath).fileName();
}

bool developerSwitchSet(const QString &windowsPath)
{
    return QFileInfo::exists(developerSwitchPath(windowsPath));
}

} // namespace platform
