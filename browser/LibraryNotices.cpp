#include "browser/LibraryNotices.h"

#include "platform/MessageBox.h"

bool LibraryNotices::add(const LibraryMessage& message)
{
    std::lock_guard guard(mutex_);
    const QString key = message.library.isEmpty() ? message.caption + QChar(0) + message.text : message.library;
    if (seen_.contains(key))
        return false;
    seen_.insert(key);
    waiting_.push_back(message);
    return true;
}

void LibraryNotices::showWaiting()
{
    {
        std::lock_guard guard(mutex_);
        if (showing_)
            return;
        showing_ = true;
    }
    for (;;) {
        LibraryMessage message;
        {
            std::lock_guard guard(mutex_);
            if (waiting_.empty()) {
                showing_ = false;
                return;
            }
            message = waiting_.front();
            waiting_.pop_front();
        }
        platform::messageBox(nullptr, message.text, message.caption, message.style);
    }
}

int LibraryNotices::count() const
{
    std::lock_guard guard(mutex_);
    return static_cast<int>(seen_.size());
}
