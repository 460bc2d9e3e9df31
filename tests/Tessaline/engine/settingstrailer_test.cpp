#include "engine/settingstrailer.h"
#include "engine/slicerparams.h"
#include "testenvironment.h"

#include <QFile>

#include <QtEndian>
#include <gtest/gtest.h>
#include <zlib.h>

namespace
{

QByteArray decodedWith(const QByteArray &base64)
{
    return decodeSettingsTrailer(settingsTrailerPrefix + base64);
}

bool rejects(const QByteArray &line)
{
    try {
        decodeSettingsTrailer(line);
    } catch (const char *message) {
        return QByteArray(message) == "decodeSettingsTrailer() invalid settings trailer";
    }
    return false;
}

} // namespace

TEST(SettingsTrailer, DefaultRecordDecodesToItsJsonByTheDocumentedLayout)
{
    const SlicerParams defaults;
    const QByteArray base64 = settingsTrailerEncoding(defaults);
    EXPECT_FALSE(base64.contains('\n'));
    EXPECT_EQ(base64.size() % 4, 0); // padded

    // Decode independently of the code under test: Base64, 4-byte big-endian length, zlib stream.
    const QByteArray compressed = QByteArray::fromBase64(base64);
    ASSERT_GT(compressed.size(), 6);
    const quint32 length = qFromBigEndian<quint32>(compressed.constData());
    const QByteArray json = defaults.toJson();
    ASSERT_EQ(length, quint32(json.size()));
    QByteArray inflated(int(length), '\0');
    uLongf inflatedSize = length;
    ASSERT_EQ(uncompress(reinterpret_cast<Bytef *>(inflated.data()), &inflatedSize,
                         reinterpret_cast<const Bytef *>(compressed.constData() + 4), uLong(compressed.size() - 4)),
              Z_OK);
    EXPECT_EQ(inflated, json);
    // Level 9 is what the stored trailer has always used: the zlib header says "maximum compression".
    EXPECT_EQ(quint8(compressed[4]), 0x78);
    EXPECT_EQ(quint8(compressed[5]), 0xDA);

    EXPECT_EQ(decodedWith(base64), json);
}

TEST(SettingsTrailer, RoundTripsManyRecords)
{
    for (int i = 0; i < 50; ++i) {
        SlicerParams p;
        p.HeadTemp = 180 + i;
        p.GCodeHeader = QByteArray(i * 97, char('A' + i % 26));
        const QByteArray line = QByteArray(settingsTrailerPrefix) + settingsTrailerEncoding(p) + "\r\n";
        EXPECT_EQ(decodeSettingsTrailer(line), p.toJson()) << i;
    }
}

TEST(SettingsTrailer, CorruptedTrailersAreRejected)
{
    const QByteArray good = settingsTrailerEncoding(SlicerParams());
    QByteArray compressed = QByteArray::fromBase64(good);

    QByteArray flipped = compressed;
    flipped[compressed.size() / 2] = char(flipped[compressed.size() / 2] ^ 0x10);
    QByteArray wrongLength = compressed;
    wrongLength[3] = char(wrongLength[3] + 1);
    QByteArray shortLength = compressed;
    shortLength[3] = char(shortLength[3] - 1);
    QByteArray hugeLength = compressed;
    hugeLength[0] = char(0x7f);

    EXPECT_TRUE(rejects(settingsTrailerPrefix + flipped.toBase64()));
    EXPECT_TRUE(rejects(settingsTrailerPrefix + wrongLength.toBase64()));
    EXPECT_TRUE(rejects(settingsTrailerPrefix + shortLength.toBase64()));
    EXPECT_TRUE(rejects(settingsTrailerPrefix + hugeLength.toBase64()));
    EXPECT_TRUE(rejects(settingsTrailerPrefix + compressed.left(compressed.size() - 3).toBase64()));
    EXPECT_TRUE(rejects(settingsTrailerPrefix + (compressed + "tail").toBase64()));
    EXPECT_TRUE(rejects(settingsTrailerPrefix + good.left(good.size() - 1)));
    EXPECT_TRUE(rejects(settingsTrailerPrefix + good.mid(0, 20) + "*" + good.mid(21)));
    EXPECT_TRUE(rejects(settingsTrailerPrefix));
    EXPECT_TRUE(rejects("AAA="));
    EXPECT_TRUE(rejects(""));
}

TEST(SettingsTrailer, DecodesATrailerWrittenByAnotherZlib)
{
    QFile file(sourceDir() + "/tests/fixtures/presets/trailer.txt");
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(decodeSettingsTrailer(file.readAll()), SlicerParams().toJson());
}
