#pragma once

#include "Interfaces.h"

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

namespace veilcraft::component {

// A control site for hosts without an event loop of their own (the command
// line, tests): tasks posted from any thread wait in a queue until the host
// thread -- the thread that made the site -- runs them with runPending() or
// waitFor(). Error messages go to the display function given (standard
// error when none is).
class QueuedControlSite final : public IControlSite {
public:
    using ErrorDisplay = std::function<void(const std::string& description, const std::string& source)>;

    explicit QueuedControlSite(ErrorDisplay display = {});

    void PostToHostThread(std::function<void()> task) override;
    [[nodiscard]] bool IsHostThread() const override;
    void ShowErrorMessage(const std::string& description, const std::string& source) override;
    [[nodiscard]] bool ContinueWork() override;
    void WorkProgress(std::uint64_t filesDone, const std::string& name) override;

    // What ContinueWork() asks (any thread); without one the work always goes on.
    void setContinueCheck(std::function<bool()> check) { continueCheck_ = std::move(check); }
    // Where WorkProgress() goes (any thread); without one it goes nowhere.
    using ProgressReport = std::function<void(std::uint64_t filesDone, const std::string& name)>;
    void setProgressReport(ProgressReport report) { progressReport_ = std::move(report); }

    // Runs the tasks queued when it is called, in order; tasks they post
    // wait for the next call. Returns how many ran. Host thread only
    // (std::logic_error otherwise).
    std::size_t runPending();
    // Runs posted tasks as they come until `done` holds (checked before
    // waiting and after every batch) or `timeout` passed; returns `done()`.
    // Host thread only.
    bool waitFor(const std::function<bool()>& done, std::chrono::milliseconds timeout);

private:
    void requireHostThread() const;

    const std::thread::id hostThread_;
    ErrorDisplay display_;
    std::function<bool()> continueCheck_;
    ProgressReport progressReport_;
    std::mutex mutex_;
    std::condition_variable posted_;
    std::deque<std::function<void()>> tasks_;
};

}  // namespace veilcraft::component
