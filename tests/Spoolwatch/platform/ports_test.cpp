// Which ports are printers, and how the printers follow the ports as entries come, change and go.
#include "platform/portwatch.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

namespace
{

struct IdCase {
    const char *name;
    const char *devicePath;
    const char *instanceId;
};

void PrintTo(const IdCase &idCase, std::ostream *out)
{
    *out << idCase.name;
}

class InstanceId : public testing::TestWithParam<IdCase>
{
};

TEST_P(InstanceId, FollowsTheDevicePath)
{
    EXPECT_EQ(ports::instanceIdFromDevicePath(GetParam().devicePath), QString(GetParam().instanceId));
}

INSTANTIATE_TEST_SUITE_P(
    Table, InstanceId,
    testing::Values(IdCase{"LowerCaseBecomesUpper",
                           "\\\\?\\usb#vid_04d8&pid_000a#5&1a2b3c4d&0&2#{a5dcbf10-6530-11d2-901f-00c04fb951ed}",
                           "USB\\VID_04D8&PID_000A\\5&1A2B3C4D&0&2"},
                    IdCase{"BootLoader", "\\\\?\\USB#VID_03EB&PID_6124#6&ab&0&1#{A5DCBF10-6530-11D2-901F-00C04FB951ED}",
                           "USB\\VID_03EB&PID_6124\\6&AB&0&1"},
                    IdCase{"NoInterfaceClass", "usb#vid_04d8&pid_000a#serial7", "USB\\VID_04D8&PID_000A\\SERIAL7"},
                    IdCase{"Empty", "", ""}),
    [](const testing::TestParamInfo<IdCase> &info) { return std::string(info.param.name); });

TEST(InstanceId, IsCutAt260Characters)
{
    const QString id = ports::instanceIdFromDevicePath("usb#" + QString(400, 'a'));
    EXPECT_EQ(id.size(), 260);
    EXPECT_EQ(id, ("USB\\" + QString(400, 'A')).left(260));
}

TEST(HardwareId, NamesTheKind)
{
    EXPECT_EQ(ports::kindOfHardwareId(ports::hardwareIdOf(0x04d8, 0x000a)), 1);
    EXPECT_EQ(ports::kindOfHardwareId(ports::hardwareIdOf(0x03eb, 0x6124)), 2);
    EXPECT_EQ(ports::kindOfHardwareId("USB\\VID_04D8&PID_000A&REV_0100"), 1);
    EXPECT_EQ(ports::kindOfHardwareId("usb\\vid_03eb&pid_6124"), 2);
    EXPECT_EQ(ports::kindOfHardwareId(ports::hardwareIdOf(0x04d8, 0x000b)), 0);
    EXPECT_EQ(ports::kindOfHardwareId(""), 0);
}

// An entry folder as a virtual printer setup would write it, read back through the environment.
class EntryFolder : public testing::Test
{
protected:
    void SetUp() override { qputenv(ports::portDirVariable, dir.path().toLocal8Bit()); }
    void TearDown() override { qunsetenv(ports::portDirVariable); }
    void publish(const QString &entry, const QString &path, quint16 vid, quint16 pid)
    {
        ASSERT_TRUE(ports::writePortEntry(dir.filePath(entry), path, vid, pid, "printer " + entry));
    }
    void unpublish(const QString &entry) { QFile::remove(dir.filePath(entry)); }
    std::vector<PortChange> refresh(const QStringList &manual = {})
    {
        return watch.refresh(ports::presentPorts(), manual);
    }

    QTemporaryDir dir;
    PortWatch watch;
};

std::string describe(const std::vector<PortChange> &changes)
{
    static const char *names[] = {"Added", "KindChanged", "Vanished", "Returned", "Removed"};
    std::string text;
    for (const PortChange &change : changes)
        text += std::string(names[change.type]) + " " + change.portName.toStdString() + " " +
                std::to_string(change.kind) + ";";
    return text;
}

TEST_F(EntryFolder, EntriesAreReadWithTheirIdentity)
{
    publish("a", "/dev/pts/41", 0x04d8, 0x000a);
    QFile junk(dir.filePath("junk"));
    ASSERT_TRUE(junk.open(QIODevice::WriteOnly));
    junk.write("vid=04d8\npid=000a\n");
    junk.close();
    const std::vector<FoundPort> found = ports::presentPorts();
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0].portName, "/dev/pts/41");
    EXPECT_EQ(found[0].hardwareId, "USB\\VID_04D8&PID_000A");
    EXPECT_EQ(found[0].description, "printer a");
}

TEST_F(EntryFolder, PrinterRestartsIntoTheBootLoaderAndBack)
{
    publish("a", "/dev/pts/41", 0x04d8, 0x000a);
    publish("other", "/dev/pts/42", 0x1234, 0x5678);
    EXPECT_EQ(describe(refresh()), "Added /dev/pts/41 1;");
    EXPECT_EQ(describe(refresh()), "");
    publish("a", "/dev/pts/41", 0x03eb, 0x6124);
    EXPECT_EQ(describe(refresh()), "KindChanged /dev/pts/41 2;");
    publish("a", "/dev/pts/41", 0x04d8, 0x000a);
    EXPECT_EQ(describe(refresh()), "KindChanged /dev/pts/41 1;");
}

TEST_F(EntryFolder, VanishedNormalPrinterStaysUntilItReturns)
{
    publish("a", "/dev/pts/41", 0x04d8, 0x000a);
    refresh();
    unpublish("a");
    EXPECT_EQ(describe(refresh()), "Vanished /dev/pts/41 1;");
    for (int i = 0; i < 100; ++i)
        ASSERT_EQ(describe(refresh()), "");
    publish("a", "/dev/pts/41", 0x04d8, 0x000a);
    EXPECT_EQ(describe(refresh()), "Returned /dev/pts/41 1;");
}

TEST_F(EntryFolder, BootLoaderPrinterIsRemovedAfterFiftyRefreshesAway)
{
    publish("a", "/dev/pts/41", 0x03eb, 0x6124);
    EXPECT_EQ(describe(refresh()), "Added /dev/pts/41 2;");
    unpublish("a");
    for (int i = 1; i < PortWatch::bootLoaderGraceRefreshes; ++i)
        ASSERT_EQ(describe(refresh()), "") << "refresh " << i;
    EXPECT_EQ(describe(refresh()), "Removed /dev/pts/41 2;");
    // Coming back in time keeps it: the restart out of the boot loader is quick.
    publish("a", "/dev/pts/41", 0x03eb, 0x6124);
    refresh();
    unpublish("a");
    for (int i = 1; i < 10; ++i)
        refresh();
    publish("a", "/dev/pts/41", 0x04d8, 0x000a);
    EXPECT_EQ(describe(refresh()), "Returned /dev/pts/41 1;KindChanged /dev/pts/41 1;");
    unpublish("a");
    EXPECT_EQ(describe(refresh()), "Vanished /dev/pts/41 1;");
}

TEST_F(EntryFolder, ClosedPrinterComesBackOnlyWhenReplugged)
{
    publish("a", "/dev/pts/41", 0x04d8, 0x000a);
    refresh();
    watch.forget("/dev/pts/41");
    EXPECT_EQ(describe(refresh()), "");
    unpublish("a");
    refresh();
    publish("a", "/dev/pts/41", 0x04d8, 0x000a);
    EXPECT_EQ(describe(refresh()), "Added /dev/pts/41 1;");
    watch.forget("/dev/pts/41");
    watch.rediscover();
    EXPECT_EQ(describe(refresh()), "Added /dev/pts/41 1;");
}

TEST_F(EntryFolder, ManualPortsArePrintersOfUnknownKind)
{
    publish("a", "/dev/pts/41", 0x04d8, 0x000a);
    EXPECT_EQ(describe(refresh({"/dev/ttyS3", "/dev/pts/41"})), "Added /dev/ttyS3 0;Added /dev/pts/41 0;");
    EXPECT_EQ(describe(refresh({"/dev/ttyS3", "/dev/pts/41"})), "");
}

} // namespace
