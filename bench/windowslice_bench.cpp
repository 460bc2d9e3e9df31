// How smoothly the slicer's window keeps drawing while a background slice grows the G-code preview:
// opens the window on a project (default: the welcome project), switches to the G-code view, runs the
// background slice and prints the number of frames drawn, the longest gap between two frames and the
// slice's wall time. Run under Xvfb:
//
//     xvfb-run -a -s "-screen 0 1280x800x24" build/bench/bench/bench_windowslice [PROJECT.tsprj]
//
// The engine hands out G-code at most every 200 ms, and the window is drawn from that hand-out, so the
// longest gap is about that interval plus the time to grow the preview by one piece.
#include "common/ini.h"
#include "forms/frmmain.h"
#include "view/glviewer.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTest>

#include <algorithm>
#include <cstdio>

int main(int argc, char **argv)
{
    qputenv("TESSALINE_UPDATE_SERVER", "http://127.0.0.1:1/");
    QApplication app(argc, argv);
    // No first-start question in the middle of the measurement.
    Ini::global().setInt("askForCheckUpdates", 0);
    const QString project = argc > 1 ? QString::fromLocal8Bit(argv[1])
                                     : QString(TESSALINE_SOURCE_DIR) + "/Tessaline/res/welcome.tsprj";
    FrmMain window(project);
    window.resize(1280, 800);
    window.show();
    if (!QTest::qWaitForWindowExposed(&window))
        return 1;
    QTest::qWait(500);

    QElapsedTimer clock;
    qint64 last = -1, longest = 0;
    int frames = 0;
    QObject::connect(&window.view(), &QOpenGLWidget::frameSwapped, [&] {
        const qint64 now = clock.elapsed();
        if (last >= 0)
            longest = std::max(longest, now - last);
        last = now;
        ++frames;
    });
    clock.start();
    window.sliceBackground();
    const qint64 sliceMs = clock.elapsed();
    std::printf("background slice of %s: %lld ms, %d frames, longest gap between frames %lld ms, %d layers\n",
                qPrintable(project), static_cast<long long>(sliceMs), frames, static_cast<long long>(longest),
                window.preview().layerCount());
    return 0;
}
