#pragma once

#include <QObject>
#include <QTimer>

class QSocketNotifier;

namespace veilcraft {

// SIGTERM (a kill, the session manager at logout), SIGHUP and SIGINT end the
// program as Cancel ends a run: every running work is asked to stop (the
// user interfaces report a cancel request and answer questions with their
// default at once), open dialogs are closed, and once no window's work runs
// any more the event loop ends, so that every window goes the normal way
// and removes its temporary files. The handlers only write to a pipe; the
// rest happens on the windows' thread.
class StopSignals : public QObject {
    Q_OBJECT
public:
    explicit StopSignals(QObject* parent = nullptr);
    ~StopSignals() override;

    // True once one of the signals arrived.
    [[nodiscard]] static bool requested();

private:
    void onSignal();
    void windDown();

    QSocketNotifier* notifier_;
    QTimer windDown_;
};

}  // namespace veilcraft
