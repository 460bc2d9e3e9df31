#include "frmmain.h"
#include "qmyapp.h"

#include <QTextStream>
#include <QTimer>

int main(int argc, char **argv)
{
    QMyApp app(argc, argv);
    FrmMain window;
    window.show();
    if (app.arguments().value(1) == "--smoke-test") {
        QTimer::singleShot(200, [&] {
            QTextStream(stdout) << window.windowTitle() << '\n';
            app.quit();
        });
    }
    return app.exec();
}
