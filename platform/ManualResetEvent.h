#pragma once
// An event that stays signalled until it is reset, as the loader's pause and exit requests need: any
// number of waiters pass while it is set.

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>

namespace platform {

class ManualResetEvent {
public:
    ManualResetEvent(std::string name, bool initiallySet) : name_(std::move(name)), set_(initiallySet) {}

    void set()
    {
        {
            std::lock_guard guard(mutex_);
            set_ = true;
        }
        changed_.notify_all();
    }
    void reset()
    {
        std::lock_guard guard(mutex_);
        set_ = false;
    }
    bool isSet() const
    {
        std::lock_guard guard(mutex_);
        return set_;
    }
    void wait() const
    {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [this] { return set_; });
    }
    // True when the event was (or became) set within the time.
    bool waitFor(std::chrono::milliseconds timeout) const
    {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, timeout, [this] { return set_; });
    }
    const std::string& name() const { return name_; }

private:
    std::string name_;
    mutable std::mutex mutex_;
    mutable std::condition_variable changed_;
    bool set_;
};

}  // namespace platform
