#pragma once

#include <functional>

class QObject;
class QWidget;

namespace veilcraft {

class CipherTable;
class UserInterface;
class WorkerThread;

// Runs a panel's long work on the window's worker thread. Meanwhile the
// panel is locked (and, through `lockWindow`, whatever would switch or reset
// the panels), the window keeps painting, and the work talks to the user on
// the window's thread: questions, the progress dialog and its Cancel. Each
// run gets engines of its own, starting from the window's cipher selection.
class PanelRunner {
public:
    PanelRunner(WorkerThread& worker, CipherTable& windowCiphers, QObject* windowContext,
                std::function<void(bool locked)> lockWindow);

    // Runs `work` and returns when it is done; what it throws is thrown here.
    // `panelUi` answers for the panel; the work receives it made safe for
    // its thread, with the run's own cipher table.
    void run(QWidget* panel, UserInterface& panelUi,
             const std::function<void(UserInterface& ui, CipherTable& ciphers)>& work);
    // The same for a panel that keeps its own thread-safe interface and
    // engines from one step to the next.
    void runLocked(QWidget* panel, UserInterface& panelUi, const std::function<void()>& work);

    [[nodiscard]] bool running() const { return running_; }

private:
    WorkerThread& worker_;
    CipherTable& windowCiphers_;
    QObject* windowContext_;
    std::function<void(bool)> lockWindow_;
    bool running_ = false;
};

}  // namespace veilcraft
