#include "platform/Volumes.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QList>
#include <QSet>

#include <sys/stat.h>
#include <sys/statvfs.h>

#include <algorithm>
#include <cstdlib>

namespace platform {
namespace {

// File systems that are views of the kernel, not storage; they never become drives.
const QSet<QString>& pseudoFileSystems()
{
    static const QSet<QString> names{
        QStringLiteral("proc"),
        QStringLiteral("sysfs"),
        QStringLiteral("devtmpfs"),
        QStringLiteral("devpts"),
        QStringLiteral("cgroup"),
        QStringLiteral("cgroup2"),
        QStringLiteral("securityfs"),
        QStringLiteral("debugfs"),
        QStringLiteral("tracefs"),
        QStringLiteral("pstore"),
        QStringLiteral("bpf"),
        QStringLiteral("mqueue"),
        QStringLiteral("hugetlbfs"),
        QStringLiteral("configfs"),
        QStringLiteral("fusectl"),
        QStringLiteral("autofs"),
        QStringLiteral("binfmt_misc"),
        QStringLiteral("efivarfs"),
        QStringLiteral("rpc_pipefs"),
        QStringLiteral("nsfs"),
        QStringLiteral("selinuxfs"),
        QStringLiteral("squashfs"),
        QStringLiteral("fuse.gvfsd-fuse"),
        QStringLiteral("fuse.portal"),
        QStringLiteral("fuse.snapfuse"),
        QStringLiteral("nfsd"),
    };
    return names;
}

const QSet<QString>& networkFileSystems()
{
    static const QSet<QString> names{
        QStringLiteral("nfs"),         QStringLiteral("nfs4"),
        QStringLiteral("cifs"),        QStringLiteral("smb3"),
        QStringLiteral("smbfs"),       QStringLiteral("sshfs"),
        QStringLiteral("fuse.sshfs"),  QStringLiteral("9p"),
        QStringLiteral("afs"),         QStringLiteral("ncpfs"),
        QStringLiteral("davfs"),       QStringLiteral("fuse.davfs"),
        QStringLiteral("glusterfs"),   QStringLiteral("fuse.glusterfs"),
        QStringLiteral("ceph"),        QStringLiteral("fuse.ceph"),
        QStringLiteral("fuse.rclone"), QStringLiteral("fuse.s3fs"),
        QStringLiteral("coda"),        QStringLiteral("lustre"),
    };
    return names;
}

bool isRamFileSystem(const QString& type)
{
    return type == QLatin1String("tmpfs") || type == QLatin1String("ramfs");
}

bool isUnder(const QString& path, QLatin1String folder)
{
    return path == folder || path.startsWith(folder + QLatin1Char('/'));
}

// The system's own scratch mounts (/dev/shm, /run, /run/user/<id>, /sys/fs/cgroup...) are RAM disks
// nobody thinks of as drives; removable media mounted under /run/media still are.
bool isSystemScratchMount(const QString& mountPoint)
{
    if (isUnder(mountPoint, QLatin1String("/run/media")))
        return false;
    return isUnder(mountPoint, QLatin1String("/dev")) || isUnder(mountPoint, QLatin1String("/run")) ||
           isUnder(mountPoint, QLatin1String("/sys")) || isUnder(mountPoint, QLatin1String("/proc"));
}

// mountinfo escapes blanks, tabs, newlines and backslashes as \ooo.
QString unescapeOctal(const QByteArray& field)
{
    QByteArray out;
    out.reserve(field.size());
    for (qsizetype i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 3 < field.size()) {
            const QByteArray digits = field.mid(i + 1, 3);
            bool ok = digits.size() == 3;
            for (char c : digits)
                ok = ok && c >= '0' && c <= '7';
            if (ok) {
                out.append(static_cast<char>(digits.toInt(nullptr, 8)));
                i += 3;
                continue;
            }
        }
        out.append(field[i]);
    }
    return QFile::decodeName(out);
}

// udev names the by-label links with \xNN for blanks and other unsafe bytes.
QString unescapeHex(const QString& name)
{
    QByteArray in = QFile::encodeName(name);
    QByteArray out;
    for (qsizetype i = 0; i < in.size(); ++i) {
        if (in[i] == '\\' && i + 3 < in.size() && in[i + 1] == 'x') {
            bool ok = false;
            const int value = in.mid(i + 2, 2).toInt(&ok, 16);
            if (ok) {
                out.append(static_cast<char>(value));
                i += 3;
                continue;
            }
        }
        out.append(in[i]);
    }
    return QString::fromUtf8(out);
}

QString withSlash(const QString& path)
{
    return path.endsWith(QLatin1Char('/')) ? path : path + QLatin1Char('/');
}

QString lastComponent(const QString& root)
{
    QString path = root;
    while (path.size() > 1 && path.endsWith(QLatin1Char('/')))
        path.chop(1);
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    return slash < 0 ? path : path.mid(slash + 1);
}

QByteArray readSmallFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.read(4096).trimmed();
}

bool onRemovableBus(const QString& devicePath)
{
    const QStringList parts = devicePath.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    return std::any_of(parts.begin(), parts.end(), [](const QString& part) {
        return part.startsWith(QLatin1String("usb")) || part.startsWith(QLatin1String("mmc"));
    });
}

struct BlockDevice {
    QString name;      // kernel name, "sdb1"
    QString sysfsPath; // resolved device folder in sysfs
};

std::optional<BlockDevice> blockDevice(const QString& sysRoot, const QString& majorMinor, const QString& source)
{
    QString link = sysRoot + QStringLiteral("/dev/block/") + majorMinor;
    QFileInfo info(link);
    if (!info.exists() && source.startsWith(QLatin1String("/dev/"))) {
        const QString node = QFileInfo(source).canonicalFilePath();
        if (!node.isEmpty())
            info = QFileInfo(sysRoot + QStringLiteral("/class/block/") + QFileInfo(node).fileName());
    }
    if (!info.exists())
        return std::nullopt;
    const QString resolved = info.canonicalFilePath();
    if (resolved.isEmpty())
        return std::nullopt;
    return BlockDevice{QFileInfo(resolved).fileName(), resolved};
}

VolumeType blockDeviceType(const BlockDevice& device)
{
    const QString& name = device.name;
    auto startsWithNumbered = [&](QLatin1String prefix) {
        return name.size() > prefix.size() && name.startsWith(prefix) && name[prefix.size()].isDigit();
    };
    if (startsWithNumbered(QLatin1String("fd")))
        return VolumeType::Floppy;
    if (startsWithNumbered(QLatin1String("sr")))
        return VolumeType::CdRom;
    if (readSmallFile(device.sysfsPath + QStringLiteral("/removable")) == "1")
        return VolumeType::Removable;
    if (QFileInfo::exists(device.sysfsPath + QStringLiteral("/partition"))) {
        const QString disk = QFileInfo(device.sysfsPath).absolutePath();
        if (readSmallFile(disk + QStringLiteral("/removable")) == "1")
            return VolumeType::Removable;
    }
    if (onRemovableBus(device.sysfsPath))
        return VolumeType::Removable;
    return VolumeType::Fixed;
}

QString labelOf(const QString& labelFolder, const QString& deviceName)
{
    if (deviceName.isEmpty())
        return {};
    const QDir folder(labelFolder);
    const QStringList links = folder.entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
    for (const QString& link : links) {
        const QString target = QFileInfo(folder.filePath(link)).canonicalFilePath();
        if (!target.isEmpty() && QFileInfo(target).fileName() == deviceName)
            return unescapeHex(link);
    }
    return {};
}

void sortVolumes(std::vector<Volume>& volumes)
{
    std::stable_sort(volumes.begin(), volumes.end(), [](const Volume& a, const Volume& b) {
        if (a.system != b.system)
            return a.system;
        return a.root < b.root;
    });
}

// A mount point that exists but is not a folder is a file bind-mounted by a container runtime
// (/etc/hosts and friends); it can hold no pictures.
bool isFileMount(const QString& mountPoint)
{
    struct stat info {};
    return ::stat(QFile::encodeName(mountPoint).constData(), &info) == 0 && !S_ISDIR(info.st_mode);
}

} // namespace

QString Volumes::typeWord(VolumeType type)
{
    switch (type) {
    case VolumeType::Floppy:
        return QStringLiteral("floppy");
    case VolumeType::CdRom:
        return QStringLiteral("cdrom");
    case VolumeType::Removable:
        return QStringLiteral("removable");
    case VolumeType::Network:
        return QStringLiteral("network");
    case VolumeType::RamDisk:
        return QStringLiteral("ramdisk");
    case VolumeType::Fixed:
        return QStringLiteral("fixed");
    case VolumeType::Unknown:
        break;
    }
    return QStringLiteral("unknown");
}

std::optional<VolumeType> Volumes::typeFromWord(const QString& word)
{
    for (VolumeType type : {VolumeType::Unknown, VolumeType::Floppy, VolumeType::CdRom, VolumeType::Removable,
                            VolumeType::Network, VolumeType::RamDisk, VolumeType::Fixed}) {
        if (word.compare(typeWord(type), Qt::CaseInsensitive) == 0)
            return type;
    }
    return std::nullopt;
}

std::vector<Volume> Volumes::fromMountInfo(const QByteArray& mountInfo, const QString& sysRoot,
                                           const QString& labelFolder)
{
    std::vector<Volume> volumes;
    for (const QByteArray& line : mountInfo.split('\n')) {
        const QList<QByteArray> fields = line.simplified().split(' ');
        // id parent major:minor root mount-point options [optional...] - type source super-options
        const qsizetype separator = fields.indexOf("-");
        if (fields.size() < 6 || separator < 6 || separator + 2 >= fields.size())
            continue;
        const QString majorMinor = QString::fromLatin1(fields[2]);
        const QString mountPoint = unescapeOctal(fields[4]);
        const QString fsType = unescapeOctal(fields[separator + 1]);
        const QString source = unescapeOctal(fields[separator + 2]);
        if (!mountPoint.startsWith(QLatin1Char('/')) || pseudoFileSystems().contains(fsType) || isFileMount(mountPoint))
            continue;

        Volume volume;
        volume.root = withSlash(mountPoint);
        volume.system = mountPoint == QLatin1String("/");
        if (networkFileSystems().contains(fsType)) {
            volume.type = VolumeType::Network;
        } else if (isRamFileSystem(fsType)) {
            if (isSystemScratchMount(mountPoint))
                continue;
            volume.type = VolumeType::RamDisk;
        } else if (const auto device = blockDevice(sysRoot, majorMinor, source)) {
            volume.device = device->name;
            volume.type = blockDeviceType(*device);
        } else {
            // No block device behind it (overlay, zfs, a fuse file system): unknown, except the system
            // volume, which is the machine's own disk whatever sits underneath.
            volume.type = volume.system ? VolumeType::Fixed : VolumeType::Unknown;
        }
        volume.label = labelOf(labelFolder, volume.device);
        if (volume.label.isEmpty())
            volume.label = lastComponent(volume.root);

        // A later mount on the same point hides the earlier one.
        auto same =
            std::find_if(volumes.begin(), volumes.end(), [&](const Volume& v) { return v.root == volume.root; });
        if (same != volumes.end())
            *same = volume;
        else
            volumes.push_back(volume);
    }
    sortVolumes(volumes);
    return volumes;
}

std::vector<Volume> Volumes::fromTable(const QByteArray& table, const QString& baseFolder)
{
    std::vector<Volume> volumes;
    for (const QByteArray& rawLine : table.split('\n')) {
        QString line = QString::fromUtf8(rawLine);
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
        if (line.trimmed().isEmpty() || line.startsWith(QLatin1Char('#')))
            continue;
        const QStringList fields = line.split(QLatin1Char('\t'));
        if (fields[0].isEmpty())
            continue;
        Volume volume;
        QString root = fields[0];
        if (!root.startsWith(QLatin1Char('/')))
            root = QDir(baseFolder).absoluteFilePath(root);
        volume.root = withSlash(QDir::cleanPath(root));
        volume.type =
            fields.size() > 1 ? typeFromWord(fields[1].trimmed()).value_or(VolumeType::Unknown) : VolumeType::Unknown;
        volume.label = fields.size() > 2 ? fields[2] : QString();
        volume.system =
            volume.root == QLatin1String("/") ||
            (fields.size() > 3 && fields[3].trimmed().compare(QLatin1String("system"), Qt::CaseInsensitive) == 0);
        volumes.push_back(volume);
    }
    sortVolumes(volumes);
    return volumes;
}

std::vector<Volume> Volumes::list()
{
    if (const char* table = std::getenv(TableVariable); table && *table) {
        QFile file(QString::fromLocal8Bit(table));
        if (!file.open(QIODevice::ReadOnly))
            return {};
        return fromTable(file.readAll(), QFileInfo(file.fileName()).absolutePath());
    }
    QFile file(QStringLiteral("/proc/self/mountinfo"));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    // Files of /proc report size 0, so read until the end rather than by size.
    return fromMountInfo(file.readAll());
}

int Volumes::driveIndexOf(const QString& path, const std::vector<Volume>& volumes)
{
    if (path.isEmpty())
        return -1;
    const QString probe = withSlash(path);
    int best = -1;
    qsizetype bestLength = -1;
    for (size_t i = 0; i < volumes.size(); ++i) {
        const QString& root = volumes[i].root;
        if (probe.startsWith(root) && root.size() > bestLength) {
            best = static_cast<int>(i);
            bestLength = root.size();
        }
    }
    return best;
}

std::optional<Volume> Volumes::volumeOf(const QString& path)
{
    const std::vector<Volume> volumes = list();
    const int index = driveIndexOf(path, volumes);
    if (index < 0)
        return std::nullopt;
    return volumes[static_cast<size_t>(index)];
}

QString Volumes::driveRootOf(const QString& path)
{
    const auto volume = volumeOf(path);
    return volume ? volume->root : QStringLiteral("/");
}

QString Volumes::pathBelowDrive(const QString& path)
{
    const QString root = driveRootOf(path);
    if (!path.startsWith(root))
        return withSlash(path) == root ? QStringLiteral("/") : path;
    return QLatin1Char('/') + path.mid(root.size());
}

QString Volumes::systemRoot()
{
    for (const Volume& volume : list()) {
        if (volume.system)
            return volume.root;
    }
    return {};
}

std::optional<FreeSpace> Volumes::freeSpace(const QString& path)
{
    struct statvfs info {};
    if (::statvfs(QFile::encodeName(path).constData(), &info) != 0)
        return std::nullopt;
    const quint64 unit = info.f_frsize ? info.f_frsize : info.f_bsize;
    return FreeSpace{static_cast<quint64>(info.f_bavail) * unit, static_cast<quint64>(info.f_blocks) * unit};
}

} // namespace platform
