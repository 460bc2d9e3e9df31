#include "cli/printcommand.h"

#include "fw_tool/firmwarefile.h"
#include "fw_tool/sam-ba.h"
#include "link/printer.h"

#include <QFile>
#include <QSerialPort>
#include <QTextStream>

namespace
{

struct FlashOptions {
    QString port;
    QString file;
    bool raw = false;
    bool lcd = false;
    double waitScale = 1;
};

QString parseFlashOptions(const QStringList &args, FlashOptions &options)
{
    for (int i = 0; i < args.size(); ++i) {
        const QString &arg = args[i];
        if (arg == "--port" || arg == "--wait-scale" || arg == "--raw") {
            if (i + 1 >= args.size())
                return arg + " needs a value";
            const QString value = args[++i];
            bool ok = true;
            if (arg == "--port")
                options.port = value;
            else if (arg == "--raw")
                options.raw = true, options.file = value;
            else if ((options.waitScale = value.toDouble(&ok)) < 0 || !ok)
                return "--wait-scale takes a number of at least 0";
        } else if (arg == "--lcd") {
            options.lcd = true;
        } else if (arg.startsWith("-")) {
            return QString("unknown option '%1'").arg(arg);
        } else if (options.file.isEmpty()) {
            options.file = arg;
        } else {
            return QString("more than one firmware file: '%1'").arg(arg);
        }
    }
    if (options.port.isEmpty())
        return "flash needs --port PATH";
    if (options.file.isEmpty())
        return "flash needs a firmware file or --raw IMAGE.bin";
    return QString();
}

// One line redrawn in place: a bar, the percentage and the status.
class ProgressLine
{
public:
    void setRange(int range) { m_range = std::max(1, range); }
    void setProgress(int value)
    {
        m_value = std::min(value, m_range);
        draw();
    }
    void setStatus(const QString &status)
    {
        m_status = status.trimmed();
        draw();
    }
    void finish() { QTextStream(stdout) << '\n'; }

private:
    void draw()
    {
        constexpr int width = 30;
        const int filled = m_value * width / m_range;
        QTextStream(stdout) << QString("\r[%1%2] %3% %4")
                                   .arg(QString(filled, '#'), QString(width - filled, ' '))
                                   .arg(m_value * 100 / m_range, 3)
                                   .arg(m_status.leftJustified(28).left(28))
                            << Qt::flush;
    }
    int m_range = 1, m_value = 0;
    QString m_status;
};

} // namespace

int runFlash(const QStringList &args)
{
    FlashOptions options;
    const QString problem = parseFlashOptions(args, options);
    if (!problem.isEmpty()) {
        QTextStream(stderr) << "spoolwatch-cli: " << problem << '\n' << usageText();
        return kExitUsage;
    }
    const QString board = options.lcd ? "LCD board" : "Main board";
    auto fail = [&board](const QString &status) {
        QTextStream(stderr) << "Error updating " << board << " : " << status << '\n';
        return kExitFailure;
    };
    QFile file(options.file);
    if (!file.open(QIODevice::ReadOnly))
        return fail(QString("cannot read %1: %2").arg(options.file, file.errorString()));
    QByteArray image = file.readAll();
    if (!options.raw) {
        FirmwareImages images;
        if (!firmwarefile::load(image, images))
            return fail(firmwarefile::crcErrorMessage);
        image = options.lcd ? images.lcdBoard : images.mainBoard;
    }
    QSerialPort port(options.port);
    if (!port.open(QIODevice::ReadWrite))
        return fail(QString("cannot open %1: %2").arg(options.port, port.errorString()));
    port.setBaudRate(Printer::baudRate);
    port.setDataBits(QSerialPort::Data8);
    port.setParity(QSerialPort::NoParity);
    port.setStopBits(QSerialPort::OneStop);
    port.setFlowControl(QSerialPort::NoFlowControl);

    SAM_BA::Timing timing;
    timing.waitScale = options.waitScale;
    SAM_BA samba(&port, SAM_BA::flashApplet(), image, timing);
    ProgressLine progress;
    samba.onRange = [&progress](int range) { progress.setRange(range); };
    samba.onProgress = [&progress](int value) { progress.setProgress(value); };
    samba.onStatus = [&progress](const QString &status, bool) { progress.setStatus(status); };
    unsigned int result = SAM_BA::Success;
    try {
        result = samba.Program(options.lcd ? SAM_BA::Xmodem : SAM_BA::RawUsb);
    } catch (const char *message) {
        progress.finish();
        return fail(message);
    }
    progress.finish();
    if (result != SAM_BA::Success)
        return fail(QString("%1 (result %2)").arg(SAM_BA::resultText(result)).arg(result));
    QTextStream(stdout) << board << " updated successfully.\n";
    return kExitOk;
}
