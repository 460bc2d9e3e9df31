#pragma once

#include "common/gui/applook.h"
#include "common/gui/exceptionreport.h"
#include "common/gui/singleinstance.h"

#include <QApplication>
#include <QString>
#include <QTextStream>
#include <QTimer>

// The first instance of a program: listens on the single-instance channel, applies the look, shows the
// program's main window (constructed from the file named on the command line) and runs the event loop.
// A failure before the loop runs (the channel cannot listen, the window cannot be built) is reported in the
// exception box and ends the program with 1.
template <class MainWindow> int runMainWindow(QApplication &app, const QString &fileArgument)
{
    try {
        ipc_startServer();
        applyApplicationLook(app);
        int result = 0;
        {
            MainWindow window(fileArgument);
            window.show();
            result = app.exec();
        }
        ipc_stopServer();
        return result;
    } catch (const char *message) {
        handleException(QString::fromUtf8(message));
    } catch (const QString &message) {
        handleException(message);
    }
    return 1;
}

// "--smoke-test": starts the main window, prints its title once the first timer tick has set it and
// leaves, without the single-instance channel, so that an installed program can be checked while
// another instance runs.
template <class MainWindow> int runSmokeTest(QApplication &app)
{
    MainWindow window;
    window.show();
    QTimer::singleShot(100, &app, [&] {
        QTextStream(stdout) << window.windowTitle() << '\n';
        app.exit(0);
    });
    return app.exec();
}
