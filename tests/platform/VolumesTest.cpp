#include "platform/Volumes.h"

#include "media/FakeCard.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

using platform::Volume;
using platform::Volumes;
using platform::VolumeType;
using testing_support::FakeTree;
using testing_support::VolumeTable;

namespace {

// A fake /sys with the devices a desktop may have, each under /sys/dev/block/<major:minor>.
class FakeSysfs {
public:
    FakeSysfs()
    {
        device("8:1", "devices/pci0000:00/0000:00:17.0/ata1/host0/target0:0:0/0:0:0:0/block/sda/sda1", "0", true);
        device("8:17", "devices/pci0000:00/0000:00:14.0/usb1/1-2/1-2:1.0/host6/target6:0:0/6:0:0:0/block/sdb/sdb1", "0",
               true);
        device("8:33", "devices/pci0000:00/0000:00:17.0/ata2/host1/target1:0:0/1:0:0:0/block/sdc/sdc1", "1", true);
        device("179:1", "devices/platform/soc/mmc_host/mmc0/mmc0:aaaa/block/mmcblk0/mmcblk0p1", "0", true);
        device("2:0", "devices/platform/floppy.0/block/fd0", "1", false);
        device("11:0", "devices/pci0000:00/0000:00:17.0/ata3/host2/target2:0:0/2:0:0:0/block/sr0", "1", false);

        // udev's label links: "CAMERA CARD" for the USB reader's partition.
        tree_.makeFile("devnodes/sdb1");
        tree_.makeDir("by-label");
        QFile::link(tree_.path("devnodes/sdb1"), tree_.path("by-label/CAMERA\\x20CARD"));
    }

    QString sysRoot() const { return tree_.path("sys"); }
    QString labelFolder() const { return tree_.path("by-label"); }

private:
    void device(const char* majorMinor, const char* path, const char* removable, bool partition)
    {
        const QString folder = QStringLiteral("sys/") + QString::fromLatin1(path);
        tree_.makeDir(folder);
        if (partition) {
            tree_.makeFile(folder + QStringLiteral("/partition"), "1");
            tree_.makeFile(QFileInfo(folder).path() + QStringLiteral("/removable"), removable);
        } else {
            tree_.makeFile(folder + QStringLiteral("/removable"), removable);
        }
        tree_.makeDir("sys/dev/block");
        QFile::link(tree_.path(folder), tree_.path(QStringLiteral("sys/dev/block/") + QString::fromLatin1(majorMinor)));
    }

    FakeTree tree_;
};

const Volume* byRoot(const std::vector<Volume>& volumes, const char* root)
{
    for (const Volume& volume : volumes) {
        if (volume.root == QLatin1String(root))
            return &volume;
    }
    return nullptr;
}

TEST(VolumesMountInfo, TypesLabelsAndOrder)
{
    FakeSysfs sys;
    const QByteArray mountInfo =
        "22 1 0:21 / /proc rw,nosuid - proc proc rw\n"
        "23 1 0:22 / /sys rw - sysfs sysfs rw\n"
        "25 1 0:5 / /dev rw - devtmpfs udev rw\n"
        "26 25 0:24 / /dev/shm rw - tmpfs tmpfs rw\n"
        "27 1 0:25 / /run rw - tmpfs tmpfs rw\n"
        "40 1 8:17 / /media/user/CAMERA\\040CARD rw shared:5 - vfat /dev/sdb1 rw\n"
        "41 1 8:33 / /media/user/reader rw - vfat /dev/sdc1 rw\n"
        "42 1 179:1 / /run/media/user/SD rw - exfat /dev/mmcblk0p1 rw\n"
        "43 1 2:0 / /mnt/floppy rw - vfat /dev/fd0 rw\n"
        "44 1 11:0 / /mnt/cdrom ro - iso9660 /dev/sr0 ro\n"
        "45 1 0:40 / /mnt/share rw - cifs //server/share rw\n"
        "46 1 0:41 / /tmp rw - tmpfs tmpfs rw\n"
        "47 1 0:42 / /snap/core/1 ro - squashfs /dev/loop0 ro\n"
        "48 1 8:1 / /home rw - ext4 /dev/sda1 rw\n"
        "49 1 0:43 / /mnt/odd rw - fuse.unknownfs thing rw\n"
        "20 0 8:1 / / rw,relatime - ext4 /dev/sda1 rw\n"
        "50 1 8:17 / /mnt/floppy rw - vfat /dev/sdb1 rw\n" // mounted over the floppy's mount point
        "malformed line\n";

    const auto volumes = Volumes::fromMountInfo(mountInfo, sys.sysRoot(), sys.labelFolder());

    QStringList roots;
    for (const Volume& volume : volumes)
        roots << volume.root;
    EXPECT_EQ(roots, (QStringList{"/", "/home/", "/media/user/CAMERA CARD/", "/media/user/reader/", "/mnt/cdrom/",
                                  "/mnt/floppy/", "/mnt/odd/", "/mnt/share/", "/run/media/user/SD/", "/tmp/"}));

    EXPECT_TRUE(volumes[0].system);
    EXPECT_EQ(volumes[0].type, VolumeType::Fixed);
    EXPECT_EQ(byRoot(volumes, "/home/")->type, VolumeType::Fixed);
    EXPECT_FALSE(byRoot(volumes, "/home/")->system);

    const Volume* usb = byRoot(volumes, "/media/user/CAMERA CARD/");
    ASSERT_NE(usb, nullptr);
    EXPECT_EQ(usb->type, VolumeType::Removable); // on the USB bus
    EXPECT_EQ(usb->device, QStringLiteral("sdb1"));
    EXPECT_EQ(usb->label, QStringLiteral("CAMERA CARD"));

    EXPECT_EQ(byRoot(volumes, "/media/user/reader/")->type, VolumeType::Removable); // disk marked removable
    EXPECT_EQ(byRoot(volumes, "/media/user/reader/")->label, QStringLiteral("reader"));
    EXPECT_EQ(byRoot(volumes, "/run/media/user/SD/")->type, VolumeType::Removable); // MMC bus
    EXPECT_EQ(byRoot(volumes, "/mnt/cdrom/")->type, VolumeType::CdRom);
    EXPECT_EQ(byRoot(volumes, "/mnt/share/")->type, VolumeType::Network);
    EXPECT_EQ(byRoot(volumes, "/tmp/")->type, VolumeType::RamDisk);
    EXPECT_EQ(byRoot(volumes, "/mnt/odd/")->type, VolumeType::Unknown);
    // The later mount hides the floppy underneath.
    EXPECT_EQ(byRoot(volumes, "/mnt/floppy/")->type, VolumeType::Removable);

    const auto floppy =
        Volumes::fromMountInfo("43 1 2:0 / /mnt/floppy rw - vfat /dev/fd0 rw\n", sys.sysRoot(), sys.labelFolder());
    ASSERT_EQ(floppy.size(), 1u);
    EXPECT_EQ(floppy[0].type, VolumeType::Floppy);
    EXPECT_FALSE(floppy[0].system);
}

TEST(VolumesTable, ReadsRootsTypesLabelsAndTheSystemMark)
{
    FakeTree base;
    const auto volumes = Volumes::fromTable("# comment\n"
                                            "card\tremovable\tEOS_DIGITAL\n"
                                            "\n"
                                            "/mnt/disk\tfixed\tData\tsystem\r\n"
                                            "/net\tnetwork\n"
                                            "/mnt/odd\tnonsense\tx\n",
                                            base.root());
    ASSERT_EQ(volumes.size(), 4u);
    EXPECT_EQ(volumes[0].root, QStringLiteral("/mnt/disk/")); // the system volume leads, then by root
    EXPECT_TRUE(volumes[0].system);
    EXPECT_EQ(volumes[0].label, QStringLiteral("Data"));
    EXPECT_EQ(volumes[1].root, QStringLiteral("/mnt/odd/"));
    EXPECT_EQ(volumes[1].type, VolumeType::Unknown);
    EXPECT_EQ(volumes[2].root, QStringLiteral("/net/"));
    EXPECT_EQ(volumes[2].type, VolumeType::Network);
    EXPECT_EQ(volumes[3].root, base.path("card/")); // relative to the table's folder
    EXPECT_EQ(volumes[3].type, VolumeType::Removable);
    EXPECT_EQ(volumes[3].label, QStringLiteral("EOS_DIGITAL"));
    EXPECT_FALSE(volumes[3].system);

    for (VolumeType type : {VolumeType::Unknown, VolumeType::Floppy, VolumeType::CdRom, VolumeType::Removable,
                            VolumeType::Network, VolumeType::RamDisk, VolumeType::Fixed})
        EXPECT_EQ(Volumes::typeFromWord(Volumes::typeWord(type).toUpper()), type);
}

TEST(VolumesPaths, DriveOfAPathIsTheLongestRootThatHoldsIt)
{
    VolumeTable table;
    table.add("/", "fixed", "System").add("/media/card", "removable", "CARD").add("/media/card/inner", "fixed", "In");

    EXPECT_EQ(Volumes::driveIndexOf(QStringLiteral("/media/card/DCIM/100ABCDE")), 1);
    EXPECT_EQ(Volumes::driveIndexOf(QStringLiteral("/media/card")), 1);
    EXPECT_EQ(Volumes::driveIndexOf(QStringLiteral("/media/cardX/DCIM")), 0);
    EXPECT_EQ(Volumes::driveIndexOf(QStringLiteral("/media/card/inner/x")), 2);
    EXPECT_EQ(Volumes::driveIndexOf(QString()), -1);

    EXPECT_EQ(Volumes::driveRootOf(QStringLiteral("/media/card/DCIM/100ABCDE/")), QStringLiteral("/media/card/"));
    EXPECT_EQ(Volumes::pathBelowDrive(QStringLiteral("/media/card/DCIM/100ABCDE")), QStringLiteral("/DCIM/100ABCDE"));
    EXPECT_EQ(Volumes::pathBelowDrive(QStringLiteral("/media/card")), QStringLiteral("/"));
    EXPECT_EQ(Volumes::systemRoot(), QStringLiteral("/"));
    EXPECT_EQ(Volumes::volumeOf(QStringLiteral("/media/card/x"))->label, QStringLiteral("CARD"));
}

TEST(VolumesPaths, PathOnNoListedVolumeHasSlashAsItsDrive)
{
    VolumeTable table;
    table.add("/media/card", "removable");
    EXPECT_EQ(Volumes::driveIndexOf(QStringLiteral("/home/user")), -1);
    EXPECT_EQ(Volumes::driveRootOf(QStringLiteral("/home/user")), QStringLiteral("/"));
    EXPECT_EQ(Volumes::pathBelowDrive(QStringLiteral("/home/user")), QStringLiteral("/home/user"));
    EXPECT_TRUE(Volumes::systemRoot().isEmpty());
}

TEST(VolumesLive, TheRealMountTableHasTheSystemVolumeFirst)
{
    const QByteArray table = qgetenv(platform::Volumes::TableVariable);
    qunsetenv(platform::Volumes::TableVariable);
    const auto volumes = Volumes::list();
    if (!table.isEmpty())
        qputenv(platform::Volumes::TableVariable, table);
    ASSERT_FALSE(volumes.empty());
    EXPECT_EQ(volumes[0].root, QStringLiteral("/"));
    EXPECT_TRUE(volumes[0].system);
    for (const Volume& volume : volumes) {
        EXPECT_TRUE(volume.root.endsWith(QLatin1Char('/'))) << volume.root.toStdString();
        EXPECT_FALSE(volume.root.startsWith(QLatin1String("/proc/"))) << volume.root.toStdString();
    }

    FakeTree tree;
    const auto space = Volumes::freeSpace(tree.root());
    ASSERT_TRUE(space.has_value());
    EXPECT_GT(space->totalBytes, 0u);
    EXPECT_LE(space->freeBytes, space->totalBytes);
    EXPECT_FALSE(Volumes::freeSpace(tree.path("missing/folder")).has_value());
}

} // namespace
