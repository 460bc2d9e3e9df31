#include "common/files.h"

#include <QFile>

QByteArray readFile(const QString &path, bool mustExist)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        if (mustExist)
            throw QString("File not found \"%1\"").arg(path);
        return QByteArray();
    }
    return file.readAll();
}

QByteArray readResource(const QString &name)
{
    if (!name.isEmpty() && QFile::exists(name))
        return readFile(name, true);
    const QString builtIn = ":/res/" + name;
    if (QFile::exists(builtIn))
        return readFile(builtIn, true);
    throw QString("Resouce not found: " + name);
}
