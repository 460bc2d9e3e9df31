#include "common/gui/windowgeometry.h"
#include "common/ini.h"

#include <QWidget>
#include <gtest/gtest.h>

namespace {

QString freshApplication()
{
    static int counter = 0;
    return QString("GeometryTest%1").arg(++counter);
}

} // namespace

TEST(WindowGeometry, NormalGeometryRoundTripsThroughTheStore)
{
    const QString app = freshApplication();
    {
        Ini ini("Vantoridge", app);
        QWidget window;
        window.setObjectName("FrmThermo");
        window.setGeometry(120, 80, 640, 480);
        storeGeometry(&window, ini);
        ini.store();
        EXPECT_EQ(ini.getInt("FrmThermo.Maximized", -1), 0);
    }
    Ini ini("Vantoridge", app);
    QWidget restored;
    restored.setObjectName("FrmThermo");
    restoreGeometry(&restored, ini);
    EXPECT_EQ(restored.geometry(), QRect(120, 80, 640, 480));
    EXPECT_FALSE(restored.windowState() & Qt::WindowMaximized);
}

TEST(WindowGeometry, AMaximisedWindowKeepsItsLastNormalGeometry)
{
    Ini ini("Vantoridge", freshApplication());
    QWidget window;
    window.setObjectName("FrmMain");
    window.setGeometry(10, 20, 300, 200);
    storeGeometry(&window, ini);
    window.show();
    window.showMaximized();
    ASSERT_TRUE(window.isMaximized());
    storeGeometry(&window, ini);
    EXPECT_EQ(ini.getInt("FrmMain.Width", 0), 300);
    EXPECT_EQ(ini.getInt("FrmMain.PosX", 0), 10);
    EXPECT_EQ(ini.getInt("FrmMain.Maximized", 0), 1);

    QWidget restored;
    restored.setObjectName("FrmMain");
    restoreGeometry(&restored, ini);
    EXPECT_EQ(restored.geometry(), QRect(10, 20, 300, 200));
    EXPECT_TRUE(restored.windowState() & Qt::WindowMaximized);
}

TEST(WindowGeometry, NoStoredWidthLeavesTheWidgetAlone)
{
    Ini ini("Vantoridge", freshApplication());
    ini.setInt("FrmOptions.Width", 0);
    ini.setInt("FrmOptions.PosX", 999);
    QWidget window;
    window.setObjectName("FrmOptions");
    window.setGeometry(5, 6, 70, 80);
    restoreGeometry(&window, ini);
    EXPECT_EQ(window.geometry(), QRect(5, 6, 70, 80));
    window.setObjectName("Unknown");
    restoreGeometry(&window, ini);
    EXPECT_EQ(window.geometry(), QRect(5, 6, 70, 80));
}
