#pragma once

#include <QObject>
#include <QString>

#include <atomic>
#include <functional>
#include <memory>
#include <optional>

namespace veilcraft {

// Work that may take long (walking a folder tree for its size) run on the
// thread pool for a window that only wants the latest answer: starting
// again or destroying the task stops the work in flight, which asks
// `superseded()` as it goes, and its result is never delivered.
class LatestTask : public QObject {
    Q_OBJECT
public:
    using Superseded = std::function<bool()>;
    // The result, or nothing when the work failed or was superseded.
    using Work = std::function<std::optional<QString>(const Superseded& superseded)>;

    explicit LatestTask(QObject* parent = nullptr);
    ~LatestTask() override;

    // `done` runs on this object's thread with the work's result.
    void start(Work work, std::function<void(const QString&)> done);
    // Stops the work in flight without starting other work.
    void stop();

private:
    // Shared with the workers, which may outlive the task.
    std::shared_ptr<std::atomic<int>> generation_ = std::make_shared<std::atomic<int>>(0);
};

} // namespace veilcraft
