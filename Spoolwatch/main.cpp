#include "common/gui/applook.h"
#include "common/gui/exceptionreport.h"
#include "common/gui/qmyapp.h"
#include "common/gui/singleinstance.h"
#include "ui/frmmain.h"

#include <QDir>
#include <QTextStream>
#include <QTimer>

namespace
{

// A second start hands its file to the running host and shows nothing.
bool handedOverToRunningInstance(const QString &fileArgument)
{
    if (!singleInstanceSend("focus"))
        return false;
    if (!fileArgument.isEmpty())
        singleInstanceSend("open " + QDir::current().absoluteFilePath(fileArgument).toUtf8());
    return true;
}

int runHost(QMyApp &app, const QString &fileArgument)
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
    QMyApp app(argc, argv);
    app.setApplicationName("Spoolwatch");
    const QString argument = app.arguments().value(1);
    if (handedOverToRunningInstance(argument))
        return 0;
    try {
        return runHost(app, argument);
    } catch (const char *message) {
        handleException(QString::fromUtf8(message));
    } catch (const QString &message) {
        handleException(message);
    }
    return 1;
}
