#include "app/LastFileOperation.h"

#include "fileops/FileOperationRunner.h"

#include <QFileInfo>

bool LastFileOperation::undo(QWidget* owner, fileops::Progress* progress)
{
    fileops::FileOperation operation;
    operation.noConfirmation = true;
    // Only what is still there can go back; a file the user removed since is no failure.
    for (int i = 0; i < destinations.size(); ++i) {
        if (!QFileInfo::exists(destinations[i]))
            continue;
        operation.sources << destinations[i];
        if (kind == Move)
            operation.destinations << sources.value(i);
    }
    bool aborted = false;
    if (kind == Move && !operation.sources.isEmpty()) {
        operation.kind = fileops::OperationKind::Move;
        operation.multipleDestinations = true;
        aborted = fileops::FileOperationRunner(progress, owner).run(operation).aborted;
    } else if (kind == Copy && !operation.sources.isEmpty()) {
        operation.kind = fileops::OperationKind::Delete;
        operation.allowUndo = true;
        aborted = fileops::FileOperationRunner(progress, owner).run(operation).aborted;
    }
    clear();
    return !aborted;
}
