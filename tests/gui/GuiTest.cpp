#include "GuiTest.h"

#include <QApplication>
#include <QTimer>

#include <cstdlib>

namespace veilcraft::test {

void ensureApplication()
{
    if (QApplication::instance() != nullptr)
        return;
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    static int argc = 1;
    static char name[] = "veilcraft-gui-test";
    static char* argv[] = {name, nullptr};
    // Never destroyed: Qt does not support a second application object.
    static QApplication* const application = new QApplication(argc, argv);
    (void)application;
}

void whenModal(std::function<void()> step)
{
    QTimer::singleShot(0, std::move(step));
}

}  // namespace veilcraft::test
