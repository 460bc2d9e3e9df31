#include "common/debugswitches.h"
#include "common/gui/applook.h"
#include "common/gui/qmyapp.h"
#include "common/gui/runmainwindow.h"
#include "common/gui/singleinstance.h"
#include "common/platform/allocator.h"
#include "forms/frmmain.h"

int main(int argc, char **argv)
{
    platform::tuneAllocatorForSlicing();
    QMyApp app(argc, argv);
    initDebugSwitches();
    // The desktop entry it was started from: its icon and name in the task bar.
    QGuiApplication::setDesktopFileName("tessaline");
    const QString argument = app.arguments().value(1);
    if (argument == "--smoke-test") {
        applyApplicationLook(app);
        return runSmokeTest<FrmMain>(app);
    }
    if (handOverToRunningInstance(argument))
        return 0;
    return runMainWindow<FrmMain>(app, argument);
}
