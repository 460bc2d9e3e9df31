#include "common/gcode/gcodeparser.h"
#include "common/gcode/gcodesimxcode.h"
#include "common/platform/paths.h"
#include "gcodegen.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>
#include <gtest/gtest.h>

#include <random>

using gcodegen::compactRecord;
using gcodegen::littleEndian;

namespace
{

const QByteArray kTrailer = "G1X0F5000 ;finishing move\r\n";

QByteArray header()
{
    QByteArray data("ZCode");
    return data + QByteArray(123, '\x5a');
}

QByteArray move(int pathType, int flags, std::initializer_list<qint32> words)
{
    QByteArray payload;
    payload += char(pathType);
    payload += char(flags);
    for (qint32 w : words)
        payload += littleEndian(w);
    return compactRecord(1, payload);
}

// Collects the converter's debug-log lines for one test.
class DiagnosticsCapture
{
public:
    DiagnosticsCapture()
    {
        lines().clear();
        m_previous =
            qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &text) { lines() << text; });
    }
    ~DiagnosticsCapture() { qInstallMessageHandler(m_previous); }
    static QStringList &lines()
    {
        static QStringList captured;
        return captured;
    }

private:
    QtMessageHandler m_previous;
};

class EscaleSwitch
{
public:
    explicit EscaleSwitch(const QByteArray &content) : m_path(platform::developerSwitchPath("c:/escale"))
    {
        QDir().mkpath(QFileInfo(m_path).path());
        QFile file(m_path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(content);
    }
    ~EscaleSwitch() { QFile::remove(m_path); }

private:
    QString m_path;
};

} // namespace

TEST(ProcessXCode, OtherDataPassesUnchanged)
{
    for (const QByteArray &data : {QByteArray(), QByteArray("ZCod"), QByteArray("G1 X1\r\n"), QByteArray("zcode....")})
        EXPECT_EQ(processXCode(data), data);
}

TEST(ProcessXCode, HeaderAloneGivesTheFinishingMove)
{
    EXPECT_EQ(processXCode(header()), kTrailer);
    EXPECT_EQ(processXCode("ZCode"), kTrailer);
}

TEST(ProcessXCode, RecordsConvertByteExact)
{
    QByteArray data = header();
    data += move(0, 0x03, {6400, 3200}); // X 10, Y 5
    data += move(0, 0x08, {1200});       // same type: no new comment
    data += move(1, 0x04, {160});        // Z 0.2
    data += move(0, 0x09, {-6400, 1});   // negative first word: no move line, but the type changes
    data += compactRecord(2, littleEndian(3000));
    data += compactRecord(4, QByteArray(1, char(0x0B)) + littleEndian(77) + littleEndian(88) + littleEndian(0));
    data += move(3, 0x20, {128});     // fan only: no comment
    data += move(200, 0x01, {640});   // types from 128 on write no comment
    data += move(0, 0x21, {-640, 7}); // the fan word follows the value words
    data += compactRecord(9, "abc");  // other types are skipped
    data += compactRecord(4, QByteArray(1, char(0x04)) + littleEndian(5));
    data += move(2, 0x0F, {-1, 2, 3, 4});
    const QByteArray expected = ";segType:Perimeter\r\nG1X10.000Y5.000\r\nG1E1.000\r\n"
                                ";segType:HShell\r\nG1Z0.200\r\n"
                                ";segType:Perimeter\r\n"
                                "G1F3000\r\nG28X0Y0\r\nG92E0.000\r\n"
                                "M106S128\r\n"
                                "G1X1.000\r\n"
                                ";segType:Perimeter\r\nM106S7\r\n"
                                "G28Z0\r\n"
                                ";segType:Loop\r\n" +
                                kTrailer;
    EXPECT_EQ(processXCode(data), expected);
}

TEST(ProcessXCode, UnknownPathTypesWriteSkirtAndAreListed)
{
    DiagnosticsCapture capture;
    QByteArray data = header() + move(6, 0x01, {640}) + move(6, 0x01, {1280}) + move(16, 0x01, {0});
    EXPECT_EQ(processXCode(data),
              ";segType:Skirt\r\nG1X1.000\r\nG1X2.000\r\n;segType:Skirt\r\nG1X0.000\r\n" + kTrailer);
    ASSERT_FALSE(capture.lines().isEmpty());
    EXPECT_TRUE(capture.lines().last().startsWith("code unknown path types")) << capture.lines().last().toStdString();
    EXPECT_TRUE(capture.lines().last().contains("6, 16"));
}

TEST(ProcessXCode, DiagnosticsNeverChangeTheText)
{
    DiagnosticsCapture capture;
    const QByteArray data =
        header() + move(0, 0x91, {200000}) + compactRecord(4, QByteArray(1, char(0x18)) + littleEndian(2400));
    EXPECT_EQ(processXCode(data), ";segType:Perimeter\r\nG1X312.500\r\nG92E2.000\r\n" + kTrailer);
    EXPECT_TRUE(capture.lines().contains("out of range(0)"));
    EXPECT_TRUE(capture.lines().contains("unknown cmd 1"));
    EXPECT_TRUE(capture.lines().contains("unknown cmd 4"));
}

TEST(ProcessXCode, EscaleSwitchScalesOnlyE)
{
    const QByteArray data =
        header() + move(0, 0x09, {640, 1200}) + compactRecord(4, QByteArray(1, char(0x08)) + littleEndian(2400));
    const struct {
        QByteArray content;
        const char *e, *setE;
    } cases[] = {{"50", "0.500", "1.000"},   {" 200\n", "2.000", "4.000"}, {"5", "1.000", "2.000"},
                 {"2000", "1.000", "2.000"}, {"abc", "1.000", "2.000"},    {"10", "0.100", "0.200"}};
    for (const auto &c : cases) {
        EscaleSwitch escale(c.content);
        EXPECT_EQ(processXCode(data),
                  QByteArray(";segType:Perimeter\r\nG1X1.000E") + c.e + "\r\nG92E" + c.setE + "\r\n" + kTrailer)
            << c.content.constData();
    }
    EXPECT_EQ(processXCode(data), ";segType:Perimeter\r\nG1X1.000E1.000\r\nG92E2.000\r\n" + kTrailer);
}

TEST(ProcessXCode, DamagedRecordsEndOrSkipWithoutHarm)
{
    DiagnosticsCapture capture;
    const QByteArray good = header() + move(0, 0x01, {640});
    const QByteArray goodText = ";segType:Perimeter\r\nG1X1.000\r\n";
    // A record running past the end of the file.
    EXPECT_EQ(processXCode(good + QByteArray("\x0a\x01\x00\x01", 4)), goodText + kTrailer);
    // Length bytes with the top bit set end the usable data instead of stalling.
    for (int length = 0x80; length <= 0xFF; ++length)
        EXPECT_EQ(processXCode(good + char(length) + move(0, 0x01, {1280})), goodText + kTrailer);
    // Records shorter than their own flags announce are skipped; zero-length records are just a byte.
    const QByteArray shortRecord = compactRecord(1, QByteArray("\x00\x0f\x01\x02", 4));
    const QByteArray shortHome = compactRecord(4, QByteArray(1, char(0x0F)));
    EXPECT_EQ(processXCode(good + shortRecord + shortHome + QByteArray(3, '\0') + compactRecord(2, "\x01") +
                           move(0, 0x01, {1280})),
              goodText + "G1X2.000\r\n" + kTrailer);
    EXPECT_TRUE(capture.lines().contains("error out of code"));
    EXPECT_TRUE(capture.lines().contains("short record (6 of 20 bytes)"));
}

// Converting any prefix of a file gives the text of its complete records and the finishing move,
// and the text always reads back without a parser error.
TEST(ProcessXCode, TruncatedFilesKeepEveryCompleteRecord)
{
    DiagnosticsCapture quiet;
    const QByteArray full = gcodegen::compactFile(400, 17);
    const QByteArray fullText = processXCode(full);
    GCodeParser parser;
    parser.parseWholeText(fullText);
    ASSERT_EQ(parser.error(), "");
    ASSERT_TRUE(fullText.endsWith(kTrailer));
    const QByteArray body = fullText.left(fullText.size() - kTrailer.size());

    std::mt19937 random(4);
    for (int round = 0; round < 300; ++round) {
        const int cut = 128 + int(random() % (full.size() - 127));
        const QByteArray text = processXCode(full.left(cut));
        ASSERT_TRUE(text.endsWith(kTrailer));
        const QByteArray prefix = text.left(text.size() - kTrailer.size());
        ASSERT_TRUE(body.startsWith(prefix)) << "cut at " << cut;
        ASSERT_TRUE(prefix.isEmpty() || prefix.endsWith("\r\n"));
        parser.parseWholeText(text);
        EXPECT_EQ(parser.error(), "");
    }
}

TEST(ProcessXCode, EveryPathTypeWritesItsName)
{
    DiagnosticsCapture capture;
    const auto nameOf = [](int pathType) -> QByteArray {
        switch (pathType) {
        case 0:
            return "Perimeter";
        case 1:
        case 14:
        case 15:
        case 18:
            return "HShell";
        case 2:
        case 17:
        case 19:
            return "Loop";
        case 3:
            return "Infill";
        case 4:
        case 5:
        case 9:
        case 13:
            return "Support";
        case 7:
            return "SoftSupport";
        case 10:
        case 11:
        case 12:
            return "Raft";
        default:
            return "Skirt";
        }
    };
    QByteArray data = header(), expected;
    for (int pathType = 0; pathType < 256; ++pathType) {
        data += move(pathType, 0x01, {640 * (pathType % 100)});
        if (pathType < 128)
            expected += ";segType:" + nameOf(pathType) + "\r\n";
        expected += "G1X" + QByteArray::number(pathType % 100) + ".000\r\n";
    }
    EXPECT_EQ(processXCode(data), expected + kTrailer);
}
