#include "QueuedControlSite.h"

#include <iostream>
#include <stdexcept>

namespace veilcraft::component {

QueuedControlSite::QueuedControlSite(ErrorDisplay display)
    : hostThread_(std::this_thread::get_id()), display_(std::move(display))
{
}

void QueuedControlSite::PostToHostThread(std::function<void()> task)
{
    {
        const std::lock_guard lock(mutex_);
        tasks_.push_back(std::move(task));
    }
    posted_.notify_all();
}

bool QueuedControlSite::IsHostThread() const
{
    return std::this_thread::get_id() == hostThread_;
}

void QueuedControlSite::ShowErrorMessage(const std::string& description, const std::string& source)
{
    if (display_)
        display_(description, source);
    else
        std::cerr << (source.empty() ? std::string() : source + ": ") << description << '\n';
}

bool QueuedControlSite::ContinueWork()
{
    return !continueCheck_ || continueCheck_();
}

void QueuedControlSite::WorkProgress(std::uint64_t filesDone, const std::string& name)
{
    if (progressReport_)
        progressReport_(filesDone, name);
}

void QueuedControlSite::requireHostThread() const
{
    if (!IsHostThread())
        throw std::logic_error("posted control tasks run only on the host thread");
}

std::size_t QueuedControlSite::runPending()
{
    requireHostThread();
    std::size_t count = 0;
    {
        const std::lock_guard lock(mutex_);
        count = tasks_.size();
    }
    // One at a time, without the lock: a task may post again, and one that
    // throws leaves the rest queued.
    for (std::size_t i = 0; i < count; ++i) {
        std::function<void()> task;
        {
            const std::lock_guard lock(mutex_);
            task = std::move(tasks_.front());
            tasks_.pop_front();
        }
        if (task)
            task();
    }
    return count;
}

bool QueuedControlSite::waitFor(const std::function<bool()>& done, std::chrono::milliseconds timeout)
{
    requireHostThread();
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        runPending();
        if (done())
            return true;
        std::unique_lock lock(mutex_);
        if (!posted_.wait_until(lock, deadline, [this] { return !tasks_.empty(); }))
            return done();
    }
}

}  // namespace veilcraft::component
