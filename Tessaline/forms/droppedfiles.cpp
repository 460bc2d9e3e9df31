#include "forms/droppedfiles.h"

#include <QFileInfo>
#include <QMimeData>
#include <QUrl>

namespace {

bool hasSuffix(const QString &path, std::initializer_list<const char *> suffixes)
{
    const QString suffix = QFileInfo(path).suffix().toLower();
    for (const char *s : suffixes)
        if (suffix == QLatin1String(s))
            return true;
    return false;
}

} // namespace

bool isGCodeFile(const QString &path)
{
    return hasSuffix(path, {"gcode", "gco", "zcode"});
}

bool isModelFile(const QString &path)
{
    return hasSuffix(path, {"stl", "obj"});
}

bool isProjectFile(const QString &path)
{
    return hasSuffix(path, {"tsprj"});
}

bool isPresetFile(const QString &path)
{
    return hasSuffix(path, {"tssp"});
}

DroppedFiles DroppedFiles::classify(const QMimeData *data)
{
    DroppedFiles files;
    if (!data || !data->hasUrls())
        return files;
    for (const QUrl &url : data->urls()) {
        if (!url.isLocalFile())
            continue;
        const QString path = url.toLocalFile();
        if (!QFileInfo(path).isFile())
            continue;
        if (isModelFile(path))
            files.models << path;
        else if (isProjectFile(path) && files.project.isEmpty())
            files.project = path;
        else if (isGCodeFile(path) && files.gcode.isEmpty())
            files.gcode = path;
    }
    return files;
}
