#include "common/gui/applook.h"
#include "common/gui/qmyapp.h"
#include "common/gui/runmainwindow.h"
#include "common/gui/singleinstance.h"
#include "ui/frmmain.h"

#include <QTextStream>
#include <QTimer>

namespace
{

// "--smoke-test": start the window, print its title, leave without listening on the single-instance
// channel, so that an installed program can be checked while another host runs.
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
    QMyApp app(argc, argv);
    app.setApplicationName("Spoolwatch");
    const QString argument = app.arguments().value(1);
    if (argument == "--smoke-test") {
        applyApplicationLook(app);
        return runSmokeTest(app);
    }
    if (handOverToRunningInstance(argument))
        return 0;
    return runMainWindow<FrmMain>(app, argument);
}
