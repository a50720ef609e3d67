#include "platform/Trash.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QUrl>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

namespace platform {

namespace {

// A trash crowded with this many entries of one name is a sign of something wrong, not a reason to
// keep trying.
constexpr int MaxNameAttempts = 10000;

QByteArray encoded(const QString& path)
{
    return QFile::encodeName(path);
}

// Mount points in /proc/self/mountinfo escape blanks, tabs, newlines and backslashes as octal.
QString unescapeMountPoint(const QByteArray& field)
{
    QByteArray out;
    out.reserve(field.size());
    for (qsizetype i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 3 < field.size()) {
            const QByteArray digits = field.mid(i + 1, 3);
            bool ok = false;
            const int value = digits.toInt(&ok, 8);
            if (ok && digits.size() == 3 && value < 256) {
                out.append(static_cast<char>(value));
                i += 3;
                continue;
            }
        }
        out.append(field[i]);
    }
    return QFile::decodeName(out);
}

// The folder an entry sits in, resolved, so that a link being trashed is judged by where the link is
// and not by where it points.
QString resolvedParent(const QString& path)
{
    const QFileInfo info(QDir::cleanPath(QFileInfo(path).absoluteFilePath()));
    const QString parent = QFileInfo(info.absolutePath()).canonicalFilePath();
    return parent.isEmpty() ? info.absolutePath() : parent;
}

// The nearest existing folder at or above `path`, resolved.
QString existingPart(const QString& path)
{
    QString part = QDir::cleanPath(QFileInfo(path).absoluteFilePath());
    while (!QFileInfo::exists(part) && part != QLatin1String("/"))
        part = QFileInfo(part).absolutePath();
    const QString canonical = QFileInfo(part).canonicalFilePath();
    return canonical.isEmpty() ? part : canonical;
}

bool isUnder(const QString& path, const QString& folder)
{
    if (folder == QLatin1String("/"))
        return path.startsWith(QLatin1Char('/'));
    return path == folder || path.startsWith(folder + QLatin1Char('/'));
}

QString homeDataFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
}

QString uidText()
{
    return QString::number(::getuid());
}

bool isPrivateFolder(const QString& path)
{
    struct stat info {};
    return ::lstat(encoded(path).constData(), &info) == 0 && S_ISDIR(info.st_mode);
}

// Makes a folder of the trash, readable only by its owner as the format asks.
bool makeFolder(const QString& path)
{
    if (isPrivateFolder(path))
        return true;
    return ::mkdir(encoded(path).constData(), 0700) == 0 || (errno == EEXIST && isPrivateFolder(path));
}

bool writable(const QString& folder)
{
    return ::access(encoded(folder).constData(), W_OK | X_OK) == 0;
}

bool onReadOnlyMount(const QString& folder)
{
    struct statvfs info {};
    return ::statvfs(encoded(folder).constData(), &info) == 0 && (info.f_flag & ST_RDONLY) != 0;
}

// Makes the trash's folders; false when any of them cannot be made or written.
bool prepare(const TrashLocation& trash)
{
    if (trash.home && !QDir().mkpath(QFileInfo(trash.folder).absolutePath()))
        return false;
    for (const QString& folder :
         {trash.folder, trash.folder + QStringLiteral("/files"), trash.folder + QStringLiteral("/info")}) {
        if (!makeFolder(folder) || !writable(folder))
            return false;
    }
    return true;
}

// "IMG.JPG", "IMG (2).JPG", "IMG (3).JPG"...; the dot of a hidden name is no extension.
QString candidateName(const QString& name, int attempt)
{
    if (attempt == 1)
        return name;
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    const QString number = QStringLiteral(" (%1)").arg(attempt);
    if (dot <= 0)
        return name + number;
    return name.left(dot) + number + name.mid(dot);
}

int renameNoReplace(const QByteArray& from, const QByteArray& to)
{
    if (::renameat2(AT_FDCWD, from.constData(), AT_FDCWD, to.constData(), RENAME_NOREPLACE) == 0)
        return 0;
    if (errno != EINVAL && errno != ENOSYS)
        return -1;
    struct stat info {};
    if (::lstat(to.constData(), &info) == 0) {
        errno = EEXIST;
        return -1;
    }
    return ::rename(from.constData(), to.constData());
}

bool writeAll(int fd, const QByteArray& data)
{
    qsizetype written = 0;
    while (written < data.size()) {
        const ssize_t n = ::write(fd, data.constData() + written, static_cast<size_t>(data.size() - written));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        written += n;
    }
    return true;
}

void syncFolder(const QString& folder)
{
    const int fd = ::open(encoded(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

TrashStatus fromErrno(int error)
{
    switch (error) {
    case ENOENT:
        return TrashStatus::Missing;
    case EROFS:
    case EACCES:
    case EPERM:
        return TrashStatus::ReadOnly;
    case EXDEV:
        return TrashStatus::NoTrash;
    default:
        return TrashStatus::Failed;
    }
}

}  // namespace

QString Trash::mountPointOf(const QString& path)
{
    const QString resolved = existingPart(path);
    QFile table(QStringLiteral("/proc/self/mountinfo"));
    QString best = QStringLiteral("/");
    if (!table.open(QIODevice::ReadOnly))
        return best;
    // Read whole: the file is generated as it is read, and short reads of it are normal.
    const QByteArray text = table.readAll();
    for (const QByteArray& line : text.split('\n')) {
        const QList<QByteArray> fields = line.split(' ');
        if (fields.size() < 5)
            continue;
        const QString mountPoint = unescapeMountPoint(fields[4]);
        if (isUnder(resolved, mountPoint) && mountPoint.size() > best.size())
            best = mountPoint;
    }
    return best;
}

TrashLocation Trash::locate(const QString& path)
{
    const QString parent = resolvedParent(path);
    const QString top = mountPointOf(parent);
    const QString data = homeDataFolder();
    if (!data.isEmpty() && mountPointOf(data) == top)
        return {data + QStringLiteral("/Trash"), top, true};

    const QString base = top == QLatin1String("/") ? QString() : top;
    // An administrator's shared trash counts only when it is a real folder with the sticky bit, so that
    // nobody can plant a link that sends the user's files elsewhere.
    struct stat shared {};
    const QString sharedPath = base + QStringLiteral("/.Trash");
    if (::lstat(encoded(sharedPath).constData(), &shared) == 0 && S_ISDIR(shared.st_mode) &&
        (shared.st_mode & S_ISVTX) != 0) {
        const QString own = sharedPath + QLatin1Char('/') + uidText();
        if (makeFolder(own))
            return {own, top, false};
    }
    return {base + QStringLiteral("/.Trash-") + uidText(), top, false};
}

TrashStatus Trash::check(const QString& path)
{
    struct stat info {};
    if (::lstat(encoded(path).constData(), &info) != 0)
        return TrashStatus::Missing;
    const QString parent = resolvedParent(path);
    if (onReadOnlyMount(parent) || !writable(parent))
        return TrashStatus::ReadOnly;
    return prepare(locate(path)) ? TrashStatus::Done : TrashStatus::NoTrash;
}

QByteArray Trash::infoText(const QString& originalPath, const QDateTime& deletionDate)
{
    QByteArray text("[Trash Info]\nPath=");
    text += QUrl::toPercentEncoding(originalPath, "/");
    text += "\nDeletionDate=";
    text += deletionDate.toString(QStringLiteral("yyyy-MM-ddThh:mm:ss")).toLatin1();
    text += '\n';
    return text;
}

TrashStatus Trash::moveToTrash(const QString& path, QString* inTrash)
{
    if (const TrashStatus ready = check(path); ready != TrashStatus::Done)
        return ready;
    const TrashLocation trash = locate(path);
    const QString parent = resolvedParent(path);
    const QString name = QFileInfo(QDir::cleanPath(path)).fileName();
    if (name.isEmpty() || name == QLatin1String("..") || name == QLatin1String("."))
        return TrashStatus::Failed; // a root or a relative step names no entry of its own
    const QString original = parent == QLatin1String("/") ? QLatin1Char('/') + name : parent + QLatin1Char('/') + name;
    const QString recorded = trash.home || trash.top == QLatin1String("/")
                                 ? original
                                 : original.mid(trash.top.size() + (trash.top.endsWith(QLatin1Char('/')) ? 0 : 1));
    const QByteArray info = infoText(recorded, QDateTime::currentDateTime());
    const QString files = trash.folder + QStringLiteral("/files/");
    const QString infos = trash.folder + QStringLiteral("/info/");

    for (int attempt = 1; attempt <= MaxNameAttempts; ++attempt) {
        const QString candidate = candidateName(name, attempt);
        const QByteArray infoPath = encoded(infos + candidate + QStringLiteral(".trashinfo"));
        // Creating the info file exclusively is what claims the name.
        const int fd = ::open(infoPath.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd < 0) {
            if (errno == EEXIST)
                continue;
            return TrashStatus::NoTrash;
        }
        const bool written = writeAll(fd, info) && ::fsync(fd) == 0;
        if (::close(fd) != 0 || !written) {
            ::unlink(infoPath.constData());
            return TrashStatus::NoTrash;
        }
        const QString target = files + candidate;
        if (renameNoReplace(encoded(original), encoded(target)) != 0) {
            const int error = errno;
            ::unlink(infoPath.constData());
            if (error == EEXIST || error == ENOTEMPTY)
                continue; // a stray entry without its info file holds the name
            return fromErrno(error);
        }
        syncFolder(files);
        syncFolder(parent);
        if (inTrash)
            *inTrash = target;
        return TrashStatus::Done;
    }
    return TrashStatus::Failed;
}

}  // namespace platform
