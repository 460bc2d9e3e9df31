#include "forms/gcodehandover.h"

#include "common/gui/singleinstance.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QSaveFile>
#include <QStandardPaths>

namespace gcodehandover
{

const char *const hostName = "Spoolwatch";

QString freeTempPath(const QString &folder, const QString &baseName)
{
    const QString stem = QDir(folder).filePath("temp_" + baseName);
    QString path = stem + ".gco";
    // The host deletes these files only when it closes: earlier hand-overs may still be printing.
    for (int n = 1; QFileInfo::exists(path); ++n)
        path = stem + "(" + QString::number(n) + ").gco";
    return path;
}

QString writeTempFile(const QString &folder, const QString &baseName, const QByteArray &gcode)
{
    const QString path = freeTempPath(folder, baseName);
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(gcode) != gcode.size() || !file.commit())
        throw QString("Could not write \"" + path + "\"");
    return path;
}

QString findHostProgram()
{
#ifdef Q_OS_WIN
    const QString program = QString(hostName) + ".exe";
#else
    const QString program = hostName;
#endif
    const QString beside = QDir(QCoreApplication::applicationDirPath()).filePath(program);
    if (QFileInfo(beside).isExecutable())
        return beside;
    return QStandardPaths::findExecutable(hostName);
}

Outcome handOver(const QString &path, const QString &serverName, const QString &hostProgram)
{
    if (SingleInstanceServer::send(serverName, "focus")) {
        SingleInstanceServer::send(serverName, "open " + path.toUtf8());
        return Outcome::Sent;
    }
    if (hostProgram.isEmpty())
        return Outcome::HostMissing;
    return QProcess::startDetached(hostProgram, {path}) ? Outcome::Started : Outcome::StartFailed;
}

} // namespace gcodehandover
