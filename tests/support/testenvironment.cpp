#include "testenvironment.h"

#include <QDir>

#include <cstdlib>
#include <stdexcept>
#include <string>

namespace {

std::string &homeDir()
{
    static std::string dir;
    return dir;
}

void setEnv(const char *name, const std::string &value)
{
    setenv(name, value.c_str(), 1);
}

} // namespace

void isolateTestEnvironment()
{
    const char *parent = std::getenv("TMPDIR");
    std::string pattern = std::string(parent && *parent ? parent : "/tmp") + "/tessaline-test-XXXXXX";
    if (!mkdtemp(pattern.data()))
        throw std::runtime_error("cannot create a temporary test home");
    homeDir() = pattern;
    for (const char *sub : {"/config", "/data", "/cache", "/runtime", "/tmp"})
        QDir().mkpath(QString::fromStdString(pattern + sub));
    setEnv("HOME", pattern);
    setEnv("XDG_CONFIG_HOME", pattern + "/config");
    setEnv("XDG_DATA_HOME", pattern + "/data");
    setEnv("XDG_CACHE_HOME", pattern + "/cache");
    setEnv("XDG_RUNTIME_DIR", pattern + "/runtime");
    setEnv("TMPDIR", pattern + "/tmp");
    QFile::setPermissions(QString::fromStdString(pattern + "/runtime"),
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    // The slicer's update check never leaves the machine: nothing listens on port 1, so a check ends at once
    // with a refused connection. Updater tests point it at their own server.
    setEnv("TESSALINE_UPDATE_SERVER", "http://127.0.0.1:1/update/win_dx/");
    if (!std::getenv("QT_QPA_PLATFORM"))
        setEnv("QT_QPA_PLATFORM", "offscreen");
}

QString testHomeDir()
{
    return QString::fromStdString(homeDir());
}

QString sourceDir()
{
    const char *dir = std::getenv("TESSALINE_SOURCE_DIR");
    return QString::fromLocal8Bit(dir && *dir ? dir : TESSALINE_SOURCE_DIR_DEFAULT);
}

QString binaryDir()
{
    const char *dir = std::getenv("TESSALINE_BINARY_DIR");
    return QString::fromLocal8Bit(dir && *dir ? dir : TESSALINE_BINARY_DIR_DEFAULT);
}
