#include "common/debugswitches.h"
#include "common/gui/applook.h"
#include "common/gui/exceptionreport.h"
#include "common/gui/qmyapp.h"
#include "common/gui/singleinstance.h"
#include "common/platform/allocator.h"
#include "forms/frmmain.h"

#include <QDir>
#include <QTextStream>
#include <QTimer>

namespace {

// A second start hands its file to the running slicer and shows nothing.
bool handedOverToRunningInstance(const QString &fileArgument)
{
    if (!singleInstanceSend("focus"))
        return false;
    if (!fileArgument.isEmpty())
        singleInstanceSend("open " + QDir::current().absoluteFilePath(fileArgument).toUtf8());
    return true;
}

// "--smoke-test": start the window, print its title once the first timer tick has set it, leave
// without touching the settings or the single-instance channel.
int runSmokeTest(QMyApp &app)
{
    FrmMain window;
    window.show();
    QTimer::singleShot(100, &app, [&] {
        QTextStream(stdout) << window.windowTitle() << '\n';
        app.exit(0);
    });
    return app.exec();
}

int runSlicer(QMyApp &app, const QString &fileArgument)
{
    ipc_startServer();
    applyApplicationLook(app);
    int result = 0;
    {
        FrmMain window(fileArgument);
        window.show();
        result = app.exec();
    }
    ipc_stopServer();
    return result;
}

} // namespace

int main(int argc, char **argv)
{
    platform::tuneAllocatorForSlicing();
    QMyApp app(argc, argv);
    initDebugSwitches();
    const QString argument = app.arguments().value(1);
    if (argument == "--smoke-test") {
        applyApplicationLook(app);
        return runSmokeTest(app);
    }
    if (handedOverToRunningInstance(argument))
        return 0;
    try {
        return runSlicer(app, argument);
    } catch (const char *message) {
        handleException(QString::fromUtf8(message));
    } catch (const QString &message) {
        handleException(message);
    }
    return 1;
}
