// The host window with virtual printers on pseudo-terminals, published as USB printers through the
// port entry folder, driven by the window's own timers.
#include "gcodegen.h"
#include "streamcheck.h"
#include "virtualprinterprocess.h"

#include "common/gui/singleinstance.h"
#include "common/ini.h"
#include "common/platform/paths.h"
#include "link/printer.h"
#include "platform/ports.h"
#include "ui/frameprinter.h"
#include "ui/frmmain.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QProcess>
#include <QTemporaryDir>

#include <memory>

namespace
{

// Records what the window asks instead of showing boxes.
struct Answers {
    QStringList informed, asked, chooserTitles;
    QStringList lastChoices;
    bool answerYes = false;
    int choice = 0;
    QString portToAdd;
    QStringList openPortsOffered;

    UserPrompts prompts()
    {
        UserPrompts p;
        p.inform = [this](QWidget *, const QString &text) { informed << text; };
        p.ask = [this](QWidget *, const QString &title, const QString &text) {
            asked << title + "|" + text;
            return answerYes;
        };
        p.choose = [this](QWidget *, const QString &title, const QStringList &choices) {
            chooserTitles << title;
            lastChoices = choices;
            return choice;
        };
        p.openGCode = [](QWidget *, const QString &) { return QString(); };
        p.addPrinter = [this](QWidget *, const QStringList &openPorts) {
            openPortsOffered = openPorts;
            return portToAdd;
        };
        return p;
    }
};

class HostWindow : public testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(folder.isValid());
        QDir(folder.path()).mkdir("ports");
        qputenv(ports::portDirVariable, QDir(folder.path()).filePath("ports").toLocal8Bit());
    }
    void TearDown() override
    {
        window.reset();
        qunsetenv(ports::portDirVariable);
        // A manual port stored by one test would be opened by the next one's window.
        Ini::global().remove("nonTaliformPortNames");
        Ini::global().store();
    }
    VirtualPrinter &addVirtualPrinter(const QString &name)
    {
        printers.push_back(std::make_unique<VirtualPrinter>(QDir(folder.path()).filePath(name + ".log")));
        const QString entry = QDir(folder.path()).filePath("ports/" + name);
        EXPECT_TRUE(ports::writePortEntry(entry, printers.back()->path, 0x04d8, 0x000a, name));
        return *printers.back();
    }
    void openWindow(const QString &fileArgument = QString())
    {
        window = std::make_unique<FrmMain>(fileArgument, answers.prompts());
        window->show();
    }
    bool connected(size_t count)
    {
        return waitFor([&] {
            if (window->printers().size() != count)
                return false;
            for (Printer *printer : window->printers())
                if (printer->link().linkState() != ComThread::Connected || !printer->link().idle())
                    return false;
            return true;
        });
    }
    QString writeJob(const QString &name, const QByteArray &text)
    {
        const QString path = QDir(folder.path()).filePath(name);
        QFile file(path);
        file.open(QIODevice::WriteOnly);
        file.write(text);
        return path;
    }

    QTemporaryDir folder;
    std::vector<std::unique_ptr<VirtualPrinter>> printers;
    Answers answers;
    std::unique_ptr<FrmMain> window;
};

TEST_F(HostWindow, EmptyWindowInvitesToPlugInAPrinterAndRefusesFiles)
{
    openWindow();
    QLabel *empty = window->findChild<QLabel *>("lEmpty");
    ASSERT_NE(empty, nullptr);
    EXPECT_TRUE(empty->isVisible());
    EXPECT_EQ(empty->text(), FrmMain::emptyText);
    EXPECT_TRUE(window->windowTitle().startsWith("Spoolwatch 1.00 beta #976  "));
    window->loadFromOutside(writeJob("a.gcode", "G1 X1\r\n"));
    EXPECT_EQ(answers.informed, QStringList{"No available printer to load that GCode."});
}

TEST_F(HostWindow, TwoPrintersStreamTwoJobsAtOnceAndClosingAsksAboutBoth)
{
    addVirtualPrinter("left");
    addVirtualPrinter("right");
    openWindow();
    ASSERT_TRUE(connected(2));
    EXPECT_FALSE(window->findChild<QLabel *>("lEmpty")->isVisible());

    const QByteArray jobs[2] = {gcodegen::slicerDialect(600000, 3), gcodegen::slicerDialect(500000, 4)};
    std::vector<Printer *> hosts = window->printers();
    for (int i = 0; i < 2; ++i) {
        ASSERT_TRUE(hosts[size_t(i)]->loadJob(writeJob(QString("job%1.gcode").arg(i), jobs[i])));
        hosts[size_t(i)]->playPause();
    }
    ASSERT_TRUE(waitFor([&] { return hosts[0]->jobBegun() && hosts[1]->jobBegun(); }));
    ASSERT_FALSE(hosts[0]->jobAtEnd() || hosts[1]->jobAtEnd()) << "the jobs did not overlap";

    // Quitting during two jobs asks with the count; No keeps the window.
    EXPECT_FALSE(window->close());
    ASSERT_EQ(answers.asked.size(), 1);
    EXPECT_EQ(answers.asked[0], "Closing Spoolwatch|There are 2 ongoing print jobs. Are you sure you want to quit?");

    ASSERT_TRUE(waitFor(
        [&] {
            return hosts[0]->jobAtEnd() && hosts[1]->jobAtEnd() && hosts[0]->link().idle() && hosts[1]->link().idle();
        },
        300000));
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(firstDifference(printers[size_t(i)]->jobLines(), jobCommands(jobs[i])), "same") << "printer " << i;
        ASSERT_TRUE(
            waitFor([&] { return window->frames()[size_t(i)]->findChild<QLabel *>("lTime")->text() == "Finished"; }));
        EXPECT_EQ(window->frames()[size_t(i)]->findChild<QLabel *>("lFile")->text(),
                  hosts[size_t(i)]->panel().fileName);
        EXPECT_NE(window->frames()[size_t(i)]->findChild<QLabel *>("lTemperatures")->text(), "220/60");
    }
}

TEST_F(HostWindow, OpenMessageLoadsIntoTheOnlyPrinter)
{
    addVirtualPrinter("only");
    ipc_startServer();
    openWindow();
    ASSERT_TRUE(connected(1));
    const QString job = writeJob("handed.gcode", gcodegen::slicerDialect(2000, 5));
    ASSERT_TRUE(singleInstanceSend("focus"));
    ASSERT_TRUE(singleInstanceSend("open " + job.toUtf8()));
    EXPECT_TRUE(waitFor([&] { return window->printers()[0]->jobLoaded(); }));
    EXPECT_EQ(window->printers()[0]->jobFileName(), job);
    EXPECT_TRUE(answers.chooserTitles.isEmpty());
    ipc_stopServer();
}

TEST_F(HostWindow, CommandLineFileWithTwoPrintersAsksWhichOne)
{
    addVirtualPrinter("first");
    addVirtualPrinter("second");
    answers.choice = 1;
    const QString job = writeJob("argument.gcode", gcodegen::slicerDialect(2000, 6));
    openWindow(job);
    ASSERT_TRUE(waitFor([&] { return !answers.chooserTitles.isEmpty(); }));
    EXPECT_EQ(answers.chooserTitles, QStringList{FrmMain::chooserTitle});
    EXPECT_EQ(answers.lastChoices.size(), 2);
    EXPECT_FALSE(window->printers()[0]->jobLoaded());
    EXPECT_EQ(window->printers()[1]->jobFileName(), job);
}

TEST_F(HostWindow, PrinterGoneFromThePortListShowsDisconnectedAndClosingRemovesThePanel)
{
    addVirtualPrinter("gone");
    openWindow();
    ASSERT_TRUE(connected(1));
    QFile::remove(QDir(folder.path()).filePath("ports/gone"));
    QLabel *status = window->frames()[0]->findChild<QLabel *>("lStatus");
    EXPECT_TRUE(waitFor([&] { return status->text().contains("Disconnected"); }));
    emit window->frames()[0]->closeRequested(window->frames()[0]);
    EXPECT_TRUE(window->printers().empty());
    EXPECT_TRUE(waitFor([&] { return window->findChild<QLabel *>("lEmpty")->isVisible(); }));
}

TEST_F(HostWindow, HandOverTempFilesAreDeletedOnClose)
{
    const QDir handOver(platform::handOverDir());
    const QStringList names = {"temp_part.gco", "temp_.gco", "keep.gco", "temp_part.gcode"};
    for (const QString &name : names) {
        QFile file(handOver.filePath(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("G1\r\n");
    }
    const QString elsewhere = writeJob("temp_other.gco", "G1\r\n");
    EXPECT_TRUE(FrmMain::isHandOverTempFile(handOver.filePath("temp_part.gco")));
    EXPECT_FALSE(FrmMain::isHandOverTempFile(handOver.filePath("temp_part.gcode")));
    EXPECT_FALSE(FrmMain::isHandOverTempFile(elsewhere));
    openWindow();
    EXPECT_TRUE(window->close());
    EXPECT_EQ(handOver.entryList(QDir::Files), (QStringList{"keep.gco", "temp_part.gcode"}));
    EXPECT_TRUE(QFile::exists(elsewhere));
}

// A port typed into the manual picker opens as a printer of unknown kind, is not added twice, and is
// opened again by the next start, which reads it from the stored settings.
TEST_F(HostWindow, ManuallyAddedPortSurvivesARestart)
{
    // Not published in the entry folder: only the user's typing names it.
    VirtualPrinter device(QDir(folder.path()).filePath("manual.log"));
    openWindow();
    answers.portToAdd = device.path;
    window->on_actionAddPrinterManually_triggered();
    ASSERT_TRUE(connected(1));
    EXPECT_EQ(window->printers()[0]->kind(), Printer::UnknownPrinter);
    window->on_actionAddPrinterManually_triggered();
    EXPECT_TRUE(answers.openPortsOffered.contains(device.path)) << "the open port was offered again";
    EXPECT_EQ(window->printers().size(), 1u);
    EXPECT_TRUE(window->close());
    window.reset();

    Ini::global().reload();
    openWindow();
    ASSERT_TRUE(connected(1));
    EXPECT_EQ(window->printers()[0]->link().portName(), device.path);
    window->printers()[0]->sendCommand("M114");
    EXPECT_TRUE(waitFor([&] { return device.jobLines() == std::vector<QByteArray>{"M114"}; }));
}

TEST_F(HostWindow, ClosingDuringOneJobAsksTheSingularQuestionAndYesCloses)
{
    VirtualPrinter &device = addVirtualPrinter("one");
    openWindow();
    ASSERT_TRUE(connected(1));
    Printer *printer = window->printers()[0];
    ASSERT_TRUE(printer->loadJob(writeJob("long.gcode", gcodegen::slicerDialect(200000, 7))));
    printer->playPause();
    ASSERT_TRUE(waitFor([&] { return !device.jobLines().empty(); }));
    answers.answerYes = true;
    EXPECT_TRUE(window->close());
    EXPECT_EQ(answers.asked,
              QStringList{"Closing Spoolwatch|There is an ongoing print yob. Are you sure you want to quit?"});
}

// A second start of the program hands its file, as an absolute path, to the running one and leaves.
TEST(SecondStart, HandsItsFileToTheRunningHostAndExitsWithZero)
{
    QTemporaryDir folder;
    SingleInstanceServer running;
    running.start("Spoolwatch");
    QProcess second;
    second.setWorkingDirectory(folder.path());
    second.start(SPOOLWATCH_PATH, {"part one.gcode"});
    ASSERT_TRUE(second.waitForFinished(waitMs));
    EXPECT_EQ(second.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(second.exitCode(), 0);
    QByteArrayList messages;
    QByteArray message;
    waitFor([&] {
        while (running.receive(message))
            messages << message;
        return messages.size() >= 2;
    });
    const QString path = QDir(folder.path()).absoluteFilePath("part one.gcode");
    EXPECT_EQ(messages, (QByteArrayList{"focus", "open " + path.toUtf8()}));
}

} // namespace
