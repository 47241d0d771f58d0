#include "PanelRunner.h"

#include "GuiThreadUserInterface.h"
#include "RunCiphers.h"
#include "WorkerThread.h"

#include <QScopeGuard>
#include <QWidget>

namespace veilcraft {

PanelRunner::PanelRunner(WorkerThread& worker, CipherTable& windowCiphers, QObject* windowContext,
                         std::function<void(bool)> lockWindow)
    : worker_(worker), windowCiphers_(windowCiphers), windowContext_(windowContext),
      lockWindow_(std::move(lockWindow))
{
}

void PanelRunner::run(QWidget* panel, UserInterface& panelUi,
                      const std::function<void(UserInterface&, CipherTable&)>& work)
{
    GuiThreadUserInterface threadUi(panelUi, windowContext_);
    RunCiphers ciphers(windowCiphers_, windowContext_);
    runLocked(panel, panelUi, [&] { work(threadUi, ciphers.table()); });
}

void PanelRunner::runLocked(QWidget* panel, UserInterface& panelUi, const std::function<void()>& work)
{
    running_ = true;
    panel->setEnabled(false);
    if (lockWindow_)
        lockWindow_(true);
    // The hourglass for the whole run; its end also closes the progress
    // dialog, whatever step the work ended in.
    panelUi.setBusy(true);
    const auto unlock = qScopeGuard([&] {
        panelUi.setBusy(false);
        if (lockWindow_)
            lockWindow_(false);
        panel->setEnabled(true);
        running_ = false;
    });
    worker_.run(work);
}

}  // namespace veilcraft
