#include "fileops/FileOperationRunner.h"

#include "fileops/DuplicateNames.h"
#include "fileops/Progress.h"
#include "platform/MessageBox.h"
#include "platform/Trash.h"
#include "platform/Volumes.h"
#include "resources/UiResources.h"

#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <algorithm>
#include <optional>
#include <vector>

namespace fileops {

namespace {

// Large enough to keep the disk busy, small enough that cancel answers within a moment.
constexpr size_t CopyBlockBytes = 256 * 1024;

// The caption of the confirmation asked before a delete when the request has no title of its own.
const char* const DeleteCaption = "ファイルの削除";

// The resource strings of the write-protection message and its caption.
constexpr int WriteProtectedText = 20037;
constexpr int ErrorCaption = 20030;

class Descriptor {
public:
    explicit Descriptor(int fd = -1) : fd_(fd) {}
    ~Descriptor()
    {
        if (fd_ >= 0)
            ::close(fd_);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return fd_; }
    // Closes now and reports the close's own failure (a late write error on some file systems).
    int close()
    {
        const int rc = ::close(fd_);
        fd_ = -1;
        return rc;
    }

private:
    int fd_;
};

QByteArray encoded(const QString& path)
{
    return QFile::encodeName(path);
}

FileStatus fromErrno(int error)
{
    switch (error) {
    case ENOENT:
    case ENOTDIR:
        return FileStatus::SourceMissing;
    case EACCES:
    case EPERM:
    case EROFS:
        return FileStatus::PermissionDenied;
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
        return FileStatus::DiskFull;
    default:
        return FileStatus::Failed;
    }
}

// ENOENT while writing the destination means its folder vanished, not the source.
FileStatus destinationFromErrno(int error)
{
    const FileStatus status = fromErrno(error);
    return status == FileStatus::SourceMissing ? FileStatus::Failed : status;
}

bool present(const QString& path)
{
    const QFileInfo info(path);
    return info.exists() || info.isSymLink();
}

QString parentOf(const QString& path)
{
    return QFileInfo(path).absolutePath();
}

QString joined(const QString& folder, const QString& name)
{
    return folder.endsWith(QLatin1Char('/')) ? folder + name : folder + QLatin1Char('/') + name;
}

// Renames without ever replacing an existing entry, even one that appears after the check.
int renameNoReplace(const QString& from, const QString& to)
{
    const QByteArray a = encoded(from);
    const QByteArray b = encoded(to);
    if (::renameat2(AT_FDCWD, a.constData(), AT_FDCWD, b.constData(), RENAME_NOREPLACE) == 0)
        return 0;
    if (errno != EINVAL && errno != ENOSYS)
        return -1;
    // File systems without the flag: a hard link fails on an existing name just the same.
    if (::link(a.constData(), b.constData()) != 0) {
        if (errno != EPERM && errno != EXDEV)
            return -1;
        if (present(to)) {
            errno = EEXIST;
            return -1;
        }
        return ::rename(a.constData(), b.constData());
    }
    return ::unlink(a.constData());
}

int renameReplacing(const QString& from, const QString& to)
{
    return ::rename(encoded(from).constData(), encoded(to).constData());
}

// Makes a finished rename durable before anything depends on it (such as removing a moved source).
void syncFolder(const QString& folder)
{
    Descriptor dir(::open(encoded(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.get() >= 0)
        ::fsync(dir.get());
}

qint64 sizeOf(const QString& path)
{
    const QFileInfo info(path);
    if (!info.isDir() || info.isSymLink())
        return info.exists() ? info.size() : 0;
    qint64 sum = 0;
    QDirIterator it(path, QDir::Files | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        it.next();
        sum += it.fileInfo().size();
    }
    return sum;
}

// The path with every existing part resolved (links, "..") and the parts still to be made appended,
// so that a target inside a folder that does not exist yet is still placed correctly.
QString resolved(const QString& path)
{
    QString existing = QDir::cleanPath(QFileInfo(path).absoluteFilePath());
    QString tail;
    while (!QFileInfo::exists(existing) && existing != QLatin1String("/")) {
        const QFileInfo info(existing);
        tail = QLatin1Char('/') + info.fileName() + tail;
        existing = info.absolutePath();
    }
    const QString canonical = QFileInfo(existing).canonicalFilePath();
    return (canonical == QLatin1String("/") ? QString() : canonical) + tail;
}

bool isInside(const QString& path, const QString& folder)
{
    const QString inner = resolved(path);
    const QString outer = resolved(folder);
    return inner == outer || inner.startsWith(outer + QLatin1Char('/'));
}

QString failureText(FileStatus status, const QString& path, const QString& destination = {})
{
    const QString name = QFileInfo(path).fileName();
    switch (status) {
    case FileStatus::WriteProtected: {
        const QString text = UiResources::string(WriteProtectedText);
        return text.isEmpty() ? QStringLiteral("「%1」のあるメディアに書き込めません。").arg(name) : text;
    }
    case FileStatus::Corrupted:
        return QStringLiteral("「%1」のコピー「%2」が元のファイルと一致しませんでした。\n"
                              "このコピーは削除しました。")
            .arg(name, QFileInfo(destination).fileName());
    case FileStatus::SourceMissing:
        return QStringLiteral("「%1」が見つかりません。").arg(name);
    case FileStatus::PermissionDenied:
        return QStringLiteral("「%1」にアクセスできません。アクセス許可を確認してください。").arg(name);
    case FileStatus::DiskFull:
        return QStringLiteral("ディスクの空き領域が足りないため、「%1」を書き込めません。").arg(name);
    case FileStatus::DestinationExists:
        // The name in the way is the one to tell, not the file that wanted it.
        return QStringLiteral("「%1」という名前は既に使われています。")
            .arg(destination.isEmpty() ? name : QFileInfo(destination).fileName());
    case FileStatus::SameFile:
        return QStringLiteral("「%1」の移動先が移動元と同じです。").arg(name);
    case FileStatus::TrashUnavailable:
        return QStringLiteral("「%1」をごみ箱に移動できません。").arg(name);
    case FileStatus::InvalidRequest:
        return QStringLiteral("ファイル操作の指定が正しくありません。");
    default:
        return QStringLiteral("「%1」を処理できません。").arg(name);
    }
}

QString failureCaption(FileStatus status)
{
    const QString caption = status == FileStatus::WriteProtected ? UiResources::string(ErrorCaption) : QString();
    return caption.isEmpty() ? QStringLiteral("エラー") : caption;
}

bool writableByDefault(const QString& folder)
{
    struct statvfs info {};
    const QByteArray name = encoded(folder);
    if (::statvfs(name.constData(), &info) == 0 && (info.f_flag & ST_RDONLY) != 0)
        return false;
    return ::access(name.constData(), W_OK | X_OK) == 0;
}

// Reads `fd` from its start and hashes it; false on a read error.
bool hashFile(int fd, QCryptographicHash& hash, qint64& size)
{
    std::vector<char> block(CopyBlockBytes);
    size = 0;
    for (;;) {
        const ssize_t got = ::read(fd, block.data(), block.size());
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return false;
        if (got == 0)
            return true;
        hash.addData(QByteArrayView(block.data(), got));
        size += got;
    }
}

bool countsAsFailure(FileStatus status)
{
    return status != FileStatus::Done && status != FileStatus::Skipped && status != FileStatus::Cancelled;
}

} // namespace

FileOperationRunner::FileOperationRunner(Progress* progress, QWidget* owner)
    : progress_(progress), owner_(owner), writer_([](int fd, const char* data, size_t size) {
          return ::write(fd, data, size);
      }),
      writeProbe_(writableByDefault)
{
}

void FileOperationRunner::setWriter(Writer writer)
{
    writer_ = std::move(writer);
}

void FileOperationRunner::setWriteProbe(WriteProbe probe)
{
    writeProbe_ = probe ? std::move(probe) : WriteProbe(writableByDefault);
}

bool FileOperationRunner::deletesForGood(const QString& path)
{
    const std::optional<platform::Volume> volume = platform::Volumes::volumeOf(path);
    return volume && volume->type == platform::VolumeType::Removable;
}

bool FileOperationRunner::checkDeletable(const FileOperation& operation, FileResult& refused)
{
    for (const QString& source : operation.sources) {
        if (!present(source))
            continue; // reported as missing when its turn comes
        refused = {source, {}, FileStatus::WriteProtected};
        if (!writeProbe_(parentOf(source)))
            return false;
        if (!operation.allowUndo || deletesForGood(source))
            continue;
        switch (platform::Trash::check(source)) {
        case platform::TrashStatus::Done:
        case platform::TrashStatus::Missing:
            break;
        default:
            return false;
        }
    }
    return true;
}

bool FileOperationRunner::cancelled()
{
    return progress_ && progress_->cancelRequested();
}

void FileOperationRunner::advance(qint64 bytes)
{
    done_ += bytes;
    if (progress_)
        progress_->setProgress(done_, total_);
}

OperationResult FileOperationRunner::run(const FileOperation& operation)
{
    operation_ = &operation;
    overwrite_ = operation.noConfirmation ? Overwrite::Always : Overwrite::Ask;
    done_ = 0;
    total_ = 0;
    OperationResult result;

    const bool transfers = operation.kind == OperationKind::Copy || operation.kind == OperationKind::Move;
    const qsizetype wanted = operation.kind == OperationKind::Delete ? 0
                             : (transfers && !operation.multipleDestinations) ? 1
                                                                              : operation.sources.size();
    if ((operation.kind != OperationKind::Delete && operation.destinations.size() != wanted) ||
        operation.sources.isEmpty()) {
        result.status = FileStatus::InvalidRequest;
        if (!operation.noErrorUi)
            platform::messageBox(owner_, failureText(result.status, {}), QStringLiteral("エラー"),
                                 platform::MbOk | platform::MbIconStop);
        return result;
    }

    result.removesSource = operation.kind != OperationKind::Copy;
    if (operation.kind == OperationKind::Delete) {
        FileResult refused;
        if (!checkDeletable(operation, refused)) {
            result.status = FileStatus::WriteProtected;
            result.files.push_back(refused);
            if (!operation.noErrorUi)
                platform::messageBox(owner_, failureText(result.status, refused.source),
                                     failureCaption(result.status), platform::MbOk | platform::MbIconStop);
            operation_ = nullptr;
            return result;
        }
    }

    if (operation.kind == OperationKind::Delete && !operation.noConfirmation) {
        const bool forGood = !operation.allowUndo ||
                             std::any_of(operation.sources.begin(), operation.sources.end(), deletesForGood);
        const QString what = operation.sources.size() == 1
                                 ? QStringLiteral("「%1」").arg(QFileInfo(operation.sources.first()).fileName())
                                 : QStringLiteral("これらの %1 個の項目").arg(operation.sources.size());
        const QString text = forGood ? QStringLiteral("%1を完全に削除しますか?").arg(what)
                                     : QStringLiteral("%1をごみ箱に移動しますか?").arg(what);
        const QString caption =
            operation.progressTitle.isEmpty() ? QString::fromUtf8(DeleteCaption) : operation.progressTitle;
        if (platform::messageBox(owner_, text, caption, platform::MbYesNo | platform::MbIconQuestion) !=
            platform::IdYes) {
            result.aborted = true;
            result.status = FileStatus::Cancelled;
            return result;
        }
    }

    if (transfers) {
        for (const QString& source : operation.sources)
            total_ += sizeOf(source);
    } else {
        total_ = operation.sources.size();
    }
    if (progress_) {
        progress_->open(operation.progressTitle);
        progress_->setProgress(0, total_);
    }

    for (qsizetype i = 0; i < operation.sources.size(); ++i) {
        const QString& source = operation.sources[i];
        FileResult file{source, {}, FileStatus::Done};
        if (cancelled()) {
            result.aborted = true;
            result.status = FileStatus::Cancelled;
            break;
        }
        if (progress_)
            progress_->setItem(QFileInfo(source).fileName());
        switch (operation.kind) {
        case OperationKind::Copy:
        case OperationKind::Move: {
            file.destination = operation.multipleDestinations
                                   ? operation.destinations[i]
                                   : joined(operation.destinations.first(), QFileInfo(source).fileName());
            file.status = operation.kind == OperationKind::Copy ? copyEntry(source, file.destination)
                                                                : moveEntry(source, file.destination);
            break;
        }
        case OperationKind::Delete:
            file.status = deleteEntry(source, file.destination);
            advance(1);
            break;
        case OperationKind::Rename:
            file.destination = operation.destinations[i];
            if (!file.destination.contains(QLatin1Char('/')))
                file.destination = joined(parentOf(source), file.destination);
            file.status = renameEntry(source, file.destination);
            advance(1);
            break;
        }
        result.files.push_back(file);
        if (file.status == FileStatus::Cancelled) {
            result.aborted = true;
            result.status = FileStatus::Cancelled;
            break;
        }
        if (countsAsFailure(file.status)) {
            result.status = file.status;
            break;
        }
    }

    if (progress_)
        progress_->close();
    if (countsAsFailure(result.status) && !operation.noErrorUi) {
        const FileResult last = result.files.empty() ? FileResult{} : result.files.back();
        platform::messageBox(owner_, failureText(result.status, last.source, last.destination),
                             failureCaption(result.status), platform::MbOk | platform::MbIconStop);
    }
    operation_ = nullptr;
    return result;
}

FileStatus FileOperationRunner::resolveCollision(const QString& source, QString& target, bool& replace)
{
    replace = false;
    if (!present(target))
        return FileStatus::Done;
    if (operation_->renameOnCollision) {
        target = DuplicateNames::copyName(parentOf(target), QFileInfo(target).fileName());
        return FileStatus::Done;
    }
    const QFileInfo from(source);
    const QFileInfo to(target);
    if (from.isDir() && to.isDir())
        return FileStatus::Done; // folders merge; their files ask one by one
    if (from.isDir() != to.isDir())
        return FileStatus::DestinationExists; // a file never replaces a folder, nor a folder a file
    if (overwrite_ == Overwrite::Ask) {
        const int answer = platform::messageBox(
            owner_, QStringLiteral("「%1」は既にあります。\n\n置き換えますか?").arg(to.fileName()),
            QStringLiteral("上書きの確認"), platform::MbYesNoCancel | platform::MbIconExclamation);
        if (answer == platform::IdNo)
            return FileStatus::Skipped;
        if (answer != platform::IdYes)
            return FileStatus::Cancelled;
    }
    replace = true;
    return FileStatus::Done;
}

FileStatus FileOperationRunner::prepareTarget(const QString& source, QString& target, bool& replace)
{
    const FileStatus settled = resolveCollision(source, target, replace);
    if (settled != FileStatus::Done) {
        if (settled == FileStatus::Skipped)
            advance(sizeOf(source));
        return settled;
    }
    if (!QDir().mkpath(parentOf(target)))
        return FileStatus::PermissionDenied;
    return FileStatus::Done;
}

FileStatus FileOperationRunner::copyEntry(const QString& source, QString& target)
{
    const QFileInfo from(source);
    if (!present(source))
        return FileStatus::SourceMissing;
    if (from.isDir() && isInside(target, source))
        return FileStatus::InvalidRequest; // a folder copied into itself would never end
    // A copy onto its own source would truncate it; it gets the duplicate name instead.
    if (!from.isDir() && QFileInfo(target).exists() &&
        QFileInfo(target).canonicalFilePath() == from.canonicalFilePath())
        target = DuplicateNames::copyName(parentOf(target), QFileInfo(target).fileName());
    bool replace = false;
    if (const FileStatus settled = prepareTarget(source, target, replace); settled != FileStatus::Done)
        return settled;
    return from.isDir() ? copyFolder(source, target) : copyFile(source, target, replace);
}

FileStatus FileOperationRunner::copyFolder(const QString& source, const QString& target)
{
    if (!QFileInfo(target).isDir() && ::mkdir(encoded(target).constData(), 0777) != 0)
        return destinationFromErrno(errno);
    const QStringList entries = QDir(source).entryList(
        QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
    for (const QString& name : entries) {
        if (cancelled())
            return FileStatus::Cancelled;
        QString child = joined(target, name);
        const FileStatus status = copyEntry(joined(source, name), child);
        if (status != FileStatus::Done && status != FileStatus::Skipped)
            return status;
    }
    return FileStatus::Done;
}

FileStatus FileOperationRunner::copyFile(const QString& source, const QString& target, bool replace)
{
    // Non-blocking, so that a named pipe or a device among the files cannot hang the operation; such
    // entries are refused below, only regular files are copied.
    Descriptor in(::open(encoded(source).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    if (in.get() < 0)
        return fromErrno(errno);
    struct stat info {};
    if (::fstat(in.get(), &info) != 0)
        return fromErrno(errno);
    if (!S_ISREG(info.st_mode))
        return FileStatus::Failed;

    // The hidden temporary name sits next to the target so that the final rename stays on one file
    // system and is atomic.
    QByteArray temporary =
        encoded(joined(parentOf(target), QStringLiteral(".") + QFileInfo(target).fileName())) + ".XXXXXX";
    Descriptor out(::mkostemp(temporary.data(), O_CLOEXEC));
    if (out.get() < 0)
        return destinationFromErrno(errno);

    FileStatus status = FileStatus::Done;
    const bool verify = operation_ && operation_->verifyCopies;
    // What was read from the source, which the copy read back must match.
    QCryptographicHash sourceHash(QCryptographicHash::Sha256);
    qint64 sourceSize = 0;
    std::vector<char> block(CopyBlockBytes);
    for (;;) {
        const ssize_t got = ::read(in.get(), block.data(), block.size());
        if (got < 0) {
            if (errno == EINTR)
                continue;
            status = FileStatus::Failed;
            break;
        }
        if (got == 0)
            break;
        if (verify) {
            sourceHash.addData(QByteArrayView(block.data(), got));
            sourceSize += got;
        }
        ssize_t written = 0;
        while (written < got) {
            const ssize_t n = writer_(out.get(), block.data() + written, static_cast<size_t>(got - written));
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0) {
                status = n == 0 ? FileStatus::DiskFull : destinationFromErrno(errno);
                break;
            }
            written += n;
        }
        if (status != FileStatus::Done)
            break;
        advance(got);
        if (cancelled()) {
            status = FileStatus::Cancelled;
            break;
        }
    }

    if (status == FileStatus::Done) {
        ::fchmod(out.get(), info.st_mode & 0777);
        // The copy keeps the picture's date, which the backup and the thumbnail view sort by.
        const struct timespec times[2] = {info.st_atim, info.st_mtim};
        ::futimens(out.get(), times);
        if (::fsync(out.get()) != 0)
            status = destinationFromErrno(errno);
        else if (verify)
            // Flushed pages dropped from the cache, so that the read-back comes from the medium.
            ::posix_fadvise(out.get(), 0, 0, POSIX_FADV_DONTNEED);
    }
    if (out.close() != 0 && status == FileStatus::Done)
        status = destinationFromErrno(errno);
    const QString temporaryPath = QFile::decodeName(temporary);
    if (status == FileStatus::Done && verify) {
        Descriptor back(::open(temporary.constData(), O_RDONLY | O_CLOEXEC));
        QCryptographicHash copyHash(QCryptographicHash::Sha256);
        qint64 copySize = 0;
        if (back.get() < 0 || !hashFile(back.get(), copyHash, copySize))
            status = FileStatus::Failed;
        else if (copySize != sourceSize || copyHash.result() != sourceHash.result())
            status = FileStatus::Corrupted;
    }
    if (status == FileStatus::Done) {
        const int rc = replace ? renameReplacing(temporaryPath, target) : renameNoReplace(temporaryPath, target);
        if (rc != 0)
            status = errno == EEXIST ? FileStatus::DestinationExists : destinationFromErrno(errno);
    }
    if (status != FileStatus::Done) {
        ::unlink(temporary.constData());
        return status;
    }
    syncFolder(parentOf(target));
    return FileStatus::Done;
}

FileStatus FileOperationRunner::moveEntry(const QString& source, QString& target)
{
    const QFileInfo from(source);
    if (!present(source))
        return FileStatus::SourceMissing;
    if (present(target) && QFileInfo(target).canonicalFilePath() == from.canonicalFilePath())
        return FileStatus::SameFile;
    if (from.isDir() && isInside(target, source))
        return FileStatus::InvalidRequest;
    bool replace = false;
    if (const FileStatus settled = prepareTarget(source, target, replace); settled != FileStatus::Done)
        return settled;

    if (from.isDir() && QFileInfo(target).isDir()) {
        // Merging into an existing folder: move the entries one by one, then drop the emptied source.
        const QStringList entries = QDir(source).entryList(
            QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
        for (const QString& name : entries) {
            if (cancelled())
                return FileStatus::Cancelled;
            QString child = joined(target, name);
            const FileStatus status = moveEntry(joined(source, name), child);
            if (status != FileStatus::Done && status != FileStatus::Skipped)
                return status;
        }
        QDir().rmdir(source); // stays when a skipped entry is left in it
        return FileStatus::Done;
    }

    const qint64 size = sizeOf(source);
    const int rc = replace ? renameReplacing(source, target) : renameNoReplace(source, target);
    if (rc == 0) {
        advance(size);
        return FileStatus::Done;
    }
    if (errno != EXDEV)
        return errno == EEXIST ? FileStatus::DestinationExists : fromErrno(errno);

    // Another file system: copy completely (flushed inside copyFile), then remove the source.
    const FileStatus copied = from.isDir() ? copyFolder(source, target) : copyFile(source, target, replace);
    if (copied != FileStatus::Done)
        return copied;
    const bool removed = from.isDir() && !from.isSymLink() ? QDir(source).removeRecursively()
                                                           : ::unlink(encoded(source).constData()) == 0;
    return removed ? FileStatus::Done : FileStatus::PermissionDenied;
}

FileStatus FileOperationRunner::deleteEntry(const QString& path, QString& inTrash)
{
    const QFileInfo info(path);
    if (!present(path))
        return FileStatus::SourceMissing;
    if (operation_->allowUndo && !deletesForGood(path)) {
        switch (platform::Trash::moveToTrash(path, &inTrash)) {
        case platform::TrashStatus::Done:
            return FileStatus::Done;
        case platform::TrashStatus::Missing:
            return FileStatus::SourceMissing;
        case platform::TrashStatus::ReadOnly:
            return FileStatus::WriteProtected;
        default:
            return FileStatus::TrashUnavailable;
        }
    }
    if (info.isDir() && !info.isSymLink())
        return QDir(path).removeRecursively() ? FileStatus::Done : FileStatus::PermissionDenied;
    return ::unlink(encoded(path).constData()) == 0 ? FileStatus::Done : fromErrno(errno);
}

FileStatus FileOperationRunner::renameEntry(const QString& source, QString& target)
{
    if (QFileInfo(target).fileName().isEmpty())
        return FileStatus::InvalidRequest;
    if (!present(source))
        return FileStatus::SourceMissing;
    if (QFileInfo(source).absoluteFilePath() == QFileInfo(target).absoluteFilePath())
        return FileStatus::Done;
    // On a case-blind card file system a change of case finds "itself" under the new name.
    if (present(target) && QFileInfo(target).canonicalFilePath() == QFileInfo(source).canonicalFilePath())
        return renameReplacing(source, target) == 0 ? FileStatus::Done : fromErrno(errno);
    if (present(target)) {
        if (!operation_->renameOnCollision)
            return FileStatus::DestinationExists;
        target = DuplicateNames::copyName(parentOf(target), QFileInfo(target).fileName());
    }
    if (renameNoReplace(source, target) == 0)
        return FileStatus::Done;
    return errno == EEXIST ? FileStatus::DestinationExists : fromErrno(errno);
}

} // namespace fileops
