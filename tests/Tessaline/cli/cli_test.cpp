#include "gcodegen.h"
#include "referencestats.h"
#include "testenvironment.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QProcessEnvironment>
#include "clirunner.h"

#include <gtest/gtest.h>

#include <cmath>

// The sanitizer build, whose allocator takes a size limit from its options.
#if defined(__SANITIZE_ADDRESS__)
#define TESSALINE_TEST_ASAN
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define TESSALINE_TEST_ASAN
#endif
#endif

namespace
{

QString fixture(const QString &name)
{
    return sourceDir() + "/tests/fixtures/gcode/" + name;
}

QString writeTemp(const QString &name, const QByteArray &bytes)
{
    const QString path = testHomeDir() + "/" + name;
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
    return path;
}

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QList<QJsonObject> jsonLines(const QByteArray &out)
{
    QList<QJsonObject> objects;
    for (const QByteArray &line : out.split('\n')) {
        if (line.isEmpty())
            continue;
        QJsonParseError error;
        const QJsonDocument document = QJsonDocument::fromJson(line, &error);
        EXPECT_EQ(error.error, QJsonParseError::NoError) << line.constData();
        objects << document.object();
    }
    return objects;
}

void expectMatchesReference(const QJsonObject &json, const ReferenceStats &ref, const QString &what)
{
    auto close = [&](const char *key, double expected) {
        EXPECT_NEAR(json[key].toDouble(), expected, 1e-3 + std::abs(expected) * 1e-5)
            << key << " of " << what.toStdString();
    };
    close("timeSec", ref.timeSec);
    close("totalE", ref.totalE);
    close("extrudeDist", ref.extrudeDist);
    close("travelDist", ref.travelDist);
    EXPECT_EQ(json["layers"].toInt(), ref.layers) << what.toStdString();
    EXPECT_EQ(json["lines"].toInt(), ref.lines) << what.toStdString();
}

} // namespace

TEST(CliUsage, HelpVersionAndUsageErrors)
{
    CliResult r = runCli({"--version"});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_TRUE(r.out.startsWith("tessaline-cli ")) << r.out.constData();
    r = runCli({"--help"});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_TRUE(r.out.contains("stats") && r.out.contains("convert"));
    EXPECT_EQ(runCli({"stats", "--help"}).exitCode, 0);

    const QStringList usageErrors[] = {{},
                                       {"slice-everything"},
                                       {"stats"},
                                       {"stats", "--yaml", "a.gcode"},
                                       {"convert", "only-one"},
                                       {"convert", "a", "b", "c"}};
    for (const QStringList &args : usageErrors) {
        r = runCli(args);
        EXPECT_EQ(r.exitCode, 2) << args.join(' ').toStdString();
        EXPECT_TRUE(r.out.isEmpty());
        EXPECT_TRUE(r.err.contains("tessaline-cli")) << r.err.constData();
    }
}

TEST(CliStats, MissingFileFailsWithItsPath)
{
    const CliResult r = runCli({"stats", "/nonexistent/x.gcode"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.err.contains("File not found \"/nonexistent/x.gcode\"")) << r.err.constData();
}

TEST(CliStats, OwnDialectFixtureByHand)
{
    // Worked out on paper: 4 s homing, the perimeter square (140 mm at 1200 mm/min), the infill diagonal
    // at 2400 mm/min, the loop diagonal at 1200 mm/min and two 14.142 mm travels at 6000 mm/min.
    const CliResult r = runCli({"stats", "--json", fixture("text/own.gcode")});
    ASSERT_EQ(r.exitCode, 0) << r.err.constData();
    const QList<QJsonObject> objects = jsonLines(r.out);
    ASSERT_EQ(objects.size(), 1);
    const QJsonObject json = objects.first();
    EXPECT_NEAR(json["timeSec"].toDouble(), 12.343502, 1e-4);
    EXPECT_NEAR(json["totalE"].toDouble(), 5.5, 1e-5);
    EXPECT_NEAR(json["extrudeDist"].toDouble(), 168.284271, 1e-3);
    EXPECT_NEAR(json["travelDist"].toDouble(), 28.284271, 1e-3);
    EXPECT_EQ(json["layers"].toInt(), 2);
    EXPECT_EQ(json["lines"].toInt(), 39);
    EXPECT_EQ(json["error"].toString(), "");
    const QJsonObject perType = json["perType"].toObject();
    EXPECT_EQ(perType.keys(), QStringList({"Infill", "Loop", "Perimeter"}));
    EXPECT_NEAR(perType["Perimeter"].toDouble(), 140, 1e-3);
    EXPECT_NEAR(perType["Infill"].toDouble(), 14.142136, 1e-3);
    EXPECT_NEAR(perType["Loop"].toDouble(), 14.142136, 1e-3);

    const CliResult text = runCli({"stats", fixture("text/own.gcode")});
    EXPECT_EQ(text.exitCode, 0);
    EXPECT_TRUE(text.out.contains("0:00:12")) << text.out.constData();
    EXPECT_TRUE(text.out.contains("Perimeter"));
}

TEST(CliStats, AgreesWithIndependentReadingOfManyFiles)
{
    const QStringList files = {
        fixture("text/own.gcode"),
        fixture("text/foreign.gcode"),
        writeTemp("own-generated.gcode", gcodegen::slicerDialect(1500000, 8)),
        writeTemp("foreign-generated.gcode", gcodegen::foreignDialect(1500000, 9)),
    };
    const CliResult r = runCli(QStringList{"stats", "--json"} + files);
    ASSERT_EQ(r.exitCode, 0) << r.err.constData();
    const QList<QJsonObject> objects = jsonLines(r.out);
    ASSERT_EQ(objects.size(), files.size());
    for (int i = 0; i < files.size(); ++i) {
        EXPECT_EQ(objects[i]["file"].toString(), files[i]);
        EXPECT_EQ(objects[i]["error"].toString(), "") << files[i].toStdString();
        expectMatchesReference(objects[i], referenceStats(readAll(files[i])), files[i]);
    }
}

TEST(CliStats, ReportsTheFirstParseErrorAndStillSucceeds)
{
    const CliResult r = runCli({"stats", "--json", fixture("text/edge.gcode")});
    ASSERT_EQ(r.exitCode, 0);
    const QJsonObject json = jsonLines(r.out).value(0);
    EXPECT_EQ(json["error"].toString(), "GCodeParser error at line(4): Param already specified 'X'.");
    EXPECT_EQ(json["lines"].toInt(), 10);
}

TEST(CliConvert, CompactFileToTextByteExact)
{
    const QString out = testHomeDir() + "/square.gcode";
    CliResult r = runCli({"convert", fixture("compact/square.zcode"), out});
    ASSERT_EQ(r.exitCode, 0) << r.err.constData();
    EXPECT_EQ(readAll(out), "G28X0Y0Z0\r\nG92E0.000\r\nG1F6000\r\n;segType:Perimeter\r\nG1X10.000Y10.000Z0.200\r\n"
                            "G1F1200\r\nG1X40.000Y10.000E1.000\r\nG1X40.000Y50.000E2.000\r\n"
                            ";segType:Infill\r\nG1X10.000Y50.000E3.000\r\nM106S255\r\n"
                            ";segType:Skirt\r\nG1X10.000Y10.000E4.000\r\n;segType:HShell\r\nG1Z0.400E4.000\r\n"
                            ";segType:Loop\r\nG1X20.000Y20.000E5.000\r\nG1X0F5000 ;finishing move\r\n");

    // The compact file and its text give the same statistics.
    r = runCli({"stats", "--json", fixture("compact/square.zcode"), out});
    const QList<QJsonObject> objects = jsonLines(r.out);
    ASSERT_EQ(objects.size(), 2);
    for (const char *key : {"timeSec", "totalE", "extrudeDist", "travelDist", "layers", "lines", "perType"})
        EXPECT_EQ(objects[0][key], objects[1][key]) << key;
    EXPECT_NEAR(objects[0]["timeSec"].toDouble(), 12.088528, 1e-4);
    EXPECT_NEAR(objects[0]["totalE"].toDouble(), 5, 1e-5);
    EXPECT_EQ(objects[0]["layers"].toInt(), 2);
}

TEST(CliConvert, FailuresLeaveExistingFilesAlone)
{
    const QString out = writeTemp("keep.gcode", "precious");
    CliResult r = runCli({"convert", fixture("text/own.gcode"), out});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.err.contains("not a compact G-code file")) << r.err.constData();
    r = runCli({"convert", fixture("compact/square.zcode"), testHomeDir() + "/no/such/folder/x.gcode"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.err.contains("Cannot write")) << r.err.constData();
    r = runCli({"convert", "--ascii", "missing model.stl", testHomeDir() + "/keep.stl"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.err.contains("missing model.stl")) << r.err.constData();
    r = runCli({"convert", sourceDir() + "/tests/fixtures/meshes/cube_binary.stl", out});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.err.contains("must end in .stl or .obj")) << r.err.constData();
    EXPECT_EQ(readAll(out), "precious");
    EXPECT_FALSE(QFile::exists(testHomeDir() + "/keep.stl"));
}

TEST(CliConvert, MeshesChangeFormatByTheOutputsExtension)
{
    const QString cube = sourceDir() + "/tests/fixtures/meshes/cube_binary.stl";
    const QString ascii = testHomeDir() + "/cube_ascii.stl";
    const QString obj = testHomeDir() + "/cube.obj";
    const QString binary = testHomeDir() + "/cube_again.stl";
    ASSERT_EQ(runCli({"convert", "--ascii", cube, ascii}).exitCode, 0);
    ASSERT_EQ(runCli({"convert", ascii, obj}).exitCode, 0);
    ASSERT_EQ(runCli({"convert", obj, binary}).exitCode, 0);
    EXPECT_TRUE(readAll(ascii).startsWith("solid"));
    EXPECT_TRUE(readAll(obj).contains("\nf "));
    // Binary STL: 80-byte header, a count, 50 bytes a triangle; the cube has 12 after three conversions.
    const QByteArray back = readAll(binary);
    ASSERT_EQ(back.size(), 84 + 12 * 50);
    EXPECT_EQ(quint8(back[80]), 12);
    // The three conversions lose nothing: the triangles come back as the original file holds them.
    EXPECT_EQ(back.mid(84), readAll(cube).mid(84));
}

// A failure the program has no message of its own for (here the allocator refusing a file's buffer) ends in
// "tessaline-cli: " and its text with status 1, not in std::terminate.
TEST(CliErrors, OutOfMemoryEndsInAMessageAndStatus1)
{
#ifndef TESSALINE_TEST_ASAN
    GTEST_SKIP() << "the allocation limit is set through AddressSanitizer's options";
#endif
    const QString path = writeTemp("four_megabytes.gcode", QByteArray(4 << 20, ';'));
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("ASAN_OPTIONS",
                       environment.value("ASAN_OPTIONS") + ":max_allocation_size_mb=1:allocator_may_return_null=1");
    QProcess process;
    process.setProcessEnvironment(environment);
    process.start(TESSALINE_CLI_PATH, {"stats", path});
    ASSERT_TRUE(process.waitForFinished(60000));
    EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(process.exitCode(), 1);
    const QByteArray err = process.readAllStandardError();
    EXPECT_TRUE(err.contains("tessaline-cli: std::bad_alloc\n")) << err.constData();
}
