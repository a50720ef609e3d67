#pragma once
// The frame's undo record: the last copy, move or delete the program carried out, with its source and
// destination lists, and the undo itself.
//
// Undoing a move moves the files back; undoing a copy deletes the copies (to the trash where there is
// one); a delete is not undone by the program (the files are in the trash, or gone from a card), the
// record is only cleared. Files changed since are handled file by file: what is gone is skipped.

#include <QString>
#include <QStringList>

class QWidget;

namespace fileops {
class Progress;
}

struct LastFileOperation {
    enum Kind { None = 0, Move = 1, Copy = 2, Delete = 3 };

    Kind kind = None;
    QStringList sources;
    QStringList destinations;  // empty for a delete

    bool isEmpty() const { return kind == None; }
    void clear() { *this = {}; }

    // Carries out the undo; false when the user aborted it. The record is cleared either way.
    bool undo(QWidget* owner, fileops::Progress* progress = nullptr);
};
