#include "common/ini.h"
#include "engine/slicerparams.h"
#include "engine/slicerpresets.h"
#include "testenvironment.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <gtest/gtest.h>

namespace
{

SlicerParams withLayerHeight(float height)
{
    SlicerParams p;
    p.LayerHeight = height;
    return p;
}

QString tempPath(const QString &name)
{
    return QDir(testHomeDir()).filePath(name);
}

} // namespace

TEST(SlicerPresets, NamesAreListedInUtf16OrderAndStoreReplaces)
{
    SlicerPresets presets;
    presets.StorePreset("b", withLayerHeight(0.1f));
    presets.StorePreset("B", withLayerHeight(0.2f));
    presets.StorePreset(QString::fromUtf8("ä"), withLayerHeight(0.3f));
    presets.StorePreset("a10", withLayerHeight(0.4f));
    presets.StorePreset("a9", withLayerHeight(0.5f));
    presets.StorePreset("b", withLayerHeight(0.6f));
    EXPECT_EQ(presets.presetNames(), (QStringList{"B", "a10", "a9", "b", QString::fromUtf8("ä")}));

    SlicerParams loaded;
    ASSERT_TRUE(presets.LoadPreset("b", loaded));
    EXPECT_TRUE(loaded == withLayerHeight(0.6f));
}

TEST(SlicerPresets, EmptyNameIsRefused)
{
    SlicerPresets presets;
    try {
        presets.StorePreset(QString(), SlicerParams());
        FAIL() << "no exception";
    } catch (const char *message) {
        EXPECT_STREQ(message, "SlicerPresets::StorePreset() name is empty");
    }
    EXPECT_TRUE(presets.presetNames().isEmpty());
}

TEST(SlicerPresets, LoadAndDeleteOfAbsentNamesChangeNothing)
{
    SlicerPresets presets;
    presets.StorePreset("keep", withLayerHeight(0.3f));
    SlicerParams untouched = withLayerHeight(0.15f);
    untouched.sliceZMax = 12;
    const SlicerParams before = untouched;
    EXPECT_FALSE(presets.LoadPreset("Keep", untouched));
    EXPECT_TRUE(untouched == before);
    EXPECT_FALSE(presets.DeletePreset("kee"));
    EXPECT_EQ(presets.presetNames(), QStringList{"keep"});
    EXPECT_TRUE(presets.DeletePreset("keep"));
    EXPECT_TRUE(presets.presetNames().isEmpty());
}

TEST(SlicerPresets, LoadAllSkipsEmptyKeysAndKeepsTheLaterDuplicate)
{
    SlicerPresets presets;
    presets.StorePreset("old", SlicerParams());
    presets.loadAll(R"([{"Key": "", "Value": "{}"}, {"Key": "x", "Value": "{\"HeadTemp\": 1}"},
                        {"Value": "{}"}, 17, "text", {"Key": 5, "Value": "{}"},
                        {"Key": "x", "Value": "{\"HeadTemp\": 2}"}, {"Key": "no value"}])");
    EXPECT_EQ(presets.presetNames(), (QStringList{"no value", "x"}));
    SlicerParams p;
    ASSERT_TRUE(presets.LoadPreset("x", p));
    EXPECT_EQ(p.HeadTemp, 2);
    EXPECT_FALSE(presets.LoadPreset("no value", p)); // nothing to load
}

TEST(SlicerPresets, AnythingButAnArrayEmptiesTheMap)
{
    for (const char *text : {"", "{}", "{\"Key\": \"a\", \"Value\": \"{}\"}", "[", "null", "[1,2"}) {
        SlicerPresets presets;
        presets.StorePreset("a", SlicerParams());
        presets.loadAll(QString::fromUtf8(text));
        EXPECT_TRUE(presets.presetNames().isEmpty()) << text;
    }
}

TEST(SlicerPresets, SaveAllRoundTripsByteForByte)
{
    SlicerPresets presets;
    presets.StorePreset("PLA fine", withLayerHeight(0.1f));
    presets.StorePreset(QString::fromUtf8("PETG \"strong\" ü"), withLayerHeight(0.28f));
    const QString text = presets.saveAll();
    EXPECT_TRUE(text.startsWith("[\n    {\n        \"Key\": \"PETG"));
    const QJsonArray array = QJsonDocument::fromJson(text.toUtf8()).array();
    ASSERT_EQ(array.size(), 2);
    EXPECT_EQ(array[1].toObject().value("Value").toString().toUtf8(), withLayerHeight(0.1f).toJson());

    SlicerPresets reread;
    reread.loadAll(text);
    EXPECT_EQ(reread.saveAll(), text);
    SlicerParams p;
    ASSERT_TRUE(reread.LoadPreset(QString::fromUtf8("PETG \"strong\" ü"), p));
    EXPECT_EQ(p.LayerHeight, 0.28f);
}

TEST(SlicerPresets, SettingsStoreKeepsPresetsAndCurrentSettingsAcrossReload)
{
    Ini &ini = Ini::global();
    SlicerPresets presets;
    presets.StorePreset("draft", withLayerHeight(0.3f));
    presets.StorePreset("fine", withLayerHeight(0.08f));
    presets.storeToIni(ini);
    SlicerParams current = withLayerHeight(0.12f);
    current.GCodeFooter = "M84\n";
    current.storeToIni(ini);
    ini.store();

    ini.reload(); // read back from the platform settings in the private HOME
    SlicerPresets reread;
    reread.loadFromIni(ini);
    EXPECT_EQ(reread.saveAll(), presets.saveAll());
    SlicerParams readCurrent;
    readCurrent.loadFromIni(ini);
    EXPECT_TRUE(readCurrent == current);

    ini.remove("slicerParams");
    readCurrent.loadFromIni(ini);
    EXPECT_TRUE(readCurrent == SlicerParams());
}

TEST(PresetFile, ExportThenImportGivesTheSameRecordAndTheSameBytes)
{
    SlicerParams p = withLayerHeight(0.16f);
    p.GCodeHeader = QString::fromUtf8("; Düse\r\nG28\n").toUtf8();
    p.sliceZMax = 50; // not stored
    const QString path = tempPath("export.tssp");
    exportPresetFile(path, p);
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), p.toJson());

    SlicerParams imported = importPresetFile(path);
    p.sliceZMax = 1000;
    EXPECT_TRUE(imported == p);
}

TEST(PresetFile, ReadsTheCheckedInPresetsAndFallsBackToDefaults)
{
    const QString dir = sourceDir() + "/tests/fixtures/presets/";
    const SlicerParams fine = importPresetFile(dir + "fine_petg.tssp");
    EXPECT_FLOAT_EQ(fine.LayerHeight, 0.1f);
    EXPECT_EQ(fine.HeadTemp, 240);
    EXPECT_FALSE(fine.FanEnable);
    EXPECT_FLOAT_EQ(fine.FFactor[int(SegType::Skirt)], 0.5f);
    EXPECT_EQ(fine.VShellCnt, SlicerParams().VShellCnt); // not in the file

    const SlicerParams broken = importPresetFile(dir + "truncated.tssp");
    EXPECT_TRUE(broken == SlicerParams());
}

TEST(PresetFile, MissingAndUnwritableFilesNameTheirPath)
{
    const QString missing = tempPath("nothing-here.tssp");
    try {
        importPresetFile(missing);
        FAIL() << "no exception";
    } catch (const QString &message) {
        EXPECT_TRUE(message.contains(missing)) << message.toStdString();
    }
    const QString unwritable = tempPath("no-such-folder/out.tssp");
    try {
        exportPresetFile(unwritable, SlicerParams());
        FAIL() << "no exception";
    } catch (const QString &message) {
        EXPECT_TRUE(message.contains(unwritable)) << message.toStdString();
    }
}
