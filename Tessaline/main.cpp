#include "common/debugswitches.h"
#include "common/gui/applook.h"
#include "common/gui/qmyapp.h"
#include "common/gui/runmainwindow.h"
#include "common/gui/singleinstance.h"
#include "common/platform/allocator.h"
#include "forms/frmmain.h"

#include <QTextStream>
#include <QTimer>

namespace {

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
    if (handOverToRunningInstance(argument))
        return 0;
    return runMainWindow<FrmMain>(app, argument);
}
