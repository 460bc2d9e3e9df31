#include "common/ini.h"
#include "common/opendialogpaths.h"

#include <QSettings>
#include <gtest/gtest.h>

namespace {

// Each test gets its own application name, so stores do not leak between tests.
QString freshApplication()
{
    static int counter = 0;
    return QString("IniTest%1").arg(++counter);
}

} // namespace

TEST(Ini, ValuesSurviveStoreAndReload)
{
    const QString app = freshApplication();
    {
        Ini ini("Vantoridge", app);
        ini.setInt("lastEditMode", 3);
        ini.setDouble("LayerHeight", 0.25);
        ini.setBool("autoDrop", true);
        ini.setString("lastProject", QString::fromUtf8("/tmp/sch\xc3\xb6n \"quoted\".tsprj"));
        EXPECT_TRUE(ini.isDirty());
        ini.store();
        EXPECT_FALSE(ini.isDirty());
    }
    Ini again("Vantoridge", app);
    EXPECT_EQ(again.getInt("lastEditMode", 0), 3);
    EXPECT_DOUBLE_EQ(again.getDouble("LayerHeight", 0), 0.25);
    EXPECT_TRUE(again.getBool("autoDrop", false));
    EXPECT_EQ(again.getString("lastProject"), QString::fromUtf8("/tmp/sch\xc3\xb6n \"quoted\".tsprj"));
    EXPECT_EQ(again.getInt("missing", 42), 42);

    // The whole store is one JSON text under "iniData" in the organisation's settings.
    QSettings settings("Vantoridge", app);
    EXPECT_TRUE(settings.value("iniData").toString().contains("\"lastEditMode\":3"));
}

TEST(Ini, StoreWithoutChangesWritesNothing)
{
    const QString app = freshApplication();
    Ini ini("Vantoridge", app);
    EXPECT_EQ(ini.getInt("x", 7), 7);
    ini.store();
    QSettings settings("Vantoridge", app);
    EXPECT_FALSE(settings.contains("iniData"));
}

TEST(Ini, GarbageInTheStoreReadsAsEmpty)
{
    for (const char *stored : {"not json at all", "[1,2,3]", "{\"truncated\": ", "", "42"}) {
        const QString app = freshApplication();
        QSettings("Vantoridge", app).setValue("iniData", QString(stored));
        Ini ini("Vantoridge", app);
        EXPECT_EQ(ini.getInt("truncated", -1), -1) << stored;
        ini.setInt("fresh", 1); // and it can be written over
        ini.store();
        Ini again("Vantoridge", app);
        EXPECT_EQ(again.getInt("fresh", 0), 1) << stored;
    }
}

TEST(Ini, MistypedValuesGiveTheDefault)
{
    const QString app = freshApplication();
    QSettings("Vantoridge", app)
        .setValue("iniData", QString("{\"s\":\"text\",\"n\":2.6,\"big\":1e300,\"b\":true,\"o\":{}}"));
    Ini ini("Vantoridge", app);
    EXPECT_EQ(ini.getInt("s", 5), 5);
    EXPECT_EQ(ini.getInt("n", 0), 3);          // rounded
    EXPECT_EQ(ini.getInt("big", 9), 9);        // out of range
    EXPECT_EQ(ini.getInt("b", 0), 1);
    EXPECT_EQ(ini.getString("n", "def"), "def");
    EXPECT_EQ(ini.getDouble("o", 1.5), 1.5);
}

TEST(OpenDialogPaths, RemembersTheFolderPerKind)
{
    const QString app = freshApplication();
    {
        Ini ini("Vantoridge", app);
        OpenDialogPaths paths(ini);
        paths.remember("gcode", "/home/user/prints/part.gcode");
        paths.remember("model", "/srv/models/a b/cube.stl");
        paths.remember("", "/ignored/x.stl");
        paths.remember("project", "");
        EXPECT_EQ(paths.path("gcode"), "/home/user/prints");
        ini.store();
    }
    Ini ini("Vantoridge", app);
    OpenDialogPaths paths(ini);
    EXPECT_EQ(paths.path("gcode"), "/home/user/prints");
    EXPECT_EQ(paths.path("model"), "/srv/models/a b");
    EXPECT_EQ(paths.path("project"), "");
    EXPECT_TRUE(ini.getString("openDialogPaths").startsWith("{"));
}
