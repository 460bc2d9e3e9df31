#include "common/gui/qmyapp.h"

#include "common/gui/exceptionreport.h"

QMyApp::QMyApp(int &argc, char **argv) : QApplication(argc, argv)
{
    setOrganizationName("Vantoridge");
}

bool QMyApp::notify(QObject *receiver, QEvent *event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (const char *message) {
        handleException(QString::fromUtf8(message));
    } catch (const QString &message) {
        handleException(message);
    } catch (const std::exception &e) {
        handleException(QString::fromUtf8(e.what()));
    } catch (...) {
        handleException("unknown exception type");
    }
    return false;
}
