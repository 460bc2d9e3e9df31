// The firmware update end to end in the host window: a virtual printer that restarts into its boot loader
// (tools/samba-sim, published in the port entry folder under the printer's own port), the main board
// written through it, the printer back in normal mode, the LCD board written through its pass-through;
// the firmware file served by a local HTTP server. And the refusals: no download, a damaged file.
#include "fw_tool/firmwarefile.h"
#include "fw_tool/fwupdater.h"
#include "link/printer.h"
#include "platform/ports.h"
#include "ui/frameprinter.h"
#include "ui/frmmain.h"
#include "../fw_tool/sambasim.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>

#include <map>

namespace
{

constexpr int waitMs = 60000;

bool waitFor(const std::function<bool()> &done)
{
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > waitMs)
            return false;
        QApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    }
    return true;
}

// Serves files by path; anything else is 404.
class FirmwareServer
{
public:
    FirmwareServer()
    {
        m_server.listen(QHostAddress::LocalHost);
        QObject::connect(&m_server, &QTcpServer::newConnection, [this] {
            QTcpSocket *socket = m_server.nextPendingConnection();
            QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, socket] {
                const QByteArray request = socket->readAll();
                const QByteArray path = request.split(' ').value(1);
                const auto it = files.find(path);
                socket->write(it == files.end() ? QByteArray("HTTP/1.0 404 Not Found\r\nContent-Length: 0\r\n\r\n")
                                                : "HTTP/1.0 200 OK\r\nContent-Length: " +
                                                      QByteArray::number(it->second.size()) + "\r\n\r\n" + it->second);
                socket->disconnectFromHost();
            });
        });
    }
    QString url() const { return QString("http://127.0.0.1:%1").arg(m_server.serverPort()); }
    std::map<QByteArray, QByteArray> files;

private:
    QTcpServer m_server;
};

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

class FirmwareUpdate : public testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(folder.isValid());
        QDir(folder.path()).mkdir("ports");
        qputenv(ports::portDirVariable, path("ports").toLocal8Bit());
        qputenv("SPOOLWATCH_FIRMWARE_SERVER", server.url().toUtf8());
        qputenv("SPOOLWATCH_FLASH_WAIT_SCALE", "0");
        FWUpdater::forgetFirmware();
    }
    void TearDown() override
    {
        window.reset();
        for (QProcess *process : {&printer, &bootLoader}) {
            process->terminate();
            process->waitForFinished(waitMs);
        }
        qunsetenv(ports::portDirVariable);
        qunsetenv("SPOOLWATCH_FIRMWARE_SERVER");
        qunsetenv("SPOOLWATCH_FLASH_WAIT_SCALE");
    }
    QString path(const QString &name) const { return QDir(folder.path()).filePath(name); }
    void start(QProcess &process, const QString &program, const QStringList &args)
    {
        process.start(program, args);
        process.waitForStarted(waitMs);
        while (!process.canReadLine() && process.state() == QProcess::Running)
            process.waitForReadyRead(waitMs);
    }
    void openWindow()
    {
        UserPrompts prompts;
        prompts.inform = [this](QWidget *, const QString &text) { informed << text; };
        prompts.warn = [this](QWidget *, const QString &title, const QString &text) { warned << title + ": " + text; };
        prompts.ask = [](QWidget *, const QString &, const QString &) { return false; };
        prompts.choose = [](QWidget *, const QString &, const QStringList &) { return 0; };
        prompts.openGCode = [](QWidget *, const QString &) { return QString(); };
        window = std::make_unique<FrmMain>(QString(), prompts);
        window->show();
    }
    FramePrinter *frame() { return window->frames().empty() ? nullptr : window->frames().front(); }
    QString statusText() { return frame() ? frame()->findChild<QLabel *>("lStatus")->text() : QString(); }
    void clickInstall()
    {
        for (QPushButton *button : frame()->findChildren<QPushButton *>())
            if (button->toolTip() == "Install the latest FirmWare")
                button->click();
    }

    QTemporaryDir folder;
    FirmwareServer server;
    QProcess printer, bootLoader;
    std::unique_ptr<FrmMain> window;
    QStringList informed;
    QStringList warned; // "title: text"
};

TEST_F(FirmwareUpdate, UpdatesBothBoardsOfAVirtualPrinterFromThePanel)
{
    SKIP_WITHOUT_SAMBA_SIM();
    const QByteArray main = randomImage(20000, 11), lcd = randomImage(1500, 12);
    server.files["/zor3nixa.firmware"] = firmwarefile::build({main, lcd});
    start(printer, VIRTUAL_PRINTER_PATH,
          {"--link", path("printer"), "--port-dir", path("ports"), "--samba-sim", SAMBA_SIM_PATH, "--samba-dump",
           folder.path()});
    openWindow();
    ASSERT_TRUE(waitFor([&] {
        return frame() && frame()->printer().kind() == Printer::Taliform &&
               frame()->printer().link().linkState() == ComThread::Connected;
    }));
    clickInstall();
    QStringList seen;
    const auto note = [&] {
        if (seen.isEmpty() || seen.back() != statusText())
            seen << statusText();
    };
    ASSERT_TRUE(waitFor([&] {
        note();
        return statusText().contains("LCD board updated successfully.");
    })) << seen.join("\n").toStdString();
    EXPECT_TRUE(seen.filter("<b>Updating Main board :</b>").size() > 0) << seen.join("\n").toStdString();
    EXPECT_TRUE(seen.contains("<b><font color=lime>Main board updated successfully.</font></b>"));
    EXPECT_EQ(statusText(), "<b><font color=lime>LCD board updated successfully.</font></b>");
    EXPECT_TRUE(readFile(path("main.bin")).startsWith(main));
    EXPECT_TRUE(readFile(path("lcd.bin")).startsWith(lcd));
    EXPECT_EQ(frame()->printer().firmwareUpdateStep(), 0);
    // The printer is back in normal mode and its link owns the port again.
    EXPECT_TRUE(waitFor([&] { return frame()->printer().link().linkState() == ComThread::Connected; }));
    EXPECT_EQ(informed, QStringList());
    EXPECT_EQ(warned, QStringList());
}

// A printer in normal mode that restarts instead of telling its LCD version: the red error line naming the
// question, never a success, and the pass-through is not switched on.
TEST_F(FirmwareUpdate, AnUnansweredQuestionEndsInTheErrorLine)
{
    server.files["/zor3nixa.firmware"] = firmwarefile::build({randomImage(2000, 3), randomImage(300, 4)});
    start(printer, VIRTUAL_PRINTER_PATH, {"--log", path("printer.log"), "--fault", "restart@2"});
    FWUpdater updater;
    updater.start(QString::fromLocal8Bit(printer.readLine().trimmed()), mWORKER::LcdBoard, false, QUrl(server.url()),
                  {0, 20, 25});
    ASSERT_TRUE(waitFor([&] { return updater.state() != FWUpdater::Running; }));
    EXPECT_EQ(updater.state(), FWUpdater::Failed);
    EXPECT_EQ(updater.result(), mWORKER::notCompleted);
    EXPECT_EQ(updater.panelText(), "<b><font color=red>Error updating LCD board :</font></b> No answer to M1004");
    EXPECT_EQ(updater.information().uniqueId, "0000000000000000C0FFEE");
    EXPECT_FALSE(readFile(path("printer.log")).contains("M6969"));
}

struct RefusalCase {
    const char *name;
    bool serveFile;
    const char *message;
};

class FirmwareUpdateRefused : public FirmwareUpdate, public testing::WithParamInterface<RefusalCase>
{
};

TEST_P(FirmwareUpdateRefused, ShowsTheMessageAndSendsNothing)
{
    SKIP_WITHOUT_SAMBA_SIM();
    QByteArray file = firmwarefile::build({randomImage(5000, 1), randomImage(200, 2)});
    file[900] = char(file[900] ^ 4);
    if (GetParam().serveFile)
        server.files["/zor3nixa.firmware"] = file;
    start(bootLoader, SAMBA_SIM_PATH, {"--port-dir", path("ports"), "--log", path("samba.log")});
    openWindow();
    ASSERT_TRUE(waitFor([&] { return frame() && frame()->printer().kind() == Printer::TaliformFirmwareUpdate; }));
    clickInstall();
    ASSERT_TRUE(waitFor([&] { return !warned.isEmpty(); }));
    EXPECT_EQ(warned, QStringList{"Error: " + QString(GetParam().message)});
    EXPECT_EQ(informed, QStringList());
    EXPECT_EQ(statusText(), "<b><font color=red>Error updating Main board :</font></b> " + QString(GetParam().message));
    EXPECT_EQ(frame()->printer().firmwareUpdateStep(), 0);
    EXPECT_EQ(readFile(path("samba.log")), QByteArray());
}

INSTANTIATE_TEST_SUITE_P(Refusals, FirmwareUpdateRefused,
                         testing::Values(RefusalCase{"NoDownload", false, "Failed to download latest FirmWare"},
                                         RefusalCase{"DamagedFile", true, "Crc error loading firmware"}),
                         [](const testing::TestParamInfo<RefusalCase> &info) { return std::string(info.param.name); });

} // namespace
