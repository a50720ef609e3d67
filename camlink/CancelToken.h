#pragma once
// A cancel request shared between the thread that waits and the one that cancels; waiting on it ends
// early when the request comes.

#include <chrono>
#include <condition_variable>
#include <mutex>

namespace camlink {

class CancelToken {
public:
    void cancel()
    {
        {
            std::lock_guard lock(mutex_);
            cancelled_ = true;
        }
        changed_.notify_all();
    }
    void reset()
    {
        std::lock_guard lock(mutex_);
        cancelled_ = false;
    }
    bool cancelled() const
    {
        std::lock_guard lock(mutex_);
        return cancelled_;
    }
    // Waits up to `duration`; true when cancelled (before or meanwhile).
    bool waitFor(std::chrono::milliseconds duration) const
    {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, duration, [this] { return cancelled_; });
    }

private:
    mutable std::mutex mutex_;
    mutable std::condition_variable changed_;
    bool cancelled_ = false;
};

}  // namespace camlink
