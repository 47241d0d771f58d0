#include "LatestTask.h"

#include <QCoreApplication>
#include <QPointer>
#include <QThreadPool>

namespace veilcraft {

LatestTask::LatestTask(QObject* parent) : QObject(parent) {}

LatestTask::~LatestTask()
{
    stop();
}

void LatestTask::stop()
{
    ++*generation_;
}

void LatestTask::start(Work work, std::function<void(const QString&)> done)
{
    const int request = ++*generation_;
    QPointer<LatestTask> task(this);
    QThreadPool::globalInstance()->start([generation = generation_, request, task, work = std::move(work),
                                          done = std::move(done)] {
        const Superseded superseded = [&generation, request] { return generation->load() != request; };
        const std::optional<QString> result = work(superseded);
        if (!result || superseded())
            return;
        // Posted to the application, which outlives the task: the task may
        // go while the result is on its way, and then it is dropped.
        QMetaObject::invokeMethod(QCoreApplication::instance(), [generation, request, task, done, text = *result] {
            if (task && generation->load() == request)
                done(text);
        });
    });
}

} // namespace veilcraft
