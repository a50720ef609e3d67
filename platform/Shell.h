#pragma once
// The place tree the folder tree shows: a small model of "where things are" on this machine.
//
// The root is the desktop (the XDG desktop folder, else the home folder). Its children are, in this
// order, the home folder, "コンピュータ" holding one place per mounted volume (in drive-index order),
// then the desktop folder's own sub-folders. Below a volume or a folder come its sub-folders; files are
// never places, and hidden folders (names starting with '.') are left out as a file manager does.
//
// Nothing is cached: every call asks the file system (and platform::Volumes) afresh, so the caller
// decides when to look again. A place is a plain value; two places are the same when their kind and
// path agree.

#include "platform/Volumes.h"

#include <QIcon>
#include <QString>

#include <vector>

namespace platform {

// The attribute bits of a place, at the values the program's callers test them with.
enum ShellAttribute : quint32 {
    SfgaoCanCopy = 0x00000001,
    SfgaoCanMove = 0x00000002,
    SfgaoCanLink = 0x00000004,
    SfgaoCanRename = 0x00000010,
    SfgaoCanDelete = 0x00000020,
    SfgaoHasPropSheet = 0x00000040,
    SfgaoDropTarget = 0x00000100,
    SfgaoShare = 0x00020000,
    SfgaoReadOnly = 0x00040000,
    SfgaoRemovable = 0x02000000,
    SfgaoFolder = 0x20000000,
    SfgaoFileSystem = 0x40000000,
    SfgaoHasSubFolder = 0x80000000,
};

// The bits the folder tree asks for and passes on to its bar.
inline constexpr quint32 FolderTreeAttributeMask = 0xE0020177;

enum class PlaceKind { Desktop, Home, Computer, Volume, Folder };

struct ShellItem {
    PlaceKind kind = PlaceKind::Folder;
    QString displayName;
    // The parsing name: an absolute path (a volume's ends in '/', a folder's does not). Empty for the
    // computer, which is no folder of the file system.
    QString path;
    quint32 attributes = 0;
    VolumeType volumeType = VolumeType::Unknown;  // volumes only
    int volumeIndex = -1;                         // volumes only: the drive index

    bool has(quint32 bits) const { return (attributes & bits) == bits; }
    bool isFileSystem() const { return has(SfgaoFileSystem); }
    bool sameAs(const ShellItem& other) const { return kind == other.kind && path == other.path; }
};

enum class IconSize { Small = 16, Large = 32 };

class Shell {
public:
    static constexpr const char* ComputerName = "コンピュータ";
    static constexpr const char* DesktopName = "デスクトップ";
    static constexpr const char* RemovableName = "リムーバブル ディスク";
    static constexpr const char* CdDriveName = "CD ドライブ";
    static constexpr const char* LocalDiskName = "ローカル ディスク";

    // The desktop folder (XDG desktop folder when it exists, else the home folder), without a trailing
    // slash; and the home folder.
    static QString desktopFolder();
    static QString homeFolder();

    static ShellItem desktop();
    static ShellItem home();
    static ShellItem computer();
    // A place for one volume of the list, `index` being its drive index.
    static ShellItem volume(const Volume& volume, int index);
    // A plain folder place for an existing folder (its path is cleaned; a trailing slash is dropped).
    static ShellItem folder(const QString& path);

    // The text a volume is shown by: a removable volume "リムーバブル ディスク (tag)"; a CD-ROM its label,
    // else "CD ドライブ", then " (tag)"; any other volume its label, else "ローカル ディスク", then
    // " (tag)". The tag stands where a drive letter would: the label, else the mount point's last
    // component, else the root itself.
    static QString volumeDisplayName(const Volume& volume);
    static QString volumeTag(const Volume& volume);

    // The sub-places of `parent`, sorted by compare(). False (and `out` empty) when the parent cannot be
    // listed: a folder that vanished, a drive without media, a folder without permission.
    static bool children(const ShellItem& parent, std::vector<ShellItem>& out);

    // Whether `place` can be listed at all right now (the probe of a drive).
    static bool canList(const ShellItem& place);

    // The order of two children of `parent`: <0, 0, >0. Below the desktop: home, computer, then the
    // folders; below the computer: drive index; below a folder or volume: case-insensitive natural
    // order of display names (so "100ABCDE" comes after "99ZZZZZZ").
    static int compare(const ShellItem& parent, const ShellItem& a, const ShellItem& b);
    static int naturalCompare(const QString& a, const QString& b);

    // The chain of places from the desktop down to `path`, for jumping to a path. The rule, first match
    // wins:
    //  - the desktop folder itself: the desktop alone;
    //  - below the desktop folder (when it is not the home folder) on the same volume: desktop, then the
    //    folders down from the desktop;
    //  - the home folder or below it, on the home folder's volume: desktop, home, the folders below;
    //  - on a listed volume: desktop, computer, the volume, the folders below its root;
    //  - anything else: the desktop alone.
    // The chain is built from the text of the path; the places need not exist (the tree stops where
    // its folders end).
    static std::vector<ShellItem> chainTo(const QString& path);

    // Moves `path` (a file or a whole folder) into its freedesktop trash (platform::Trash), where it can
    // be restored from. False, with `path` left where it was, when no trash can take it. `inTrash`
    // receives the new path.
    static bool moveToTrash(const QString& path, QString* inTrash = nullptr);

    // The icon of a place at the given size; `open` gives the open-folder form. The theme icon of the
    // place's kind (a folder's MIME type icon), else the platform's file icon.
    static QIcon icon(const ShellItem& place, IconSize size, bool open = false);
};

}  // namespace platform
