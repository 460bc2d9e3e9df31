#include "engine/settingstable.h"
#include "testenvironment.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>

#include "clirunner.h"

#include <gtest/gtest.h>

namespace
{

QString presetFixture(const QString &name)
{
    return sourceDir() + "/tests/fixtures/presets/" + name;
}

QJsonArray settingsJson(const QStringList &args)
{
    const CliResult r = runCli(QStringList{"settings", "--json"} + args);
    EXPECT_EQ(r.exitCode, 0) << r.err.constData();
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(r.out, &error);
    EXPECT_EQ(error.error, QJsonParseError::NoError) << error.errorString().toStdString();
    return document.object().value("settings").toArray();
}

// The first word of each row of the listing that names a key, and the group headings.
QStringList rowKeys(const QByteArray &listing, QStringList &groups)
{
    QStringList keys;
    for (const QString &line : QString::fromUtf8(listing).split('\n')) {
        if (line.startsWith("  ") && !line.trimmed().isEmpty())
            keys << line.trimmed().section(' ', 0, 0);
        else if (!line.isEmpty())
            groups << line;
    }
    return keys;
}

} // namespace

TEST(CliSettings, ListsEveryKeyOfTheTableOnceInTextAndJson)
{
    const CliResult r = runCli({"settings"});
    ASSERT_EQ(r.exitCode, 0) << r.err.constData();
    QStringList groups;
    QStringList listed = rowKeys(r.out, groups);
    ASSERT_FALSE(listed.isEmpty());
    EXPECT_EQ(listed.takeFirst(), "Key"); // the heading
    QStringList expectedGroups;
    for (int group = 0; group < settingGroupCount; ++group)
        expectedGroups << settingGroupName(SettingGroup(group));
    EXPECT_EQ(groups, expectedGroups);
    QStringList tableKeys;
    for (const SettingKey &setting : settingsTable())
        tableKeys << setting.key;
    listed.removeAll("default"); // a text's default on the line below it
    listed.sort();
    QStringList sortedKeys = tableKeys;
    sortedKeys.sort();
    EXPECT_EQ(listed, sortedKeys);

    // The JSON document lists the table in its order, with the defaults as the settings files write them.
    const QJsonArray settings = settingsJson({});
    ASSERT_EQ(settings.size(), int(settingsTable().size()));
    const QJsonObject defaults = QJsonDocument::fromJson(SlicerParams().toJson()).object();
    for (int i = 0; i < settings.size(); ++i) {
        const SettingKey &setting = settingsTable()[size_t(i)];
        const QJsonObject entry = settings[i].toObject();
        EXPECT_EQ(entry["key"].toString(), setting.key);
        EXPECT_EQ(entry["group"].toString(), settingGroupName(setting.group)) << setting.key;
        EXPECT_EQ(entry["value"], defaults[setting.key]) << setting.key;
        EXPECT_EQ(entry["default"], defaults[setting.key]) << setting.key;
        EXPECT_EQ(entry.contains("min"), setting.hasRange()) << setting.key;
        if (setting.hasRange()) {
            EXPECT_EQ(entry["min"].toDouble(), setting.lowest()) << setting.key;
            EXPECT_EQ(entry["max"].toDouble(), setting.highest()) << setting.key;
        }
    }
}

TEST(CliSettings, PresetShowsThePresetFilesValues)
{
    QFile file(presetFixture("everyfield.tssp"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QJsonObject stored = QJsonDocument::fromJson(file.readAll()).object();
    const QJsonObject defaults = QJsonDocument::fromJson(SlicerParams().toJson()).object();
    const QJsonArray settings = settingsJson({"--preset", presetFixture("everyfield.tssp")});
    ASSERT_EQ(settings.size(), int(settingsTable().size()));
    for (const QJsonValue &value : settings) {
        const QJsonObject entry = value.toObject();
        const QString key = entry["key"].toString();
        // A null in the file (an infinite float written out) reads back as the default.
        const QJsonValue expected = stored[key].isNull() ? defaults[key] : stored[key];
        EXPECT_EQ(entry["value"], expected) << key.toStdString();
        EXPECT_EQ(entry["default"], defaults[key]) << key.toStdString();
    }

    const CliResult text = runCli({"settings", "--preset", presetFixture("fine_petg.tssp")});
    ASSERT_EQ(text.exitCode, 0) << text.err.constData();
    const QString listing = QString::fromUtf8(text.out);
    EXPECT_TRUE(listing.contains(QRegularExpression("\n  LayerHeight +0\\.1 +0\\.2 +0\\.01 \\.\\.\\. 3 +mm\n")));
    EXPECT_TRUE(listing.contains(QRegularExpression("\n  FFactor_Skirt +0\\.5 \\(50 %\\) +1 \\(100 %\\) ")));
}

TEST(CliSettings, BadArgumentsAndMissingPresets)
{
    for (const QStringList &args : QList<QStringList>{{"settings", "--yaml"},
                                                      {"settings", "extra"},
                                                      {"settings", "--preset"},
                                                      {"settings", "--preset", "a.tssp", "--preset", "b.tssp"}}) {
        const CliResult r = runCli(args);
        EXPECT_EQ(r.exitCode, 2) << args.join(' ').toStdString();
        EXPECT_TRUE(r.out.isEmpty()) << args.join(' ').toStdString();
    }
    const CliResult missing = runCli({"settings", "--preset", "/nonexistent/p.tssp"});
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_TRUE(missing.err.contains("/nonexistent/p.tssp")) << missing.err.constData();
}

// --set checks each value against its key's range before anything is read: a value outside is a usage error
// naming the key, the value and the range; a value inside gets as far as the (missing) model.
struct SetCase {
    const char *name;
    const char *assignment;
    const char *message; // null: accepted
};

void PrintTo(const SetCase &c, std::ostream *out)
{
    *out << c.assignment;
}

class CliSetRange : public testing::TestWithParam<SetCase>
{
};

TEST_P(CliSetRange, OutsideIsAUsageErrorNamingTheRange)
{
    const SetCase &c = GetParam();
    const QString model = testHomeDir() + "/absent.stl";
    const CliResult r = runCli({"slice", model, "-o", testHomeDir() + "/out.gcode", "--set", c.assignment});
    if (c.message) {
        EXPECT_EQ(r.exitCode, 2) << r.err.constData();
        EXPECT_TRUE(r.err.contains(c.message)) << r.err.constData();
    } else {
        EXPECT_EQ(r.exitCode, 1) << r.err.constData();
        EXPECT_TRUE(r.err.contains("File not found")) << r.err.constData();
    }
}

INSTANTIATE_TEST_SUITE_P(
    Keys, CliSetRange,
    testing::Values(
        SetCase{"FloatAbove", "LayerHeight=5", "--set: LayerHeight=5 is outside 0.01 ... 3 mm"},
        SetCase{"FloatAtItsMinimum", "LayerHeight=0.01", nullptr},
        SetCase{"FloatBelowNegative", "ZAdjust=-10.5", "ZAdjust=-10.5 is outside -10 ... 10 mm"},
        SetCase{"PercentAbove", "InfillDensity=1.5", "InfillDensity=1.5 is outside 0 ... 1 (0 ... 100 %)"},
        SetCase{"PercentAtItsMinimum", "InitialLayerSpeed=0.1", nullptr},
        SetCase{"PercentBelow", "InitialLayerSpeed=0.09", "is outside 0.1 ... 1 (10 ... 100 %)"},
        SetCase{"FactorAtItsMaximum", "FFactor_Skirt=10", nullptr},
        SetCase{"FactorAbove", "EFactor_Raft=10.5", "EFactor_Raft=10.5 is outside 0.1 ... 10 (10 ... 1000 %)"},
        SetCase{"IntBelow", "HShellCnt=0", "HShellCnt=0 is outside 1 ... 20 layers"},
        SetCase{"IntAtItsMaximum", "HeadTemp=300", nullptr},
        SetCase{"IntAbove", "FanNthLayer=256", "FanNthLayer=256 is outside 0 ... 255"},
        SetCase{"ChoiceAbove", "InfillType=4",
                "InfillType=4 is outside 0 ... 3 (0 Disabled, 1 Paralell lines, 2 Square grid, 3 Triangle grid)"},
        SetCase{"ChoiceLast", "LayerStartPos=5", nullptr}, SetCase{"BoolAsNumber", "SkirtEnable=0", nullptr},
        SetCase{"BoolOutOfItsWords", "SkirtEnable=2", "--set: invalid value '2' for SkirtEnable"},
        SetCase{"TextHasNoRange", "GCodeFooter=M84 ; 1e9", nullptr},
        SetCase{"IntNotWhole", "BrimCount=2.5", "--set: invalid value '2.5' for BrimCount"}),
    [](const testing::TestParamInfo<SetCase> &info) { return std::string(info.param.name); });
