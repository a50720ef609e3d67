#pragma once
// One request to the file operation service and what came of it, file by file.
//
// A request names its sources and either one destination folder or, with `multipleDestinations`, one
// destination path per source. Rename takes one new path (or bare new name) per source.

#include <QString>
#include <QStringList>

#include <vector>

namespace fileops {

enum class OperationKind { Move = 1, Copy = 2, Delete = 3, Rename = 4 };

struct FileOperation {
    OperationKind kind = OperationKind::Copy;
    QStringList sources;
    QStringList destinations;
    bool multipleDestinations = false; // destinations holds one path per source
    bool allowUndo = false;            // deletes go to the trash instead of vanishing
    bool renameOnCollision = false;    // an existing target gives a "copy of" name instead of a question
    bool noConfirmation = false;       // overwrite and delete without asking
    bool noErrorUi = false;            // failures are only reported in the result, never shown
    // Each copied file is read back after it was flushed and compared with what was read from the
    // source (size and SHA-256); a copy that differs is discarded and reported as Corrupted.
    bool verifyCopies = false;
    QString progressTitle;
};

enum class FileStatus {
    Done,
    Skipped,           // the user kept the existing destination
    Cancelled,         // the user stopped the operation while this file was in work
    SourceMissing,     // the source vanished or never existed
    PermissionDenied,
    DiskFull,
    DestinationExists, // a rename whose new name is taken
    SameFile,          // moving or renaming a file onto itself
    TrashUnavailable,  // no trash could take the file; it stays where it was
    WriteProtected,    // the volume or its trash cannot be written; checked before anything changed
    Corrupted,         // the copy read back differs from its source; the copy was removed
    InvalidRequest,    // destinations do not match sources, or an empty name
    Failed,            // any other read or write error
};

struct FileResult {
    QString source;
    // The final path, after any collision renaming. For a delete: the entry's path in the trash, or
    // empty when it was deleted for good.
    QString destination;
    FileStatus status = FileStatus::Done;
};

struct OperationResult {
    // True when the user stopped the operation: declined a question or clicked cancel.
    bool aborted = false;
    FileStatus status = FileStatus::Done; // the first failure, or Done / Cancelled
    std::vector<FileResult> files;        // every file looked at, in request order

    bool succeeded() const { return !aborted && status == FileStatus::Done; }

    // The sources that no longer exist where they were because of this operation: deleted (for good or
    // into the trash), moved or renamed. Sources the operation did not reach are not listed.
    QStringList goneSources() const
    {
        QStringList gone;
        for (const FileResult& file : files)
            if (file.status == FileStatus::Done && file.destination != file.source && removesSource)
                gone << file.source;
        return gone;
    }

    bool removesSource = false; // set by the service for moves, deletes and renames
};

} // namespace fileops
