#pragma once
// Messages about missing libraries that were met where no box may be shown: on the loader's worker, in
// a paint, under the list's or the store's lock. A box runs an event loop of its own, which repaints the
// list and lets the worker on; shown from any of those places it can deadlock the window or answer for
// the worker. They wait here and the GUI thread shows them from its event loop, once per library for
// the life of the collector, no matter how many files (or which of its exports) met it missing.

#include "browser/ItemFacts.h"

#include <QSet>
#include <QString>

#include <deque>
#include <mutex>

class LibraryNotices {
public:
    // Any thread. True when the message is new: the caller then asks the GUI thread to show it.
    bool add(const LibraryMessage& message);
    // GUI thread, from its event loop, holding no lock: shows every waiting message through
    // platform::messageBox. A call made while one of its boxes is open leaves the rest to the open one.
    void showWaiting();
    // The messages met so far (shown or waiting).
    int count() const;

private:
    mutable std::mutex mutex_;
    QSet<QString> seen_;
    std::deque<LibraryMessage> waiting_;
    bool showing_ = false;
};
