// The firmware file: what the builder writes the loader takes back unchanged, byte for byte as the
// format lays it out, and every damaged or inconsistent file is refused.
#include "fw_tool/firmwarefile.h"
#include "fw_tool/sam-ba.h"

#include <QtEndian>

#include <gtest/gtest.h>
#include <random>
#include <zlib.h>

namespace
{

QByteArray randomBytes(std::mt19937 &random, int size)
{
    QByteArray bytes(size, '\0');
    for (char &byte : bytes)
        byte = char(random() & 0xFF);
    return bytes;
}

TEST(FirmwareFile, RoundTripsBothImagesOverGeneratedSizes)
{
    std::mt19937 random(19);
    for (int run = 0; run < 200; ++run) {
        FirmwareImages images{randomBytes(random, int(random() % 3000)), randomBytes(random, int(random() % 700))};
        const QByteArray file = firmwarefile::build(images);
        ASSERT_EQ(file.size(), 512 + images.mainBoard.size() + images.lcdBoard.size() + 4);
        FirmwareImages loaded;
        ASSERT_TRUE(firmwarefile::load(file, loaded)) << "run " << run;
        EXPECT_EQ(loaded.mainBoard, images.mainBoard) << "run " << run;
        EXPECT_EQ(loaded.lcdBoard, images.lcdBoard) << "run " << run;
    }
}

// Checked against zlib's CRC-32 and the format's two scrambling layers, so that a builder and loader
// sharing the same mistake cannot pass.
TEST(FirmwareFile, LayoutMatchesTheFormatByteForByte)
{
    const FirmwareImages images{QByteArray("\x11\x22\x33\x44\x55", 5), QByteArray("LCD")};
    const QByteArray file = firmwarefile::build(images);
    const auto word = [&file](int offset) {
        return qFromLittleEndian<quint32>(reinterpret_cast<const uchar *>(file.constData()) + offset);
    };
    EXPECT_EQ(word(68), 512u);
    EXPECT_EQ(word(72), 5u);
    EXPECT_EQ(word(76), 517u);
    EXPECT_EQ(word(80), 3u);
    const quint32 check = word(file.size() - 4);
    QByteArray plain = file.left(512) + images.mainBoard + images.lcdBoard;
    EXPECT_EQ(check, crc32(0, reinterpret_cast<const Bytef *>(plain.constData()), uInt(plain.size())));
    // Payload byte i = plain ^ byte (i mod 4) of the check value ^ low byte of CRC table entry i.
    const quint8 table[] = {0x00, 0x96, 0x2C, 0xBA, 0x19, 0x8F, 0x35, 0xA3};
    for (int i = 0; i < 8; ++i) {
        const quint8 expected = quint8(plain[512 + i]) ^ quint8(check >> (8 * (i % 4))) ^ table[i];
        EXPECT_EQ(quint8(file[512 + i]), expected) << "payload byte " << i;
    }
}

struct Damage {
    const char *name;
    std::function<void(QByteArray &)> apply;
};

class FirmwareFileRejects : public ::testing::TestWithParam<Damage>
{
};

TEST_P(FirmwareFileRejects, AndKeepsWhatWasLoaded)
{
    QByteArray file = firmwarefile::build({QByteArray(1000, 'm'), QByteArray(300, 'l')});
    GetParam().apply(file);
    FirmwareImages images{"kept", "kept too"};
    EXPECT_FALSE(firmwarefile::load(file, images));
    EXPECT_EQ(images.mainBoard, QByteArray("kept"));
    EXPECT_EQ(images.lcdBoard, QByteArray("kept too"));
}

void putWord(QByteArray &file, int offset, quint32 value)
{
    qToLittleEndian<quint32>(value, reinterpret_cast<uchar *>(file.data()) + offset);
}

INSTANTIATE_TEST_SUITE_P(
    Damaged, FirmwareFileRejects,
    ::testing::Values(Damage{"Only83Bytes", [](QByteArray &file) { file.truncate(83); }},
                      Damage{"Empty", [](QByteArray &file) { file.clear(); }},
                      Damage{"WrongCheckValue",
                             [](QByteArray &file) { file[file.size() - 1] = char(file.back() ^ 1); }},
                      Damage{"PayloadByteFlipped", [](QByteArray &file) { file[700] = char(file[700] ^ 0x40); }},
                      Damage{"HeaderByteFlipped", [](QByteArray &file) { file[3] = char(file[3] ^ 1); }},
                      Damage{"TruncatedPayload", [](QByteArray &file) { file.chop(10); }},
                      Damage{"LengthBeyondFile", [](QByteArray &file) { putWord(file, 72, 0xFFFFFFF0u); }},
                      Damage{"OffsetBeyondPayload", [](QByteArray &file) { putWord(file, 76, 0x7FFFFFFFu); }},
                      Damage{"HeaderOnly", [](QByteArray &file) { file.truncate(516); }}),
    [](const ::testing::TestParamInfo<Damage> &info) { return std::string(info.param.name); });

// The monitor's command texts: eight upper-case hex digits for every number.
struct CommandCase {
    const char *name;
    QByteArray text;
    QByteArray expected;
};

class SambaCommandText : public ::testing::TestWithParam<CommandCase>
{
};

TEST_P(SambaCommandText, IsExact)
{
    EXPECT_EQ(GetParam().text, GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Commands, SambaCommandText,
    ::testing::Values(CommandCase{"WriteMailbox", SAM_BA::writeCommand(0x20001040, 1), "W20001040,00000001#"},
                      CommandCase{"WriteHexUpper", SAM_BA::writeCommand(0xabc, 0xdeadbeef), "W00000ABC,DEADBEEF#"},
                      CommandCase{"ReadChipId", SAM_BA::readCommand(0x400E0940), "w400E0940,4#"},
                      CommandCase{"Send", SAM_BA::sendCommand(0x20002000, 0x8000), "S20002000,00008000#"},
                      CommandCase{"Go", SAM_BA::goCommand(0x20001000), "G20001000#"}),
    [](const ::testing::TestParamInfo<CommandCase> &info) { return std::string(info.param.name); });

TEST(SambaCommandText, LengthsAreFixed)
{
    EXPECT_EQ(SAM_BA::writeCommand(0, 0).size(), 19);
    EXPECT_EQ(SAM_BA::readCommand(0).size(), 12);
    EXPECT_EQ(SAM_BA::sendCommand(0, 0).size(), 19);
    EXPECT_EQ(SAM_BA::goCommand(0).size(), 10);
}

// The waits around an applet command; small waits came out negative in the original formula.
TEST(SambaWaits, NeverNegative)
{
    const std::pair<int, int> cases[] = {{0, 0},   {10, 0},   {15, 0},    {29, 0},
                                         {30, 15}, {100, 75}, {500, 480}, {1000, 975}};
    for (const auto &[wait, expected] : cases)
        EXPECT_EQ(SAM_BA::appletWaitMs(wait), expected) << "wait " << wait;
}

TEST(Xmodem, BlockIsFramedPaddedAndChecked)
{
    // CRC-16/XMODEM of "123456789" is 0x31C3 (the published check value).
    EXPECT_EQ(SAM_BA::xmodemCrc("123456789"), 0x31C3);
    const QByteArray data(2, '\x7F');
    const QByteArray block = SAM_BA::xmodemBlock(2, data);
    ASSERT_EQ(block.size(), 133);
    EXPECT_EQ(block.left(3), QByteArray("\x01\x02\xFD", 3));
    EXPECT_EQ(block.mid(3, 2), data);
    EXPECT_EQ(block.mid(5, 126), QByteArray(126, '\0'));
    const quint16 crc = SAM_BA::xmodemCrc(block.mid(3, 128));
    EXPECT_EQ(quint8(block[131]), crc >> 8);
    EXPECT_EQ(quint8(block[132]), crc & 0xFF);
}

TEST(FlashApplet, IsCompiledIntoTheProgram)
{
    const QByteArray applet = SAM_BA::flashApplet();
    ASSERT_GE(applet.size(), 0x5C); // vectors and mailbox at least
    // The first two words: a stack in the chip's SRAM and a Thumb entry inside the applet.
    const quint32 stack = qFromLittleEndian<quint32>(applet.constData());
    const quint32 entry = qFromLittleEndian<quint32>(applet.constData() + 4);
    EXPECT_EQ(stack & 0xFFF00000u, 0x20000000u);
    EXPECT_EQ(entry & 1u, 1u);
    EXPECT_GT(entry, 0x20001000u + 0x5Cu);
    EXPECT_LT(entry, 0x20001000u + quint32(applet.size()));
}

} // namespace
