#pragma once
// The program's own file operation service: copies, moves, deletes and renames file by file, with a
// progress window, the overwrite question and an "aborted" answer.
//
// Strategy: a user's file is never lost or left half-written. A copy is written to a hidden temporary
// name in the destination folder, flushed to the disk, and only then renamed into place, so a failed or
// cancelled copy leaves nothing behind and never touches the source. A move within one file system is a
// rename; across file systems it is a copy, and the source is removed only after the copy is complete
// and flushed. Deletes that allow undo go to the trash and never fall back to deleting for good.
//
// The operation stops at the first failure; files already finished stay finished. Unless the request
// says `noErrorUi`, that failure is shown in one message box, as the caller expects the service to
// report its own errors.
//
// Cancellation contract: between two files and between two blocks of a copy the progress window is
// asked whether the user cancelled. The file in work is then discarded (its temporary copy removed),
// and the result is "aborted".

#include "fileops/FileOperation.h"

#include <sys/types.h>

#include <cstddef>
#include <functional>

class QWidget;

namespace fileops {

class Progress;

class FileOperationRunner {
public:
    // Writes bytes to a file descriptor like ::write: the seam through which tests fill up a disk.
    using Writer = std::function<ssize_t(int fd, const char* data, size_t size)>;

    // `progress` may be null (no window); `owner` parents the questions and error boxes.
    explicit FileOperationRunner(Progress* progress = nullptr, QWidget* owner = nullptr);

    void setWriter(Writer writer);

    // Tells whether the folder of an entry can be written: the seam through which tests present a
    // write-protected card where the file system cannot make one. The default asks the file system.
    using WriteProbe = std::function<bool(const QString& folder)>;
    void setWriteProbe(WriteProbe probe);

    // Whether a delete that allows undo removes `path` for good (it lies on a removable volume).
    static bool deletesForGood(const QString& path);

    OperationResult run(const FileOperation& operation);

private:
    enum class Overwrite { Ask, Always };

    FileStatus copyEntry(const QString& source, QString& target);
    FileStatus moveEntry(const QString& source, QString& target);
    FileStatus copyFile(const QString& source, const QString& target, bool replace);
    FileStatus copyFolder(const QString& source, const QString& target);
    FileStatus deleteEntry(const QString& path, QString& inTrash);
    // The write-protection check of a delete; the first entry that cannot be deleted, with its status.
    bool checkDeletable(const FileOperation& operation, FileResult& refused);
    FileStatus renameEntry(const QString& source, QString& target);
    // Settles an existing target: renames it away, asks, or lets it be replaced. Done means "go on".
    FileStatus resolveCollision(const QString& source, QString& target, bool& replace);
    // Settles the collision and makes the target's folder; a skipped entry counts as done for the
    // progress. Done means "go on".
    FileStatus prepareTarget(const QString& source, QString& target, bool& replace);
    bool cancelled();
    void advance(qint64 bytes);

    Progress* progress_;
    QWidget* owner_;
    Writer writer_;
    WriteProbe writeProbe_;
    const FileOperation* operation_ = nullptr;
    Overwrite overwrite_ = Overwrite::Ask;
    qint64 done_ = 0;
    qint64 total_ = 0;
};

} // namespace fileops
