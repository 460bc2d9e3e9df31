// The control dialogs and the panel's extruder moves against a virtual printer: what its log receives
// is what the user's clicks sent, in order, through the priority queue.
#include "virtualprinterprocess.h"

#include "common/gui/singleinstance.h"
#include "link/printer.h"
#include "platform/ports.h"
#include "ui/frameprinter.h"
#include "ui/frmaddprinter.h"
#include "ui/frmsetz.h"
#include "ui/frmterminal.h"
#include "ui/frmthermo.h"
#include "ui/frmtweak.h"
#include "ui/userprompts.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QDoubleSpinBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include <memory>

namespace
{

using Lines = std::vector<QByteArray>;

template <class Widget> Widget *child(QWidget *parent, const char *name)
{
    auto *widget = parent->findChild<Widget *>(name);
    EXPECT_NE(widget, nullptr) << name;
    return widget;
}

void click(QWidget *parent, const char *name)
{
    if (auto *button = child<QAbstractButton>(parent, name))
        button->click();
}

void setNumber(QWidget *parent, const char *name, double value)
{
    if (auto *spin = parent->findChild<QSpinBox *>(name))
        spin->setValue(int(value));
    else if (auto *real = child<QDoubleSpinBox>(parent, name))
        real->setValue(value);
}

// One connected printer on a virtual printer of its own.
class ControlDialogs : public testing::Test
{
protected:
    void connect(int kind)
    {
        ASSERT_TRUE(folder.isValid());
        device = std::make_unique<VirtualPrinter>(QDir(folder.path()).filePath("printer.log"));
        printer.setPort(kind, device->path, "bench");
        ASSERT_TRUE(waitFor([&] { return printer.link().linkState() == ComThread::Connected; }));
    }
    // What the printer received, once `count` commands have arrived (and no more came with them).
    Lines received(size_t count)
    {
        waitFor([&] { return device->jobLines().size() >= count && printer.link().idle(); });
        return device->jobLines();
    }

    QTemporaryDir folder;
    std::unique_ptr<VirtualPrinter> device;
    Printer printer;
};

struct DialogCase {
    const char *name;
    int kind;
    std::function<void(Printer &)> act;
    Lines expected;
};

class DialogCommands : public ControlDialogs, public testing::WithParamInterface<DialogCase>
{
};

TEST_P(DialogCommands, PrinterReceivesExactly)
{
    connect(GetParam().kind);
    GetParam().act(printer);
    EXPECT_EQ(received(GetParam().expected.size()), GetParam().expected);
}

template <class Dialog> std::function<void(Printer &)> inDialog(std::function<void(Dialog &)> steps)
{
    return [steps](Printer &printer) {
        Dialog dialog(printer);
        dialog.show();
        steps(dialog);
    };
}

const DialogCase dialogCases[] = {
    {"SetZWithSixDigits",
     Printer::Taliform,
     inDialog<FrmSetZ>([](FrmSetZ &d) {
         setNumber(&d, "seZ", 12.375);
         click(&d, "bGo");
         EXPECT_EQ(d.result(), QDialog::Accepted);
     }),
     {"G1 F1200 Z12.375"}},
    {"HeadSetThenOff",
     Printer::Taliform,
     inDialog<FrmThermo>([](FrmThermo &d) {
         setNumber(&d, "seHead", 215);
         click(&d, "bHeadSet");
         click(&d, "bHeadOff");
         EXPECT_EQ(child<QSpinBox>(&d, "seHead")->value(), 0);
     }),
     {"M104 S215", "M104 S0"}},
    {"BedSetThenOff",
     Printer::Taliform,
     inDialog<FrmThermo>([](FrmThermo &d) {
         setNumber(&d, "seBed", 60);
         click(&d, "bBedSet");
         click(&d, "bBedOff");
     }),
     {"M140 S60", "M140 S0"}},
    {"ReturnInAFieldClicksItsSet",
     Printer::Taliform,
     inDialog<FrmThermo>([](FrmThermo &d) {
         auto *head = child<QSpinBox>(&d, "seHead");
         head->setFocus();
         head->selectAll();
         QTest::keyClicks(head, "190");
         QTest::keyClick(head, Qt::Key_Return);
         EXPECT_TRUE(d.isVisible()) << "Return closed the dialog";
     }),
     {"M104 S190"}},
    {"FanHalfRoundsUp",
     Printer::Taliform,
     inDialog<FrmThermo>([](FrmThermo &d) {
         setNumber(&d, "seFan", 50);
         click(&d, "bFanSet");
         setNumber(&d, "seFan", 33);
         click(&d, "bFanSet");
     }),
     {"M106 S128", "M106 S84"}},
    {"FanToggleReadsOnAtZero",
     Printer::Taliform,
     inDialog<FrmThermo>([](FrmThermo &d) {
         setNumber(&d, "seFan", 0);
         click(&d, "bFanSet");
         EXPECT_EQ(child<QPushButton>(&d, "bFanOff")->text(), "On");
         click(&d, "bFanOff");
         EXPECT_EQ(child<QPushButton>(&d, "bFanOff")->text(), "Off");
         click(&d, "bFanOff");
         EXPECT_EQ(child<QPushButton>(&d, "bFanOff")->text(), "On");
     }),
     {"M106 S0", "M106 S255", "M106 S0"}},
    {"SpeedResetSendsEvenAtHundred",
     Printer::Taliform,
     inDialog<FrmTweak>([](FrmTweak &d) {
         click(&d, "bSpeedFactorReset");
         setNumber(&d, "seSpeedFactor", 150);
         click(&d, "bSpeedFactorSet");
     }),
     {"M220 S100", "M220 S150"}},
    {"FlowSetThenReset",
     Printer::Taliform,
     inDialog<FrmTweak>([](FrmTweak &d) {
         setNumber(&d, "seExtrudeFactor", 95);
         click(&d, "bExtrudeFactorSet");
         click(&d, "bExtrudeFactorReset");
     }),
     {"M221 S95", "M221 S100"}},
    {"TaliformRetract",
     Printer::Taliform,
     [](Printer &p) {
         p.sendCommand("G1 F3000");
         // The feed to return to is the one the printer was last sent.
         waitFor([&] { return p.link().idle(); });
         p.extrude(-2, 1800);
     },
     {"G1 F3000", "G91", "G1 Z0 E-2.000 F1440", "G1 Z-0 F6000", "G90", "G1F3000"}},
    {"OtherPrinterExtrude",
     Printer::UnknownPrinter,
     [](Printer &p) {
         p.sendCommand("G1 F2400");
         waitFor([&] { return p.link().idle(); });
         p.extrude(5, 300);
     },
     {"G1 F2400", "G91", "G1E5.000F300", "G90", "G1F2400"}},
    {"RegressionExtrudeBeforeAnyFeedLeavesTheFeedAlone",
     Printer::Taliform,
     [](Printer &p) { p.extrude(1.5, 100); },
     {"G91", "G1 Z0 E1.500 F80", "G1 Z-0 F6000", "G90"}},
    {"BypassKeepsTheJobsHeatAndFanCommands",
     Printer::UnknownPrinter,
     [](Printer &p) {
         {
             FrmThermo d(p);
             click(&d, "chBypassHeatCommands");
             click(&d, "chBypassFanCommands");
         }
         p.loadJobText("M104 S200\r\nG1 X1\r\nm109 S200\r\nM106 S255\r\nM1040\r\nM107\r\n", "job.gcode");
         p.playPause();
     },
     {"G1 X1", "M1040"}},
};

INSTANTIATE_TEST_SUITE_P(Cases, DialogCommands, testing::ValuesIn(dialogCases),
                         [](const testing::TestParamInfo<DialogCase> &info) { return info.param.name; });

// The dialogs open preset with what the printer was last told, so that Set repeats it.
TEST_F(ControlDialogs, DialogsOpenWithWhatThePrinterWasLastTold)
{
    connect(Printer::Taliform);
    printer.sendCommand("M104 S205\nM140 S55\nM106 S128\nG1 Z3.5 F600");
    printer.setSpeedFactor(120);
    printer.setBypass(true, false);
    ASSERT_EQ(received(5).size(), 5u);
    FrmThermo thermo(printer);
    EXPECT_EQ(child<QSpinBox>(&thermo, "seHead")->value(), 205);
    EXPECT_EQ(child<QSpinBox>(&thermo, "seBed")->value(), 55);
    EXPECT_EQ(child<QSpinBox>(&thermo, "seFan")->value(), 50);
    EXPECT_TRUE(child<QCheckBox>(&thermo, "chBypassHeatCommands")->isChecked());
    EXPECT_FALSE(child<QCheckBox>(&thermo, "chBypassFanCommands")->isChecked());
    FrmTweak tweak(printer);
    EXPECT_EQ(child<QSpinBox>(&tweak, "seSpeedFactor")->value(), 120);
    EXPECT_EQ(child<QSpinBox>(&tweak, "seExtrudeFactor")->value(), 100);
    FrmSetZ setZ(printer);
    EXPECT_DOUBLE_EQ(child<QDoubleSpinBox>(&setZ, "seZ")->value(), 3.5);
}

// Typed lines go out unchanged; the history keeps each line once in a row, newest first, and the
// walk starts over after every send and on Escape.
TEST_F(ControlDialogs, TerminalSendsTypedLinesAndWalksItsHistory)
{
    connect(Printer::Taliform);
    FrmTerminal terminal(printer, "<b>bench</b> Taliform (/dev/pts/9) <font color=\"#FE1\">*New</font>");
    EXPECT_EQ(terminal.windowTitle(), "Terminal: bench Taliform (/dev/pts/9) *New");
    terminal.show();
    auto *line = child<QLineEdit>(&terminal, "mCommand");
    for (const char *typed : {"G28", "M114", "M114", ""}) {
        QTest::keyClicks(line, typed);
        QTest::keyClick(line, Qt::Key_Return);
        EXPECT_TRUE(line->text().isEmpty());
    }
    EXPECT_EQ(received(3), (Lines{"G28", "M114", "M114"}));
    EXPECT_EQ(terminal.history().lines(), (QStringList{"M114", "G28"}));

    auto walk = [&](Qt::Key key) {
        QTest::keyClick(line, key);
        return line->text();
    };
    EXPECT_EQ(walk(Qt::Key_Up), "M114");
    EXPECT_EQ(walk(Qt::Key_Up), "G28");
    EXPECT_EQ(walk(Qt::Key_Up), "G28") << "stays at the oldest";
    EXPECT_EQ(walk(Qt::Key_Down), "M114");
    EXPECT_EQ(walk(Qt::Key_Down), "");
    walk(Qt::Key_Up);
    walk(Qt::Key_Up);
    EXPECT_EQ(walk(Qt::Key_Escape), "");
    EXPECT_TRUE(terminal.isVisible()) << "Escape closed the terminal";
    EXPECT_EQ(walk(Qt::Key_Up), "M114") << "Escape did not start the walk over";

    // The traffic view shows what went out and what came back.
    auto *traffic = child<QPlainTextEdit>(&terminal, "mTraffic");
    EXPECT_TRUE(waitFor([&] {
        terminal.showNewTraffic();
        return traffic->toPlainText().contains("G28") && traffic->toPlainText().contains("X:");
    })) << traffic->toPlainText().toStdString();
}

// The panel's buttons open the dialogs; while one is open, a second click opens no second copy.
TEST_F(ControlDialogs, PanelOpensSetZOnceAndItsGoReachesThePrinter)
{
    connect(Printer::Taliform);
    UserPrompts prompts;
    FramePrinter panel(printer, prompts);
    panel.show();
    bool opened = false, secondCopy = false;
    QTimer::singleShot(0, [&] {
        QWidget *dialog = QApplication::activeModalWidget();
        ASSERT_NE(qobject_cast<FrmSetZ *>(dialog), nullptr) << "Set Z did not open";
        opened = true;
        // A second copy would run its own loop here; this closes it again so that the test goes on.
        QTimer::singleShot(0, [&, dialog] {
            QWidget *top = QApplication::activeModalWidget();
            if (top && top != dialog) {
                secondCopy = true;
                top->close();
            }
        });
        click(&panel, "bSetZ");
        setNumber(dialog, "seZ", 7);
        click(dialog, "bGo");
    });
    click(&panel, "bSetZ");
    EXPECT_TRUE(opened);
    EXPECT_FALSE(secondCopy);
    EXPECT_EQ(received(1), (Lines{"G1 F1200 Z7"}));
}

// The panel's progress button has the slicer show the job's line at the cursor (counted from 0).
TEST_F(ControlDialogs, ViewProgressTellsTheSlicerTheLineAtTheCursor)
{
    connect(Printer::UnknownPrinter);
    QStringList informed;
    UserPrompts prompts;
    prompts.inform = [&](QWidget *, const QString &text) { informed << text; };
    FramePrinter panel(printer, prompts);
    click(&panel, "bViewProgress");
    EXPECT_EQ(informed, QStringList{"Please load a GCode first!"});

    const QString job = QDir(folder.path()).filePath("part.gcode");
    QFile file(job);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("G1 X1\r\n; note\r\nG1 X2\r\nG1 X3\r\n");
    file.close();
    ASSERT_TRUE(printer.loadJob(job));
    click(&panel, "bViewProgress");
    EXPECT_EQ(informed.size(), 2) << "no slicer runs, and the user was not told";

    SingleInstanceServer slicer;
    slicer.start("Tessaline");
    QByteArrayList messages;
    auto collect = [&](int count) {
        waitFor([&] {
            QByteArray message;
            while (slicer.receive(message))
                messages << message;
            return messages.size() >= count;
        });
    };
    click(&panel, "bViewProgress");
    collect(2);
    printer.playPause();
    EXPECT_EQ(received(3), (Lines{"G1 X1", "G1 X2", "G1 X3"}));
    click(&panel, "bViewProgress");
    collect(4);
    const QByteArray path = job.toUtf8();
    EXPECT_EQ(messages, (QByteArrayList{"focus", "showline " + path + "\t0", "focus", "showline " + path + "\t4"}));
}

// The manual port picker lists the free ports, marks a boot loader, and takes a typed path too.
TEST(AddPrinter, ListsFreePortsAndTakesATypedPath)
{
    QTemporaryDir folder;
    const QDir dir(folder.path());
    qputenv(ports::portDirVariable, folder.path().toLocal8Bit());
    ASSERT_TRUE(ports::writePortEntry(dir.filePath("a"), "/dev/pts/71", 0x04d8, 0x000a, "open one"));
    ASSERT_TRUE(ports::writePortEntry(dir.filePath("b"), "/dev/pts/72", 0x03eb, 0x6124, "in its boot loader"));
    ASSERT_TRUE(ports::writePortEntry(dir.filePath("c"), "/dev/pts/73", 0x1234, 0x0001, "other device"));
    FrmAddPrinter dialog({"/dev/pts/71"});
    qunsetenv(ports::portDirVariable);
    EXPECT_EQ(dialog.windowTitle(), "Add a printer");
    auto *tree = child<QTreeWidget>(&dialog, "tree");
    ASSERT_EQ(tree->topLevelItemCount(), 2);
    EXPECT_EQ(tree->topLevelItem(0)->text(0), "/dev/pts/72 (FW opdate mode)");
    EXPECT_EQ(tree->topLevelItem(1)->text(0), "/dev/pts/73");
    EXPECT_EQ(tree->topLevelItem(1)->text(1), "other device");

    QPushButton *ok = child<QDialogButtonBox>(&dialog, "buttonBox")->button(QDialogButtonBox::Ok);
    EXPECT_FALSE(ok->isEnabled());
    tree->topLevelItem(0)->setSelected(true);
    EXPECT_TRUE(ok->isEnabled());
    EXPECT_EQ(dialog.chosenPort(), "/dev/pts/72");
    child<QLineEdit>(&dialog, "mPath")->setText(" /tmp/printer ");
    EXPECT_EQ(dialog.chosenPort(), "/tmp/printer");
    tree->clearSelection();
    child<QLineEdit>(&dialog, "mPath")->clear();
    EXPECT_FALSE(ok->isEnabled());
}

} // namespace
