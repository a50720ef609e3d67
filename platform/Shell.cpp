#include "platform/Shell.h"

#include "platform/Names.h"
#include "platform/Trash.h"

#include <QDir>
#include <QDirIterator>
#include <QFileIconProvider>
#include <QFileInfo>
#include <QMimeDatabase>
#include <QPixmap>
#include <QStandardPaths>

#include <algorithm>

#include <unistd.h>

namespace platform {

namespace {

// Only sub-folders are places; hidden ones stay out as in a file manager.
constexpr QDir::Filters FolderFilter = QDir::Dirs | QDir::NoDotAndDotDot;

QString cleaned(const QString& path)
{
    if (path.isEmpty())
        return path;
    return QDir::cleanPath(QDir(path).absolutePath());
}

bool isUnder(const QString& path, const QString& base)
{
    if (path == base)
        return true;
    const QString prefix = base.endsWith(QLatin1Char('/')) ? base : base + QLatin1Char('/');
    return path.startsWith(prefix);
}

bool writable(const QString& path)
{
    const QByteArray name = QFile::encodeName(path);
    return ::access(name.constData(), W_OK | X_OK) == 0;
}

bool removableType(VolumeType type)
{
    return type == VolumeType::Removable || type == VolumeType::CdRom || type == VolumeType::Floppy;
}

// Whether `path` holds at least one visible sub-folder; stops at the first one found.
bool hasSubFolder(const QString& path)
{
    QDirIterator it(path, FolderFilter);
    return it.hasNext();
}

bool isVolumeRoot(const QString& path, const std::vector<Volume>& volumes)
{
    const QString withSlash = path.endsWith(QLatin1Char('/')) ? path : path + QLatin1Char('/');
    return std::any_of(volumes.begin(), volumes.end(), [&](const Volume& v) { return v.root == withSlash; });
}

quint32 folderAttributes(const QString& path, const std::vector<Volume>& volumes, bool deletable)
{
    quint32 bits = SfgaoFolder | SfgaoFileSystem | SfgaoCanCopy | SfgaoCanMove | SfgaoCanLink | SfgaoHasPropSheet;
    if (writable(path))
        bits |= SfgaoDropTarget;
    else
        bits |= SfgaoReadOnly;
    // A mount point cannot be renamed or deleted from within, and neither can a folder whose parent is
    // not ours to change.
    if (deletable && !isVolumeRoot(path, volumes) && writable(QFileInfo(path).absolutePath()))
        bits |= SfgaoCanRename | SfgaoCanDelete;
    const int index = Volumes::driveIndexOf(path, volumes);
    if (index >= 0 && removableType(volumes[static_cast<size_t>(index)].type))
        bits |= SfgaoRemovable;
    if (hasSubFolder(path))
        bits |= SfgaoHasSubFolder;
    return bits;
}

ShellItem folderPlace(const QString& path, const std::vector<Volume>& volumes)
{
    ShellItem item;
    item.kind = PlaceKind::Folder;
    item.path = cleaned(path);
    item.displayName = QFileInfo(item.path).fileName();
    if (item.displayName.isEmpty())
        item.displayName = item.path;
    item.attributes = folderAttributes(item.path, volumes, true);
    return item;
}

bool listFolders(const QString& path, const std::vector<Volume>& volumes, std::vector<ShellItem>& out)
{
    const QFileInfo info(path);
    if (!info.isDir() || !info.isReadable() || !info.isExecutable())
        return false;
    const QFileInfoList entries = QDir(path).entryInfoList(FolderFilter, QDir::Unsorted);
    for (const QFileInfo& entry : entries)
        out.push_back(folderPlace(entry.absoluteFilePath(), volumes));
    return true;
}

int kindRank(PlaceKind kind)
{
    switch (kind) {
    case PlaceKind::Home:
        return 0;
    case PlaceKind::Computer:
        return 1;
    default:
        return 2;
    }
}

QIcon themeIcon(std::initializer_list<const char*> names)
{
    for (const char* name : names) {
        const QIcon icon = QIcon::fromTheme(QLatin1String(name));
        if (!icon.isNull())
            return icon;
    }
    return {};
}

}  // namespace

QString Shell::desktopFolder()
{
    const QString desktop = QStandardPaths::writableLocation(QStandardPaths::DesktopLocation);
    const QString home = homeFolder();
    if (!desktop.isEmpty() && QFileInfo(desktop).isDir())
        return cleaned(desktop);
    return home;
}

QString Shell::homeFolder()
{
    return cleaned(QDir::homePath());
}

ShellItem Shell::desktop()
{
    ShellItem item;
    item.kind = PlaceKind::Desktop;
    item.displayName = QString::fromUtf8(DesktopName);
    item.path = desktopFolder();
    item.attributes = SfgaoFolder | SfgaoFileSystem | SfgaoHasSubFolder | SfgaoHasPropSheet | SfgaoDropTarget;
    return item;
}

ShellItem Shell::home()
{
    ShellItem item;
    item.kind = PlaceKind::Home;
    item.path = homeFolder();
    item.displayName = QFileInfo(item.path).fileName();
    if (item.displayName.isEmpty())
        item.displayName = item.path;
    // The home folder is never renamed or deleted from the tree.
    item.attributes = folderAttributes(item.path, Volumes::list(), false);
    return item;
}

ShellItem Shell::computer()
{
    ShellItem item;
    item.kind = PlaceKind::Computer;
    item.displayName = QString::fromUtf8(ComputerName);
    item.attributes = SfgaoFolder | SfgaoHasSubFolder | SfgaoHasPropSheet;
    return item;
}

QString Shell::volumeTag(const Volume& volume)
{
    if (!volume.label.isEmpty())
        return volume.label;
    const QString last = QFileInfo(cleaned(volume.root)).fileName();
    return last.isEmpty() ? volume.root : last;
}

QString Shell::volumeDisplayName(const Volume& volume)
{
    QString name;
    switch (volume.type) {
    case VolumeType::Removable:
        name = QString::fromUtf8(RemovableName);
        break;
    case VolumeType::CdRom:
        name = volume.label.isEmpty() ? QString::fromUtf8(CdDriveName) : volume.label;
        break;
    default:
        name = volume.label.isEmpty() ? QString::fromUtf8(LocalDiskName) : volume.label;
        break;
    }
    return name + QStringLiteral(" (") + volumeTag(volume) + QLatin1Char(')');
}

ShellItem Shell::volume(const Volume& volume, int index)
{
    ShellItem item;
    item.kind = PlaceKind::Volume;
    item.displayName = volumeDisplayName(volume);
    item.path = volume.root;
    item.volumeType = volume.type;
    item.volumeIndex = index;
    // A drive always offers to be opened: asking whether it holds folders would touch the medium.
    item.attributes = SfgaoFolder | SfgaoFileSystem | SfgaoHasSubFolder | SfgaoHasPropSheet | SfgaoCanLink;
    if (removableType(volume.type))
        item.attributes |= SfgaoRemovable;
    item.attributes |= writable(volume.root) ? SfgaoDropTarget : SfgaoReadOnly;
    return item;
}

ShellItem Shell::folder(const QString& path)
{
    return folderPlace(path, Volumes::list());
}

bool Shell::canList(const ShellItem& place)
{
    if (place.kind == PlaceKind::Computer)
        return true;
    const QFileInfo info(place.path);
    return info.isDir() && info.isReadable() && info.isExecutable();
}

bool Shell::children(const ShellItem& parent, std::vector<ShellItem>& out)
{
    out.clear();
    const std::vector<Volume> volumes = Volumes::list();
    switch (parent.kind) {
    case PlaceKind::Computer:
        for (size_t i = 0; i < volumes.size(); ++i)
            out.push_back(volume(volumes[i], static_cast<int>(i)));
        break;
    case PlaceKind::Desktop:
        out.push_back(home());
        out.push_back(computer());
        if (!listFolders(parent.path, volumes, out))
            out.resize(2);
        break;
    default:
        if (!listFolders(parent.path, volumes, out)) {
            out.clear();
            return false;
        }
        break;
    }
    std::stable_sort(out.begin(), out.end(),
                     [&](const ShellItem& a, const ShellItem& b) { return compare(parent, a, b) < 0; });
    return true;
}

int Shell::naturalCompare(const QString& a, const QString& b)
{
    qsizetype i = 0;
    qsizetype j = 0;
    // Equal numbers written with more zeros ("01" against "1") go first, decided by the first such pair
    // only when nothing else tells the names apart.
    int zerosTie = 0;
    while (i < a.size() && j < b.size()) {
        if (a[i].isDigit() && b[j].isDigit()) {
            qsizetype endA = i;
            qsizetype endB = j;
            while (endA < a.size() && a[endA].isDigit())
                ++endA;
            while (endB < b.size() && b[endB].isDigit())
                ++endB;
            // Leading zeros do not change a number's size.
            qsizetype startA = i;
            qsizetype startB = j;
            while (startA + 1 < endA && a[startA] == QLatin1Char('0'))
                ++startA;
            while (startB + 1 < endB && b[startB] == QLatin1Char('0'))
                ++startB;
            const qsizetype lengthA = endA - startA;
            const qsizetype lengthB = endB - startB;
            if (lengthA != lengthB)
                return lengthA < lengthB ? -1 : 1;
            const int digits = QStringView(a).mid(startA, lengthA).compare(QStringView(b).mid(startB, lengthB));
            if (digits != 0)
                return digits < 0 ? -1 : 1;
            if (zerosTie == 0 && endA - i != endB - j)
                zerosTie = endA - i > endB - j ? -1 : 1;
            i = endA;
            j = endB;
            continue;
        }
        const QChar ca = a[i].toCaseFolded();
        const QChar cb = b[j].toCaseFolded();
        if (ca != cb)
            return ca < cb ? -1 : 1;
        ++i;
        ++j;
    }
    if (i < a.size())
        return 1;
    if (j < b.size())
        return -1;
    if (zerosTie != 0)
        return zerosTie;
    // Names equal in this order still need a fixed order between them ("a1" and "A1").
    const int folded = compareNoCase(a, b);
    if (folded != 0)
        return folded < 0 ? -1 : 1;
    const int exact = QString::compare(a, b);
    return exact < 0 ? -1 : (exact > 0 ? 1 : 0);
}

int Shell::compare(const ShellItem& parent, const ShellItem& a, const ShellItem& b)
{
    switch (parent.kind) {
    case PlaceKind::Computer:
        return a.volumeIndex < b.volumeIndex ? -1 : (a.volumeIndex > b.volumeIndex ? 1 : 0);
    case PlaceKind::Desktop: {
        const int rankA = kindRank(a.kind);
        const int rankB = kindRank(b.kind);
        if (rankA != rankB)
            return rankA < rankB ? -1 : 1;
        return naturalCompare(a.displayName, b.displayName);
    }
    default:
        return naturalCompare(a.displayName, b.displayName);
    }
}

std::vector<ShellItem> Shell::chainTo(const QString& path)
{
    std::vector<ShellItem> chain{desktop()};
    if (path.isEmpty())
        return chain;
    const QString target = cleaned(path);
    const QString desktopPath = chain.front().path;
    const QString homePath = homeFolder();
    const std::vector<Volume> volumes = Volumes::list();
    const int targetVolume = Volumes::driveIndexOf(target, volumes);

    // Adds one folder place per component of `target` below `base`.
    auto addFoldersBelow = [&](const QString& base) {
        const QString rest = target.mid(base.size());
        const QStringList parts = rest.split(QLatin1Char('/'), Qt::SkipEmptyParts);
        QString current = cleaned(base);
        for (const QString& part : parts) {
            current = current.endsWith(QLatin1Char('/')) ? current + part : current + QLatin1Char('/') + part;
            ShellItem item;
            item.kind = PlaceKind::Folder;
            item.path = current;
            item.displayName = part;
            chain.push_back(item);
        }
    };

    if (target == desktopPath)
        return chain;
    if (desktopPath != homePath && isUnder(target, desktopPath) &&
        Volumes::driveIndexOf(desktopPath, volumes) == targetVolume) {
        addFoldersBelow(desktopPath);
        return chain;
    }
    if (isUnder(target, homePath) && Volumes::driveIndexOf(homePath, volumes) == targetVolume) {
        chain.push_back(home());
        addFoldersBelow(homePath);
        return chain;
    }
    if (targetVolume >= 0) {
        const Volume& volumeOfTarget = volumes[static_cast<size_t>(targetVolume)];
        chain.push_back(computer());
        chain.push_back(volume(volumeOfTarget, targetVolume));
        addFoldersBelow(volumeOfTarget.root);
    }
    return chain;
}

bool Shell::moveToTrash(const QString& path, QString* inTrash)
{
    return Trash::moveToTrash(path, inTrash) == TrashStatus::Done;
}

QIcon Shell::icon(const ShellItem& place, IconSize size, bool open)
{
    QIcon icon;
    QFileIconProvider provider;
    switch (place.kind) {
    case PlaceKind::Desktop:
        icon = themeIcon({"user-desktop"});
        if (icon.isNull())
            icon = provider.icon(QAbstractFileIconProvider::Desktop);
        break;
    case PlaceKind::Home:
        icon = themeIcon({"user-home"});
        break;
    case PlaceKind::Computer:
        icon = themeIcon({"computer"});
        if (icon.isNull())
            icon = provider.icon(QAbstractFileIconProvider::Computer);
        break;
    case PlaceKind::Volume:
        switch (place.volumeType) {
        case VolumeType::CdRom:
            icon = themeIcon({"media-optical", "drive-optical"});
            break;
        case VolumeType::Floppy:
            icon = themeIcon({"media-floppy"});
            break;
        case VolumeType::Removable:
            icon = themeIcon({"drive-removable-media", "media-flash"});
            break;
        case VolumeType::Network:
            icon = themeIcon({"folder-remote", "network-server"});
            break;
        default:
            icon = themeIcon({"drive-harddisk"});
            break;
        }
        if (icon.isNull())
            icon = provider.icon(QAbstractFileIconProvider::Drive);
        break;
    case PlaceKind::Folder:
        break;
    }
    if (icon.isNull()) {
        if (open)
            icon = themeIcon({"folder-open"});
        if (icon.isNull()) {
            const QMimeType type = QMimeDatabase().mimeTypeForName(QStringLiteral("inode/directory"));
            icon = QIcon::fromTheme(type.iconName());
            if (icon.isNull())
                icon = QIcon::fromTheme(type.genericIconName());
        }
        if (icon.isNull())
            icon = place.path.isEmpty() ? provider.icon(QAbstractFileIconProvider::Folder)
                                        : provider.icon(QFileInfo(place.path));
    }
    const int side = static_cast<int>(size);
    QPixmap pixmap = icon.pixmap(side, side);
    // A theme may offer only smaller pictures; the caller's rows and cells are laid out for this size.
    if (!pixmap.isNull() && pixmap.width() != side && pixmap.height() != side)
        pixmap = pixmap.scaled(side, side, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    QIcon sized;
    sized.addPixmap(pixmap);
    return sized;
}

}  // namespace platform
