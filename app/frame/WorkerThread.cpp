#include "WorkerThread.h"

#include <QEventLoop>
#include <QScopedValueRollback>

#include <exception>

namespace veilcraft {

WorkerThread::WorkerThread(QObject* parent) : QObject(parent), worker_(new QObject)
{
    thread_.setObjectName("WorkerThread");
    worker_->moveToThread(&thread_);
    connect(&thread_, &QThread::finished, worker_, &QObject::deleteLater);
    thread_.start();
}

WorkerThread::~WorkerThread()
{
    thread_.quit();
    thread_.wait();
}

namespace {

// Only the windows' thread starts and ends work.
int running = 0;

} // namespace

bool WorkerThread::anyRunning()
{
    return running > 0;
}

void WorkerThread::run(const std::function<void()>& work)
{
    const QScopedValueRollback<int> counted(running, running + 1);
    QEventLoop waiting;
    std::exception_ptr failure;
    QMetaObject::invokeMethod(worker_, [&] {
        try {
            work();
        } catch (...) {
            failure = std::current_exception();
        }
        QMetaObject::invokeMethod(&waiting, &QEventLoop::quit, Qt::QueuedConnection);
    });
    waiting.exec();
    if (failure)
        std::rethrow_exception(failure);
}

}  // namespace veilcraft
