#pragma once
// The small progress window that long card operations poll between steps: a text line, a percentage,
// a bar and a cancel control. The operations only talk to this interface; the window itself (and a
// silent stand-in for saves without a window) implement it.
//
// Cancellation contract: an operation calls cancelRequested() between two steps, never inside one, and
// on true it undoes or finishes off the current step as its own contract says, then closes the window.

#include <QString>

namespace fileops {

class Progress {
public:
    virtual ~Progress() = default;

    // Creates and shows the window with its text line.
    virtual void open(const QString& text) = 0;
    // The item being worked on (a file name), shown under the text.
    virtual void setItem(const QString& name) = 0;
    // `done` of `total` steps; the window shows the percentage ("%d%").
    virtual void setProgress(qint64 done, qint64 total) = 0;
    // True once the user has clicked cancel. Handles the window's pending input first.
    virtual bool cancelRequested() = 0;
    virtual void close() = 0;
};

} // namespace fileops
