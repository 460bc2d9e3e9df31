#include "forms/droppedfiles.h"
#include "platform/ports.h"
#include "spoolwatchversion.h"
#include "tessalineversion.h"
#include "testenvironment.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QImageReader>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMimeDatabase>
#include <QProcess>
#include <QProcessEnvironment>
#include <QRegularExpression>
#include <QSet>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>

// The programs as a user gets them: this build tree installed with `cmake --install` into a temporary prefix
// (Installed*) and packaged by cpack (Package*). Each group runs in its own process, which installs or packages
// once and shares the result between its cases.

namespace
{

struct ProcessResult {
    int exitCode = -1;
    QByteArray out, err;
};

ProcessResult run(const QString &program, const QStringList &args,
                  const QProcessEnvironment &environment = QProcessEnvironment::systemEnvironment())
{
    QProcess process;
    process.setProcessEnvironment(environment);
    process.start(program, args);
    ProcessResult result;
    if (!process.waitForStarted(-1)) {
        result.err = "cannot start " + program.toUtf8();
        return result;
    }
    process.waitForFinished(-1);
    result.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    result.out = process.readAllStandardOutput();
    result.err = process.readAllStandardError();
    return result;
}

std::string describe(const ProcessResult &result)
{
    return "exit " + std::to_string(result.exitCode) + "\nstdout: " + result.out.toStdString() +
           "\nstderr: " + result.err.toStdString();
}

// A folder of the test home that is removed when the process ends: the install and the package take
// tens of megabytes, too much to leave behind on every run.
QString scratchFolder(const char *name)
{
    static QTemporaryDir scratch(testHomeDir() + "/packaging-XXXXXX");
    const QString path = scratch.filePath(name);
    QDir().mkpath(path);
    return path;
}

QString prefix()
{
    return scratchFolder("prefix");
}

QString installed(const QString &relative)
{
    return prefix() + "/" + relative;
}

QString fixture(const QString &relative)
{
    return sourceDir() + "/tests/fixtures/" + relative;
}

// The install every Installed* case reads, made by the first one that asks.
const ProcessResult &installOnce()
{
    static const ProcessResult result = run(CMAKE_COMMAND_PATH, {"--install", binaryDir(), "--prefix", prefix()});
    return result;
}

// The MIME database of a desktop that has the suite installed: the installed package file compiled as
// shared-mime-info's trigger would, in front of the system's database.
bool mimeDatabaseReady()
{
    static const bool ready = [] {
        const ProcessResult update = run("update-mime-database", {installed("share/mime")});
        if (update.exitCode != 0) {
            ADD_FAILURE() << "update-mime-database (package shared-mime-info): " << describe(update);
            return false;
        }
        qputenv("XDG_DATA_DIRS", (installed("share") + ":/usr/local/share:/usr/share").toLocal8Bit());
        return true;
    }();
    return ready;
}

class Installed : public ::testing::Test
{
protected:
    void SetUp() override
    {
        const ProcessResult &install = installOnce();
        ASSERT_EQ(install.exitCode, 0) << describe(install);
    }
};

// --- The command-line tools -----------------------------------------------------------------------------

struct CliCase {
    const char *name;
    const char *program;
    QStringList args;
    int exitCode;
    QString firstLine;
};

class InstalledCli : public Installed, public ::testing::WithParamInterface<CliCase>
{
};

TEST_P(InstalledCli, AnswersFromTheInstalledBinary)
{
    const CliCase &c = GetParam();
    const ProcessResult result = run(installed(QString("bin/") + c.program), c.args);
    EXPECT_EQ(result.exitCode, c.exitCode) << describe(result);
    EXPECT_EQ(QString::fromUtf8(result.out).section('\n', 0, 0), c.firstLine) << describe(result);
}

INSTANTIATE_TEST_SUITE_P(
    Tools, InstalledCli,
    ::testing::Values(
        CliCase{"tessaline_version",
                "tessaline-cli",
                {"--version"},
                0,
                QString("tessaline-cli %1 (build %2)").arg(TessalineVersion::number).arg(TessalineVersion::build)},
        CliCase{"tessaline_help", "tessaline-cli", {"--help"}, 0, "Usage: tessaline-cli COMMAND [OPTIONS] ARGS"},
        // Scripts tell a mistyped command from a failed slice by the exit code.
        CliCase{"tessaline_unknown_command", "tessaline-cli", {"slise"}, 2, ""},
        CliCase{"spoolwatch_version",
                "spoolwatch-cli",
                {"--version"},
                0,
                QString("spoolwatch-cli %1 (build %2)").arg(SpoolwatchVersion::number).arg(SpoolwatchVersion::build)},
        CliCase{"spoolwatch_help",
                "spoolwatch-cli",
                {"--help"},
                0,
                "usage: spoolwatch-cli print --port PATH FILE [--bypass-heat] [--bypass-fan] [--kind "
                "Taliform|Unknown]"}),
    [](const ::testing::TestParamInfo<CliCase> &info) { return std::string(info.param.name); });

// A bundled sample project sliced by the installed slicer, and the G-code read back by both installed tools.
TEST_F(Installed, SlicesAnInstalledSampleProject)
{
    const QString gcode = scratchFolder("slice") + "/welcome.gcode";
    const ProcessResult slice =
        run(installed("bin/tessaline-cli"),
            {"slice", installed("share/doc/" PACKAGE_NAME "/examples/welcome.tsprj"), "-o", gcode, "--quiet"});
    ASSERT_EQ(slice.exitCode, 0) << describe(slice);

    const ProcessResult stats = run(installed("bin/tessaline-cli"), {"stats", "--json", gcode});
    ASSERT_EQ(stats.exitCode, 0) << describe(stats);
    const QJsonObject object = QJsonDocument::fromJson(stats.out).object();
    EXPECT_EQ(object.value("error").toString(), "");
    EXPECT_GT(object.value("layers").toInt(), 10);
    EXPECT_GT(object.value("totalE").toDouble(), 0);

    const ProcessResult index = run(installed("bin/spoolwatch-cli"), {"index", gcode});
    EXPECT_EQ(index.exitCode, 0) << describe(index);
}

// --- The windows ---------------------------------------------------------------------------------------

struct GuiCase {
    const char *program;
    const char *title;
};

class InstalledGui : public Installed, public ::testing::WithParamInterface<GuiCase>
{
};

TEST_P(InstalledGui, StartsAndShowsItsTitle)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("QT_QPA_PLATFORM", "offscreen");
    const ProcessResult result = run(installed(QString("bin/") + GetParam().program), {"--smoke-test"}, environment);
    EXPECT_EQ(result.exitCode, 0) << describe(result);
    EXPECT_TRUE(result.out.startsWith(GetParam().title)) << describe(result);
}

INSTANTIATE_TEST_SUITE_P(Programs, InstalledGui,
                         ::testing::Values(GuiCase{"Tessaline", TessalineVersion::title},
                                           GuiCase{"Spoolwatch", SpoolwatchVersion::title}),
                         [](const ::testing::TestParamInfo<GuiCase> &info) { return std::string(info.param.program); });

// --- Desktop entries, icons and MIME types -------------------------------------------------------------

class InstalledDesktopEntry : public Installed, public ::testing::WithParamInterface<const char *>
{
protected:
    QString path() const { return installed(QString("share/applications/") + GetParam() + ".desktop"); }
    // A key of the [Desktop Entry] group, as the menu reads it (QSettings would take ';' for a comment).
    QString value(const QString &key) const
    {
        QFile file(path());
        if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
            return QString();
        bool inEntry = false;
        for (const QString &line : QString::fromUtf8(file.readAll()).split('\n')) {
            if (line.startsWith('['))
                inEntry = line == "[Desktop Entry]";
            else if (inEntry && line.section('=', 0, 0) == key)
                return line.section('=', 1);
        }
        return QString();
    }
};

TEST_P(InstalledDesktopEntry, PassesDesktopFileValidate)
{
    const ProcessResult result = run("desktop-file-validate", {path()});
    ASSERT_NE(result.exitCode, -1) << "desktop-file-validate (package desktop-file-utils) is missing";
    EXPECT_EQ(result.exitCode, 0) << describe(result);
    // It warns on stdout without failing; a warning is a fault of ours all the same.
    EXPECT_EQ(result.out + result.err, "") << describe(result);
}

TEST_P(InstalledDesktopEntry, StartsAnInstalledProgramWithItsIcon)
{
    const QStringList exec = value("Exec").split(' ');
    ASSERT_EQ(exec.size(), 2) << value("Exec").toStdString();
    // A menu entry runs its Exec through the search path: the program must be in the prefix's bin/.
    EXPECT_TRUE(QFileInfo(installed("bin/" + exec[0])).isExecutable()) << exec[0].toStdString();
    EXPECT_EQ(exec[1], "%f") << "the programs take one file";
    const QString icon = installed("share/icons/hicolor/48x48/apps/" + value("Icon") + ".png");
    EXPECT_TRUE(QFileInfo::exists(icon)) << icon.toStdString();
}

// Every type a menu entry offers is known to the desktop and opened by its program: a double-click never ends in
// "Unsupported type of file".
TEST_P(InstalledDesktopEntry, OffersOnlyKnownTypesItsProgramOpens)
{
    ASSERT_TRUE(mimeDatabaseReady());
    const bool slicer = QString(GetParam()) == "tessaline";
    const QStringList types = value("MimeType").split(';', Qt::SkipEmptyParts);
    ASSERT_FALSE(types.isEmpty());
    QMimeDatabase database;
    for (const QString &type : types) {
        const QMimeType known = database.mimeTypeForName(type);
        EXPECT_TRUE(known.isValid()) << type.toStdString();
        EXPECT_EQ(known.name(), type) << "an alias: list the type itself";
        EXPECT_FALSE(known.suffixes().isEmpty()) << type.toStdString();
        for (const QString &suffix : known.suffixes()) {
            const QString file = "file." + suffix;
            // The host loads whatever it is given as a job: G-code, text or compact.
            const bool opens = isGCodeFile(file) || (slicer && (isProjectFile(file) || isModelFile(file) || isPresetFile(file)));
            EXPECT_TRUE(opens) << type.toStdString() << " offers " << file.toStdString();
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Entries, InstalledDesktopEntry, ::testing::Values("tessaline", "tessaline.spoolwatch"),
                         [](const ::testing::TestParamInfo<const char *> &info) {
                             return QString(info.param).replace('.', '_').toStdString();
                         });

// Both programs take G-code; with no choice of the user's, a desktop opens it with the first entry of the cache
// that update-desktop-database (run by Debian's trigger) writes: the slicer's preview, the host second.
TEST_F(Installed, GCodeOpensInTheSlicerWithTheHostSecond)
{
    const QString applications = installed("share/applications");
    const ProcessResult update = run("update-desktop-database", {applications});
    ASSERT_EQ(update.exitCode, 0) << describe(update);
    QFile cache(applications + "/mimeinfo.cache");
    ASSERT_TRUE(cache.open(QIODevice::ReadOnly | QIODevice::Text));
    const QStringList lines = QString::fromUtf8(cache.readAll()).split('\n');
    for (const char *type : {"text/x.gcode", "application/x-tessaline-zcode"})
        EXPECT_TRUE(lines.contains(QString(type) + "=tessaline.desktop;tessaline.spoolwatch.desktop;")) << type;
    EXPECT_TRUE(lines.contains("model/stl=tessaline.desktop;"));
}

// Every icon sits in the folder of its size, and both programs have one in every size drawn.
TEST_F(Installed, IconsMatchTheirThemeFolders)
{
    const QDir hicolor(installed("share/icons/hicolor"));
    const QStringList sizes = hicolor.entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    ASSERT_TRUE(sizes.contains("48x48")) << "the theme's required size";
    for (const QString &size : sizes) {
        const int pixels = size.section('x', 0, 0).toInt();
        for (const char *name : {"tessaline", "spoolwatch"}) {
            const QString path = hicolor.filePath(size + "/apps/" + name + ".png");
            EXPECT_EQ(QImageReader(path).size(), QSize(pixels, pixels)) << path.toStdString();
        }
    }
}

struct MimeCase {
    const char *name;
    const char *source;   // fixture or installed file copied into the test folder
    const char *fileName; // the copy's name: an extension tests the globs, none the magic
    const char *type;
};

class InstalledMimeTypes : public Installed, public ::testing::WithParamInterface<MimeCase>
{
};

TEST_P(InstalledMimeTypes, DetectsTheFileAsADesktopWould)
{
    ASSERT_TRUE(mimeDatabaseReady());
    const MimeCase &c = GetParam();
    const QString source = QString(c.source).startsWith("share/") ? installed(c.source) : fixture(c.source);
    const QString copy = testHomeDir() + "/mime/" + c.fileName;
    QDir().mkpath(testHomeDir() + "/mime");
    QFile::remove(copy);
    ASSERT_TRUE(QFile::copy(source, copy)) << source.toStdString();
    EXPECT_EQ(QMimeDatabase().mimeTypeForFile(copy).name().toStdString(), c.type);
}

INSTANTIATE_TEST_SUITE_P(
    Files, InstalledMimeTypes,
    ::testing::Values(MimeCase{"project_by_extension", "share/doc/" PACKAGE_NAME "/examples/welcome.tsprj",
                               "part.tsprj", "application/x-tessaline-project"},
                      MimeCase{"project_by_signature", "share/doc/" PACKAGE_NAME "/examples/tetris.tsprj", "downloaded",
                               "application/x-tessaline-project"},
                      MimeCase{"preset", "presets/fine_petg.tssp", "fine.tssp", "application/x-tessaline-preset"},
                      MimeCase{"zcode_by_extension", "gcode/compact/square.zcode", "square.zcode",
                               "application/x-tessaline-zcode"},
                      MimeCase{"zcode_by_magic", "gcode/compact/square.zcode", "job", "application/x-tessaline-zcode"},
                      MimeCase{"gco_is_gcode", "gcode/text/own.gcode", "square.gco", "text/x.gcode"},
                      MimeCase{"gcode", "gcode/text/own.gcode", "square.gcode", "text/x.gcode"},
                      MimeCase{"stl", "meshes/cube_binary.stl", "cube.stl", "model/stl"},
                      MimeCase{"obj", "meshes/pyramid.obj", "pyramid.obj", "model/obj"},
                      // A preset has no magic of its own: without its extension it is only text, not claimed as ours.
                      MimeCase{"preset_without_extension", "presets/fine_petg.tssp", "settings", "text/plain"}),
    [](const ::testing::TestParamInfo<MimeCase> &info) { return std::string(info.param.name); });

// --- Manual pages --------------------------------------------------------------------------------------

class InstalledManPage : public Installed, public ::testing::WithParamInterface<const char *>
{
};

// Every option the tool's --help names is described in its manual page, so the page cannot fall behind.
TEST_P(InstalledManPage, DescribesEveryOptionOfTheHelp)
{
    const QString tool = GetParam();
    const ProcessResult help = run(installed("bin/" + tool), {"--help"});
    ASSERT_EQ(help.exitCode, 0) << describe(help);
    const QString page = installed("share/man/man1/" + tool + ".1.gz");
    const ProcessResult unpacked = run("gzip", {"-dc", page});
    ASSERT_EQ(unpacked.exitCode, 0) << describe(unpacked);
    const QString roff = QString::fromUtf8(unpacked.out).replace("\\-", "-");

    QSet<QString> words;
    const QRegularExpression option("--[a-z][a-z-]*");
    for (auto match = option.globalMatch(QString::fromUtf8(help.out)); match.hasNext();)
        words << match.next().captured();
    // The commands: the word after the tool's name in each usage line, or the indented names of a list.
    const QRegularExpression command(tool + " ([a-z]+) |^  ([a-z]+) ", QRegularExpression::MultilineOption);
    for (auto match = command.globalMatch(QString::fromUtf8(help.out)); match.hasNext();) {
        const QRegularExpressionMatch next = match.next();
        words << (next.captured(1).isEmpty() ? next.captured(2) : next.captured(1));
    }
    ASSERT_GE(words.size(), 4);
    for (const QString &word : words)
        EXPECT_TRUE(roff.contains(
            QRegularExpression("(^|[^a-z-])" + word + "([^a-z-]|$)", QRegularExpression::MultilineOption)))
            << word.toStdString() << " is missing from " << page.toStdString();
}

// man formats every installed page without a warning (a roff mistake shows up here, not in a user's terminal).
TEST_P(InstalledManPage, FormatsWithoutWarnings)
{
    if (QStandardPaths::findExecutable("man").isEmpty())
        GTEST_SKIP() << "man (package man-db) is not installed";
    const QString page = installed(QString("share/man/man1/") + GetParam() + ".1.gz");
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("MANWIDTH", "80");
    environment.insert("MAN_KEEP_STDERR", "1");
    const ProcessResult result = run("man", {"--warnings", "-l", page}, environment);
    EXPECT_EQ(result.exitCode, 0) << describe(result);
    EXPECT_EQ(result.err, "") << describe(result);
    EXPECT_TRUE(result.out.contains("NAME")) << describe(result);
}

INSTANTIATE_TEST_SUITE_P(Tools, InstalledManPage, ::testing::Values("tessaline-cli", "spoolwatch-cli"),
                         [](const ::testing::TestParamInfo<const char *> &info) {
                             return QString(info.param).replace('-', '_').toStdString();
                         });

// The udev rule hands over exactly the ports the host's discovery takes for printers.
TEST_F(Installed, UdevRuleCoversThePrintersTheHostLooksFor)
{
    QFile rules(installed(UDEV_RULES_DIR "/70-tessaline-printers.rules"));
    ASSERT_TRUE(rules.open(QIODevice::ReadOnly | QIODevice::Text)) << rules.fileName().toStdString();
    const QString text = QString::fromUtf8(rules.readAll());
    const QRegularExpression usbId("VID_([0-9A-F]{4})&PID_([0-9A-F]{4})");
    for (const char *id : {ports::taliformId, ports::bootLoaderId}) {
        const QRegularExpressionMatch match = usbId.match(id);
        ASSERT_TRUE(match.hasMatch()) << id;
        const QString line = QString("ATTRS{idVendor}==\"%1\", ATTRS{idProduct}==\"%2\", MODE=\"0660\", "
                                     "GROUP=\"plugdev\", TAG+=\"uaccess\"")
                                 .arg(match.captured(1).toLower(), match.captured(2).toLower());
        EXPECT_TRUE(text.contains(line)) << id;
    }
}

// --- The Debian package --------------------------------------------------------------------------------

QString packageFolder()
{
    return scratchFolder("package");
}

// cpack of this build tree, made by the first Package case that asks; the package's path or empty.
const QString &packageOnce()
{
    static const QString path = [] {
        const ProcessResult cpack =
            run(CPACK_COMMAND_PATH, {"--config", binaryDir() + "/CPackConfig.cmake", "-B", packageFolder()});
        if (cpack.exitCode != 0) {
            ADD_FAILURE() << "cpack: " << describe(cpack);
            return QString();
        }
        const QStringList debs = QDir(packageFolder()).entryList({PACKAGE_NAME "_" PACKAGE_VERSION "_*.deb"});
        if (debs.size() != 1) {
            ADD_FAILURE() << "expected one " PACKAGE_NAME " " PACKAGE_VERSION " package, found: "
                          << debs.join(' ').toStdString();
            return QString();
        }
        return QDir(packageFolder()).filePath(debs.first());
    }();
    return path;
}

QString controlField(const QString &deb, const QString &field)
{
    return QString::fromUtf8(run("dpkg-deb", {"--field", deb, field}).out).trimmed();
}

TEST(Package, NamesDebiansOwnLibrariesAsDependencies)
{
    const QString deb = packageOnce();
    ASSERT_FALSE(deb.isEmpty());
    EXPECT_EQ(controlField(deb, "Package"), PACKAGE_NAME);
    EXPECT_EQ(controlField(deb, "Version"), PACKAGE_VERSION);
    const QStringList depends = controlField(deb, "Depends").split(", ");
    // dpkg-shlibdeps read these from the programs: each with a version floor from Debian's symbols files.
    for (const char *library : {"libc6", "libstdc++6", "libqt5core5a", "libqt5gui5", "libqt5widgets5", "libqt5network5",
                                "libqt5serialport5", "zlib1g"}) {
        const bool listed = std::any_of(depends.begin(), depends.end(), [&](const QString &dependency) {
            return dependency.startsWith(QString(library) + " (>= ");
        });
        EXPECT_TRUE(listed) << library << " in " << depends.join(", ").toStdString();
    }
}

TEST(Package, HoldsTheProgramsAndTheirDesktopIntegrationUnderUsr)
{
    const QString deb = packageOnce();
    ASSERT_FALSE(deb.isEmpty());
    const ProcessResult contents = run("dpkg-deb", {"--contents", deb});
    ASSERT_EQ(contents.exitCode, 0) << describe(contents);
    QSet<QString> files;
    for (const QByteArray &line : contents.out.split('\n')) {
        const QString path = QString::fromUtf8(line).section(' ', -1);
        if (path.isEmpty() || path.endsWith('/'))
            continue;
        EXPECT_TRUE(path.startsWith("./usr/")) << path.toStdString();
        EXPECT_FALSE(path.startsWith("./usr/local/")) << path.toStdString();
        files << path;
    }
    for (const char *path :
         {"./usr/bin/Tessaline", "./usr/bin/Spoolwatch", "./usr/bin/tessaline-cli", "./usr/bin/spoolwatch-cli",
          "./usr/share/applications/tessaline.desktop", "./usr/share/applications/tessaline.spoolwatch.desktop",
          "./usr/share/mime/packages/tessaline.xml", "./usr/share/icons/hicolor/48x48/apps/tessaline.png",
          "./usr/share/icons/hicolor/48x48/apps/spoolwatch.png", "./usr/share/man/man1/tessaline-cli.1.gz",
          "./usr/share/man/man1/spoolwatch-cli.1.gz", "./usr/lib/udev/rules.d/70-tessaline-printers.rules",
          "./usr/share/doc/" PACKAGE_NAME "/examples/welcome.tsprj"})
        EXPECT_TRUE(files.contains(path)) << path;
}

} // namespace
