#pragma once

#include <QObject>
#include <QThread>

#include <functional>

namespace veilcraft {

// A thread of a window's own for long work. run() hands it one piece of
// work and keeps the window's events flowing until the work is done, so the
// window paints, shows progress and answers questions meanwhile. Every
// piece runs on the same thread, which suits objects that must always be
// used from the thread that made them (the zip control's client).
class WorkerThread : public QObject {
    Q_OBJECT
public:
    explicit WorkerThread(QObject* parent = nullptr);
    ~WorkerThread() override;

    // Runs `work` on the thread and returns when it is done; an exception
    // it throws is thrown again here.
    void run(const std::function<void()>& work);

    // Whether any worker thread of the program is running work: the
    // program must not end then, since the work uses its windows' objects.
    [[nodiscard]] static bool anyRunning();

private:
    QThread thread_;
    QObject* worker_;
};

}  // namespace veilcraft
