#include "engine/slicerparams.h"
#include "everyfieldmoved.h"
#include "testenvironment.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <gtest/gtest.h>

#include <random>

namespace
{

QByteArray fixture(const QString &name)
{
    QFile file(sourceDir() + "/tests/fixtures/presets/" + name);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray();
    return file.readAll();
}

// A record with every stored field moved away from its default, different for every seed.
SlicerParams randomParams(unsigned seed)
{
    std::mt19937 rng(seed);
    std::uniform_real_distribution<float> real(-500.0f, 500.0f);
    std::uniform_int_distribution<int> integer(-100000, 100000);
    SlicerParams p;
    p.ExtrusionWidth = real(rng);
    p.LayerHeight = real(rng);
    p.ZAdjust = real(rng);
    p.HShellCnt = integer(rng);
    p.PolyFillerAlg = integer(rng);
    p.RepairCorners = rng() & 1;
    p.SkirtEnable = rng() & 1;
    p.FanEnable = rng() & 1;
    p.InfillDensity = real(rng) * 1e-6f;
    p.MinLayerTime = real(rng) * 1e20f;
    p.FanN = integer(rng);
    p.BedTemp = integer(rng);
    p.WipeSpeed = std::nextafter(real(rng), 0.0f);
    for (int slot = 1; slot <= 10; ++slot) {
        p.FFactor[size_t(slot)] = real(rng);
        p.EFactor[size_t(slot)] = real(rng);
    }
    p.GCodeHeader = QString::fromUtf8("M117 Grüße \"quoted\" \\ tab\t %1\r\n").arg(seed).toUtf8();
    p.GCodeFooter.clear();
    p.RaftConfig = QByteArray("3;0.4;0.1;45\n") + QByteArray::number(seed);
    return p;
}

} // namespace

TEST(SlicerParams, DefaultJsonMatchesTheStoredFileByteForByte)
{
    const QByteArray expected = fixture("defaults.tssp");
    ASSERT_FALSE(expected.isEmpty());
    EXPECT_EQ(SlicerParams().toJson(), expected);
}

// The same bytes for every key, written and read: settings trailers, presets and stored files rely on them.
TEST(SlicerParams, EveryFieldMovedMatchesItsStoredFileByteForByte)
{
    const QByteArray expected = fixture("everyfield.tssp");
    ASSERT_FALSE(expected.isEmpty());
    const SlicerParams moved = everyFieldMoved();
    EXPECT_EQ(moved.toJson(), expected);

    SlicerParams read;
    read.fromJson(expected);
    SlicerParams stored = moved;
    stored.TravelHeight = SlicerParams().TravelHeight; // written as null, so read back as the default
    stored.FFactor[0] = stored.FFactor[11] = stored.FFactor[12] = 0;
    stored.EFactor[0] = stored.EFactor[11] = stored.EFactor[12] = 0;
    EXPECT_TRUE(read == stored);
}

TEST(SlicerParams, RoundTripKeepsEveryStoredFieldAndIsByteStable)
{
    for (unsigned seed = 1; seed <= 200; ++seed) {
        SlicerParams original = randomParams(seed);
        original.sliceZMin = 3;
        original.sliceZMax = 7;
        original.FFactor[0] = original.FFactor[11] = original.FFactor[12] = 9;
        const QByteArray json = original.toJson();

        SlicerParams read;
        read.fromJson(json);
        EXPECT_EQ(read.toJson(), json) << "seed " << seed;

        // Unstored parts come back at their defaults.
        EXPECT_EQ(read.sliceZMin, 0.0f);
        EXPECT_EQ(read.sliceZMax, 1000.0f);
        EXPECT_EQ(read.FFactor[0], 0.0f);
        EXPECT_EQ(read.FFactor[11], 0.0f);
        original.sliceZMin = 0;
        original.sliceZMax = 1000;
        original.FFactor[0] = original.FFactor[11] = original.FFactor[12] = 0;
        EXPECT_TRUE(read == original) << "seed " << seed;
    }
}

TEST(SlicerParams, FromJsonStartsFromDefaultsNotFromThePreviousValues)
{
    SlicerParams p = randomParams(5);
    p.fromJson("{\"LayerHeight\": 0.3}");
    SlicerParams expected;
    expected.LayerHeight = 0.3f;
    EXPECT_TRUE(p == expected);
}

TEST(SlicerParams, IntegersRoundHalvesUpwards)
{
    const std::pair<const char *, int> cases[] = {
        {"2.5", 3}, {"-2.5", -2}, {"2.49", 2}, {"-2.51", -3}, {"7", 7}, {"1e3", 1000}, {"-0.5", 0},
    };
    for (const auto &c : cases) {
        SlicerParams p;
        p.fromJson(QByteArray("{\"HShellCnt\": ") + c.first + "}");
        EXPECT_EQ(p.HShellCnt, c.second) << c.first;
    }
}

TEST(SlicerParams, MistypedMissingOrUnfitValuesKeepTheirDefaults)
{
    SlicerParams p;
    p.fromJson(R"({"HShellCnt": "5", "LayerHeight": true, "SkirtEnable": 0, "GCodeHeader": 12,
                   "FFactor_Skirt": null, "BedTemp": 1e300, "FanN": -3e9, "ExtrusionWidth": 1e39,
                   "DrawSpeed": [1], "InfillType": {"a": 1}, "HeadTemp": 199.6})");
    SlicerParams expected;
    expected.HeadTemp = 200; // the one well-typed key
    EXPECT_TRUE(p == expected);
}

TEST(SlicerParams, AnythingButAnObjectGivesDefaults)
{
    const QByteArray inputs[] = {
        "",
        "[]",
        "[{\"LayerHeight\": 0.3}]",
        "null",
        "42",
        "\"text\"",
        "{\"LayerHeight\": 0.3",
        "{}}",
        "\xff\xfe{",
        QByteArray(100, '{'),
        QByteArray("{\"LayerHeight\": 0.3}\0garbage", 28),
    };
    for (const QByteArray &input : inputs) {
        SlicerParams p = randomParams(9);
        p.fromJson(input);
        EXPECT_TRUE(p == SlicerParams()) << input.toStdString();
    }
}

TEST(SlicerParams, NonFiniteFloatsAreWrittenAsNullAndReadBackAsDefaults)
{
    SlicerParams p;
    p.LayerHeight = std::numeric_limits<float>::quiet_NaN();
    p.DrawSpeed = std::numeric_limits<float>::infinity();
    const QByteArray json = p.toJson();
    EXPECT_TRUE(QJsonDocument::fromJson(json).isObject());
    SlicerParams read;
    read.fromJson(json);
    EXPECT_TRUE(read == SlicerParams());
}

TEST(SlicerParams, ResetToDefaultsRestoresTextsAndSliceBounds)
{
    SlicerParams p = randomParams(3);
    p.sliceZMin = 4;
    p.sliceZMax = 5;
    p.resetToDefaults();
    EXPECT_TRUE(p == SlicerParams());
    EXPECT_EQ(p.toJson(), fixture("defaults.tssp"));
}
