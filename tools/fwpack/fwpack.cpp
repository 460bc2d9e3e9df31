// Builds a firmware file as the firmware server serves it from a main-board and an LCD-board image:
// "fwpack MAIN.bin LCD.bin OUT.firmware". The images are scrambled and the check value appended, so that
// the host's checks take the result; tests and the local firmware server use it.
#include "fw_tool/firmwarefile.h"

#include <QCoreApplication>
#include <QFile>
#include <QTextStream>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    QTextStream err(stderr);
    if (args.size() != 3) {
        err << "usage: fwpack MAIN.bin LCD.bin OUT.firmware\n";
        return 2;
    }
    FirmwareImages images;
    QByteArray *parts[] = {&images.mainBoard, &images.lcdBoard};
    for (int i = 0; i < 2; ++i) {
        QFile in(args[i]);
        if (!in.open(QIODevice::ReadOnly)) {
            err << "fwpack: cannot read " << args[i] << ": " << in.errorString() << '\n';
            return 1;
        }
        *parts[i] = in.readAll();
    }
    QFile out(args[2]);
    if (!out.open(QIODevice::WriteOnly) || out.write(firmwarefile::build(images)) < 0) {
        err << "fwpack: cannot write " << args[2] << ": " << out.errorString() << '\n';
        return 1;
    }
    return 0;
}
