#pragma once
// The mounted volumes: what the program calls "drives".
//
// The list is read anew on every call from /proc/self/mountinfo (pseudo file systems left out), each
// volume typed from sysfs: floppy (fd<N>), CD-ROM (sr<N>), removable (the device or its disk is marked
// removable, or sits on the USB or MMC bus), network, RAM disk (tmpfs, ramfs), fixed (any other block
// device), unknown. The system volume is the one mounted at "/". Nothing watches for changes.
//
// The order is stable: the system volume first, then by root. A volume's position in that list is its
// drive index; the drive index of a path is that of the volume with the longest root that is a prefix
// of it.
//
// Test seam: when the environment variable KESTREL_VOLUMES names a file, the list is read from it
// instead. One volume a line, tab-separated: root, type word (floppy, cdrom, removable, network,
// ramdisk, fixed, unknown), label, and optionally the word "system" to mark the system volume (a root
// of "/" is the system volume anyway). A relative root is taken from the table file's folder. Empty
// lines and lines starting with '#' are skipped.

#include <QByteArray>
#include <QString>

#include <optional>
#include <vector>

namespace platform {

enum class VolumeType { Unknown, Floppy, CdRom, Removable, Network, RamDisk, Fixed };

struct Volume {
    QString root; // mount point, always ending in '/'
    VolumeType type = VolumeType::Unknown;
    QString label;
    QString device; // kernel name of the block device ("sdb1"), empty when there is none
    bool system = false;
};

struct FreeSpace {
    quint64 freeBytes = 0; // available to an unprivileged user
    quint64 totalBytes = 0;
};

class Volumes {
public:
    static constexpr const char* TableVariable = "KESTREL_VOLUMES";

    // The current volume list (from the table file when KESTREL_VOLUMES is set).
    static std::vector<Volume> list();

    // Builds the list from the text of a mountinfo file. `sysRoot` stands for /sys and `labelFolder` for
    // /dev/disk/by-label, so that tests can present fake devices.
    static std::vector<Volume> fromMountInfo(const QByteArray& mountInfo,
                                             const QString& sysRoot = QStringLiteral("/sys"),
                                             const QString& labelFolder = QStringLiteral("/dev/disk/by-label"));

    // Builds the list from the text of a volume table; relative roots are taken from `baseFolder`.
    static std::vector<Volume> fromTable(const QByteArray& table, const QString& baseFolder);

    // Index of the volume holding `path` in `volumes`, or -1.
    static int driveIndexOf(const QString& path, const std::vector<Volume>& volumes);
    static int driveIndexOf(const QString& path) { return driveIndexOf(path, list()); }

    static std::optional<Volume> volumeOf(const QString& path);

    // The root of the volume that holds `path` ("the drive"), or "/" when no listed volume holds it.
    static QString driveRootOf(const QString& path);

    // `path` relative to its drive root, with a leading '/' ("from its first backslash on").
    static QString pathBelowDrive(const QString& path);

    // The system volume's root, empty when the list has none.
    static QString systemRoot();

    // Free and total space of the file system holding `path`; nothing when it cannot be asked.
    static std::optional<FreeSpace> freeSpace(const QString& path);

    static QString typeWord(VolumeType type);
    static std::optional<VolumeType> typeFromWord(const QString& word);
};

} // namespace platform
