#include "RunCiphers.h"

#include <QObject>

namespace veilcraft {

RunCiphers::RunCiphers(CipherTable& window, QObject* windowContext) : window_(window)
{
    followWindow();
    // Queued even on the window's own thread: the list follows after the step
    // that selected, never in the middle of it. A window that is gone by then
    // takes its pending calls with it.
    suite_.table.onSelected = [&window, windowContext](int position) {
        QMetaObject::invokeMethod(
            windowContext, [&window, position] { window.select(position); }, Qt::QueuedConnection);
    };
}

}  // namespace veilcraft
