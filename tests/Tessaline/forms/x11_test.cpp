// The main window on a real X server (Xvfb): what is on the screen, not what the widgets believe.
#include "common/gui/applook.h"
#include "common/ini.h"
#include "forms/frmmain.h"
#include "view/glviewer.h"

#include <QApplication>
#include <QGuiApplication>
#include <QImage>
#include <QPixmap>
#include <QProcess>
#include <QScreen>
#include <QStyle>
#include <QTest>
#include <gtest/gtest.h>

namespace {

QString windowNamesOnTheServer()
{
    QProcess xwininfo;
    xwininfo.start("xwininfo", {"-root", "-tree"});
    xwininfo.waitForFinished(10000);
    return QString::fromLocal8Bit(xwininfo.readAllStandardOutput());
}

} // namespace

TEST(MainWindowOnX11, ShowsTheDarkFusionWindowWithItsTitle)
{
    ASSERT_EQ(QGuiApplication::platformName(), "xcb");
    applyApplicationLook(*qApp);
    Ini::global().reload();
    // Past the first start: its question would wait for an answer while the window draws.
    Ini::global().setInt("askForCheckUpdates", 0);
    FrmMain window;
    window.setGeometry(50, 50, 900, 600);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    QTest::qWait(300); // the first timer tick sets the title; let the server draw

    EXPECT_TRUE(windowNamesOnTheServer().contains("\"Tessaline 1.07 beta #7970   Project:[]\""))
        << windowNamesOnTheServer().toStdString();

    const QRect frame = window.geometry();
    const QImage shot = QGuiApplication::primaryScreen()
                            ->grabWindow(0, frame.x(), frame.y(), frame.width(), frame.height())
                            .toImage();
    ASSERT_FALSE(shot.isNull());
    // The widgets beside the 3D view.
    const QRect view(window.view().mapTo(&window, QPoint(0, 0)), window.view().size());
    int dark = 0, bright = 0, samples = 0;
    for (int y = 0; y < shot.height(); y += 3)
        for (int x = 0; x < shot.width(); x += 3) {
            if (view.contains(x, y))
                continue;
            const QColor c = shot.pixelColor(x, y);
            ++samples;
            dark += c == QColor(53, 53, 53);
            bright += c.lightness() > 200;
        }
    EXPECT_GT(dark, samples / 3) << "the window background must be the dark palette";
    EXPECT_GT(bright, 0) << "white text must be drawn on it";
}
