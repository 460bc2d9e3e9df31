#include "geometry/meshnumbers.h"
#include "geometry/stlreader.h"
#include "geometry/stlwriter.h"
#include "geometry/workerthread.h"
#include "meshtestutil.h"
#include "testenvironment.h"

#include <QtEndian>
#include <clocale>
#include <cmath>
#include <cstring>
#include <gtest/gtest.h>
#include <limits>
#include <vector>

namespace
{

// One triangle lying on the plate, facing up (+Y), in the scene frame.
Faces plateTriangle()
{
    Faces faces;
    faces.append(Face({0, 0, 0}, {1, 0, 0}, {0, 0, -1}));
    return faces;
}

QByteArray binaryStl(const QByteArray &header, qint32 count, const QVector<QVector<float>> &records)
{
    QByteArray data = header.leftJustified(80, ' ', true);
    char bytes[4];
    qToLittleEndian<qint32>(count, bytes);
    data.append(bytes, 4);
    for (const QVector<float> &record : records) {
        for (float v : record) { // 12 floats: normal and three vertices
            qToLittleEndian<float>(v, bytes);
            data.append(bytes, 4);
        }
        data.append(2, '\0');
    }
    return data;
}

Faces readAll(const QByteArray &data)
{
    Faces faces;
    readStl(faces, data);
    return faces;
}

} // namespace

TEST(StlWriter, BinaryIsByteExact)
{
    const QByteArray data = writeStlBinary(plateTriangle());
    const float minus0 = -0.0f;
    // File frame is Z-up: scene (x, y, z) is written as (x, -z, y). The normal's x is the -0 of 0·(-1) - 0·0.
    const QByteArray expected = binaryStl("STL export", 1, {{minus0, minus0, 1, 0, minus0, 0, 1, minus0, 0, 0, 1, 0}});
    ASSERT_EQ(data.size(), 134);
    EXPECT_EQ(data.left(80), QByteArray("STL export").leftJustified(80, ' '));
    EXPECT_EQ(data, expected);
}

TEST(StlWriter, AsciiIsByteExact)
{
    Faces faces = plateTriangle();
    faces.append(Face({0.1f, 2.5f, 1e-7f}, {123456789.0f, 2.5f, 3}, {-0.5f, 1e20f, 3}));
    const QByteArray expected = "solid \n"
                                "facet normal -0 -0 1\n  outer loop\n"
                                "    vertex 0 -0 0\n    vertex 1 -0 0\n    vertex 0 1 0\n"
                                "  endloop\nendfacet\n"
                                "facet normal " +
                                QByteArray::number(faces[1].n.x, 'g', 7) + " " +
                                QByteArray::number(-faces[1].n.z, 'g', 7) + " " +
                                QByteArray::number(faces[1].n.y, 'g', 7) +
                                "\n  outer loop\n"
                                "    vertex 0.1 -1e-07 2.5\n    vertex 1.234568e+08 -3 2.5\n"
                                "    vertex -0.5 -3 1e+20\n"
                                "  endloop\nendfacet\nendsolid\n";
    EXPECT_EQ(writeStlAscii(faces), expected);
}

TEST(StlWriter, NumbersMatchPrintfGeneralAndFixedOverRandomFloats)
{
    std::setlocale(LC_NUMERIC, "C");
    std::mt19937 rng(11);
    std::uniform_int_distribution<quint32> bits;
    for (int i = 0; i < 20000; ++i) {
        float value;
        const quint32 b = bits(rng);
        std::memcpy(&value, &b, 4);
        if (!std::isfinite(value))
            continue;
        char expected[128];
        QByteArray general, fixed;
        appendGeneral7(general, value);
        std::snprintf(expected, sizeof expected, "%.7g", double(value));
        ASSERT_EQ(general, QByteArray(expected)) << b;
        appendFixed3(fixed, value);
        std::snprintf(expected, sizeof expected, "%.3f", double(value));
        ASSERT_EQ(fixed, QByteArray(expected)) << b;
    }
}

TEST(StlRoundTrip, BinaryGivesBitIdenticalVerticesAndAsciiSevenDigits)
{
    std::mt19937 rng(3);
    const Faces original = randomMesh(rng, 500);
    const Faces binary = readAll(writeStlBinary(original));
    EXPECT_TRUE(sameVertices(binary, original));
    EXPECT_EQ(binary.hash(), original.hash());

    const Faces ascii = readAll(writeStlAscii(original));
    ASSERT_EQ(ascii.count(), original.count());
    for (int i = 0; i < ascii.count(); ++i)
        for (int k = 0; k < 3; ++k)
            for (int axis = 0; axis < 3; ++axis) {
                const float want = original[i].p[k][axis];
                EXPECT_NEAR(ascii[i].p[k][axis], want, std::fabs(want) * 1e-6f) << i;
            }
}

TEST(StlRoundTrip, ThroughRealFilesAnyExtensionCase)
{
    QTemporaryDir dir;
    std::mt19937 rng(5);
    Faces original;
    original.makeBox({{-5, 0, -5}, {5, 10, 5}});
    for (bool binary : {true, false}) {
        const QString path = dir.filePath(binary ? "box.STL" : "box.stl");
        original.exportFata(path, binary);
        Faces loaded;
        loaded.importFile(path);
        EXPECT_TRUE(sameVertices(loaded, original)) << binary;
    }
    EXPECT_EQ(thrownMessage([&] { original.exportFata(dir.filePath("box.ply"), true); }),
              "Faces::exportFata() unsupported extension: .ply");
    EXPECT_FALSE(QFile::exists(dir.filePath("box.ply")));
}

TEST(StlReader, BinaryOrAsciiIsDecidedByByte83)
{
    EXPECT_EQ(thrownMessage([] { readAll(QByteArray()); }), "STL loader: empty file.");
    EXPECT_EQ(readAll(binaryStl("x", 0, {})).count(), 0);
    EXPECT_EQ(thrownMessage([] { readAll(binaryStl("x", 1, {})); }),
              "STL loader: Corrupt BinarySTL, triangleCnt > filesize");
    // A count far beyond the data and a negative count (byte 83 = 0xFF, so still binary).
    EXPECT_FALSE(thrownMessage([] {
                     readAll(binaryStl("x", 1 << 26, {{0, 0, 0, 1, 2, 3, 4, 5, 6, 7, 8, 9}}));
                 }).isEmpty());
    EXPECT_EQ(readAll(binaryStl("x", -5, {{0, 0, 0, 1, 2, 3, 4, 5, 6, 7, 8, 9}})).count(), 0);

    // Text whose 84th byte is a letter is ASCII even when it is long and has no facets.
    QByteArray text = "junk " + QByteArray(100, 'a') + "\nvertex 1 2 3\nvertex 4 5 6\nvertex 7 8 10\nendloop\n";
    const Faces ascii = readAll(text);
    ASSERT_EQ(ascii.count(), 1);
    EXPECT_EQ(ascii[0].p[2], V3f(7, 8, 10)); // no "solid " at the start: no conversion
}

TEST(StlReader, ZUpConversionFollowsTheSolidPrefix)
{
    const QByteArray body = "\nfacet normal 0 0 0\n outer loop\n  vertex 1 2 3\n  vertex 4 5 6\n  vertex 7 8 10\n"
                            " endloop\nendfacet\nendsolid\n";
    EXPECT_EQ(readAll("solid x" + body)[0].p[0], V3f(1, 3, -2));
    EXPECT_EQ(readAll("solid" + body)[0].p[0], V3f(1, 2, 3));

    const QVector<QVector<float>> record = {{0, 0, 0, 1, 2, 3, 4, 5, 6, 7, 8, 10}};
    EXPECT_EQ(readAll(binaryStl("binary", 1, record))[0].p[0], V3f(1, 3, -2));
    EXPECT_EQ(readAll(binaryStl("  solid part", 1, record))[0].p[0], V3f(1, 2, 3));
}

TEST(StlReader, AsciiLoopsNeedExactlyThreeVertices)
{
    const QByteArray text =
        "solid t\n"
        "outer loop\nvertex 0 0 0\nvertex 1 0 0\nvertex 0 1 0\nvertex 0 0 1\nendloop\n"
        "outer loop\nvertex 0 0 0\nvertex 1 0 0\nendloop\n"
        "outer loop\n\t vertex 0 0 0  \r\nvertex 2 0 0\r\nvertex 0 2 0\r\n  endloop \r\n"
        "outer loop\nvertex\t0 0 0\nvertex 3 x\nVERTEX 9 9 9\nvertex 0 3 0\nvertex 3 3 3\nendloop\n";
    const Faces faces = readAll(text);
    ASSERT_EQ(faces.count(), 2);
    EXPECT_EQ(faces[0].p[1], V3f(2, 0, -0.0f));
    // "vertex\t0" is one token, not the keyword; missing and unparsable numbers read as 0.
    EXPECT_EQ(faces[1].p[0], V3f(3, 0, -0.0f));
    EXPECT_EQ(faces[1].p[1], V3f(0, 0, -3));
    EXPECT_EQ(faces[1].p[2], V3f(3, 3, -3));
}

TEST(StlReader, NonFiniteCoordinatesNeverReachTheMesh)
{
    const float nan = std::numeric_limits<float>::quiet_NaN(), inf = std::numeric_limits<float>::infinity();
    const Faces binary = readAll(binaryStl("b", 4,
                                           {{0, 0, 0, 0, 0, 0, 1, 0, 0, 0, 1, 0},
                                            {0, 0, 0, nan, 0, 0, 1, 0, 0, 0, 1, 0},
                                            {0, 0, 0, 0, 0, 0, 1, -inf, 0, 0, 1, 0},
                                            {0, 0, 0, 0, 0, 0, 1, 0, 0, 0, 2e9f, 0}}));
    EXPECT_EQ(binary.count(), 1); // finite but beyond 1e9 mm is corrupt data too
    const QByteArray text = "solid \n"
                            "outer loop\nvertex nan 0 0\nvertex 1 0 0\nvertex 0 1 0\nendloop\n"
                            "outer loop\nvertex 0 0 0\nvertex 1e39 0 0\nvertex 0 1 0\nendloop\n"
                            "outer loop\nvertex 0 0 0\nvertex -inf 0 0\nvertex 0 1 0\nendloop\n"
                            "outer loop\nvertex 0 0 0\nvertex 1 0 0\nvertex 0 1 0\nendloop\n";
    const Faces ascii = readAll(text);
    ASSERT_EQ(ascii.count(), 1);
    const Box3f box = ascii.boundingBox();
    EXPECT_TRUE(box.min.isFinite() && box.max.isFinite());
}

namespace
{

// What a binary file must read as, record by record: the file's vertices (Z-up turned to Y-up unless the
// header says "solid "), normals recomputed, records with a coordinate that is not finite or beyond the
// limit left out. Appended to `into`.
void referenceDecode(const QByteArray &data, Faces &into)
{
    const bool convert = !QByteArray(data.constData(), 80).trimmed().startsWith("solid ");
    const qint32 count = qFromLittleEndian<qint32>(data.constData() + 80);
    for (qint32 i = 0; i < count; ++i) {
        V3f p[3];
        bool keep = true;
        for (int k = 0; k < 3; ++k) {
            float c[3];
            std::memcpy(c, data.constData() + 84 + qint64(i) * 50 + 12 + 12 * k, 12);
            for (float v : c)
                keep = keep && std::isfinite(v) && std::fabs(v) <= 1e9f;
            p[k] = convert ? V3f(c[0], c[2], -c[1]) : V3f(c[0], c[1], c[2]);
        }
        if (keep)
            into.append(Face(p[0], p[1], p[2]));
    }
}

// A binary file of `count` random records, with a coordinate that must drop its record at random places
// (more often in some files, whole stretches in others), and sometimes a "solid " header.
QByteArray randomBinaryStl(std::mt19937 &rng, int count)
{
    const float bad[] = {std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity(),
                         -std::numeric_limits<float>::infinity(), 1.0001e9f, -3e38f};
    const float edge[] = {1e9f, -1e9f, 0.0f, -0.0f}; // within the limit: kept
    const double badShare = std::uniform_real_distribution<double>(0.0, 1.0)(rng) < 0.3 ? 0.5 : 0.01;
    const int badFrom = int(rng() % unsigned(count + 1)), badTo = badFrom + int(rng() % 20000);
    std::uniform_real_distribution<float> coordinate(-500.0f, 500.0f), chance(0.0f, 1.0f);
    QVector<QVector<float>> records;
    for (int i = 0; i < count; ++i) {
        QVector<float> record(12);
        for (float &v : record)
            v = coordinate(rng);
        const bool inBadStretch = i >= badFrom && i < badTo && count > 20000;
        if (inBadStretch || chance(rng) < badShare)
            record[3 + int(rng() % 9)] = bad[rng() % 5];
        if (chance(rng) < 0.05f)
            record[3 + int(rng() % 9)] = edge[rng() % 4];
        records.append(record);
    }
    const QByteArray header = rng() % 3 == 0 ? "solid part" : (rng() % 2 ? "binary" : "");
    return binaryStl(header, count, records);
}

} // namespace

TEST(StlReader, BinaryReadsLikeRecordByRecordOnAnyThreadCount)
{
    std::mt19937 rng(11);
    std::vector<int> counts = {0, 1, 2, 3, 8191, 8192, 8193, 16385, 24577, 40001};
    for (int i = 0; i < 12; ++i)
        counts.push_back(int(rng() % 30000) | 1);
    for (const int count : counts) {
        const QByteArray data = randomBinaryStl(rng, count);
        Faces expected = randomMesh(rng, 3); // readers append to what is there
        const Faces before = expected;
        referenceDecode(data, expected);
        for (const int threads : {1, 2, 4}) {
            setWorkerThreadCount(threads);
            Faces faces = before;
            readStl(faces, data);
            ASSERT_EQ(faces.count(), expected.count()) << count << " records on " << threads << " threads";
            EXPECT_EQ(std::memcmp(faces.constData(), expected.constData(), size_t(faces.count()) * sizeof(Face)), 0)
                << count << " records on " << threads << " threads";
        }
    }
    setWorkerThreadCount(QThread::idealThreadCount());
}

namespace
{

// Three triangles as an exporter writes them, indented with `indent` per level, behind `firstLine`.
QByteArray indentedAsciiStl(const QByteArray &firstLine, const QByteArray &indent)
{
    QByteArray text = firstLine + "\n";
    for (int i = 0; i < 3; ++i) {
        text += indent + "facet normal 0 0 1\n" + indent + indent + "outer loop\n";
        for (const auto &[dx, y] : {std::pair<int, int>{0, 0}, {1, 0}, {0, 1}})
            text += indent + indent + indent + "vertex " + QByteArray::number(i * 10 + dx) + " " +
                    QByteArray::number(y) + " 5\n";
        text += indent + indent + "endloop\n" + indent + "endfacet\n";
    }
    return text + "endsolid\n";
}

// What indentedAsciiStl must read as: Z-up turned to Y-up behind "solid ", taken as it is otherwise.
void expectIndentedTriangles(const Faces &faces, bool converted, const std::string &what)
{
    ASSERT_EQ(faces.count(), 3) << what;
    for (int i = 0; i < 3; ++i) {
        const V3f file(float(i * 10) + 1.0f, 0.0f, 5.0f); // the second vertex
        EXPECT_EQ(faces[i].p[1], converted ? V3f(file.x, file.z, -file.y) : file) << what;
    }
}

} // namespace

// A short first line puts a tab of the indentation at byte 83, and a name in UTF-8 may put a byte of 0x80 or
// above there; either makes byte 83 look binary, yet these are the text files exporters write every day.
TEST(StlReader, RegressionIndentedAsciiLoadsWhateverFallsOnByte83)
{
    int smallByte83 = 0;
    for (const QByteArray &indent : {QByteArray("\t"), QByteArray("  "), QByteArray(" \t")})
        for (int nameLength = 0; nameLength <= 90; ++nameLength)
            for (const QByteArray &opening : {QByteArray("solid "), QByteArray("solid\t"), QByteArray("solid")}) {
                const QByteArray text = indentedAsciiStl(opening + QByteArray(nameLength, 'n'), indent);
                smallByte83 += qint8(text[83]) < 10;
                expectIndentedTriangles(readAll(text), opening == "solid ",
                                        "indent '" + indent.toStdString() + "', name of " + std::to_string(nameLength) +
                                            " after '" + opening.toStdString() + "'");
            }
    EXPECT_GT(smallByte83, 20) << "the lengths must put small bytes at offset 83";

    for (int byte = -128; byte < 10; ++byte) {
        const QByteArray name = QByteArray(83 - 6, 'n') + char(byte) + "-part";
        const QByteArray text = indentedAsciiStl("solid " + name, "\t");
        ASSERT_EQ(qint8(text[83]), byte);
        expectIndentedTriangles(readAll(text), true, "byte " + std::to_string(byte) + " at 83");
    }
}

// The fixture is the tetrahedron of the space-indented one, indented with tabs, a tab at byte 83.
TEST(StlReader, RegressionTabIndentedFileImportsLikeTheSpaceIndentedOne)
{
    const QString meshes = sourceDir() + "/tests/fixtures/meshes/";
    Faces spaces, tabs;
    spaces.importFile(meshes + "tetrahedron_ascii.stl");
    tabs.importFile(meshes + "tetrahedron_tabs.stl");
    ASSERT_EQ(spaces.count(), 4);
    EXPECT_TRUE(sameVertices(tabs, spaces));
}

// Exporters also write "solid" into binary headers: such a file is binary whenever its count fits, and a
// broken one still fails the way it did.
TEST(StlReader, BinaryWithSolidHeaderStaysBinary)
{
    const QVector<QVector<float>> records = {{0, 0, 0, 1, 2, 3, 4, 5, 6, 7, 8, 10},
                                             {0, 0, 0, 0, 0, 0, 1, 0, 0, 0, 1, 0}};
    const QByteArray spare(49, '\0'); // less than a record: the count must still not reach it
    const Faces two = readAll(binaryStl("solid part", 2, records) + spare);
    ASSERT_EQ(two.count(), 2);
    EXPECT_EQ(two[0].p[0], V3f(1, 2, 3)); // a "solid " header: taken as it is
    EXPECT_EQ(readAll(binaryStl("solid", 0, {})).count(), 0);
    EXPECT_EQ(readAll(binaryStl("solid part", -5, records)).count(), 0);
    EXPECT_EQ(thrownMessage([&] { readAll(binaryStl("solid part", 3, records) + spare); }),
              "STL loader: Corrupt BinarySTL, triangleCnt > filesize");
    EXPECT_EQ(thrownMessage([&] { readAll(binaryStl("solid part", 1 << 20, records)); }),
              "STL loader: Corrupt BinarySTL, triangleCnt > filesize");
    // Text that byte 83 calls binary but that holds no triangle is taken at the byte's word.
    const QByteArray emptySolid = "solid empty\n" + QByteArray(80, '\t') + "\nendsolid\n";
    EXPECT_EQ(thrownMessage([&] { readAll(emptySolid); }), "STL loader: Corrupt BinarySTL, triangleCnt > filesize");
}

namespace
{

struct Byte83Case {
    const char *name;
    QByteArray data;
    int triangles;       // read when no message
    const char *message; // nullptr: no failure
};

// An 84th byte of `byte83` behind a first line of 83 bytes that begins with `opening`, then one facet.
QByteArray withByte83(const QByteArray &opening, int byte83)
{
    return opening.leftJustified(83, 'x') + char(byte83) + "\nvertex 1 2 3\nvertex 4 5 6\nvertex 7 8 10\nendloop\n";
}

// Exactly `size` bytes: 80 blanks, then the bytes of a count of one (fewer when the file is shorter).
QByteArray countOfOne(int size)
{
    return (QByteArray(80, ' ') + QByteArray("\x01\x00\x00\x00", 4)).left(size);
}

void PrintTo(const Byte83Case &c, std::ostream *out)
{
    *out << c.name;
}

const char *const corrupt = "STL loader: Corrupt BinarySTL, triangleCnt > filesize";

class Byte83Rule : public ::testing::TestWithParam<Byte83Case>
{
};

} // namespace

TEST_P(Byte83Rule, DecidesBinaryOrText)
{
    const Byte83Case &c = GetParam();
    Faces faces;
    const QString message = thrownMessage([&] { readStl(faces, c.data); });
    EXPECT_EQ(message, QString(c.message ? c.message : ""));
    if (!c.message)
        EXPECT_EQ(faces.count(), c.triangles);
}

INSTANTIATE_TEST_SUITE_P(StlReader, Byte83Rule,
                         ::testing::Values(Byte83Case{"NineIsBinary", withByte83("junk", 9), 0, corrupt},
                                           Byte83Case{"TenIsText", withByte83("junk", 10), 1, nullptr},
                                           Byte83Case{"ElevenIsText", withByte83("junk", 11), 1, nullptr},
                                           Byte83Case{"ZeroIsBinary", withByte83("junk", 0), 0, corrupt},
                                           Byte83Case{"HighByteIsBinaryOfNegativeCount", withByte83("junk", 0x80), 0,
                                                      nullptr},
                                           Byte83Case{"SolidNineIsText", withByte83("solid x", 9), 1, nullptr},
                                           Byte83Case{"SolidTenIsText", withByte83("solid x", 10), 1, nullptr},
                                           Byte83Case{"SolidHighByteIsText", withByte83("solid x", 0xC3), 1, nullptr},
                                           Byte83Case{"EightyFourBytesAreBinary", countOfOne(84), 0, corrupt},
                                           Byte83Case{"EightyThreeBytesAreText", countOfOne(83), 0, nullptr}),
                         [](const ::testing::TestParamInfo<Byte83Case> &info) { return std::string(info.param.name); });
