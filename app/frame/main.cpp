// VeilcraftApp: the windowed program.
#include "FrameResources.h"
#include "LaunchRequest.h"
#include "QtUserInterface.h"
#include "SingleInstance.h"
#include "StartUp.h"
#include "StopSignals.h"
#include "TemporaryFile.h"
#include "TemporaryNames.h"
#include "frmMain.h"

#include <QApplication>
#include <QByteArray>
#include <QFile>
#include <QLabel>
#include <QList>
#include <QTimer>

#include <cstdio>
#include <ctime>

namespace {

// The splash's ticks: VEILCRAFT_SPLASH_TICKS shortens it (0 = no splash),
// for measuring start-up.
int splashTicks()
{
    bool ok = false;
    const int ticks = qEnvironmentVariableIntValue("VEILCRAFT_SPLASH_TICKS", &ok);
    return ok && ticks >= 0 ? ticks : 25;
}

// With VEILCRAFT_STARTUP_PROBE set, the program reports when its main window
// is on the screen (wall clock, nanoseconds) and its resident memory, then
// ends: the start-up benchmark reads that line.
void probeStartUp()
{
    QTimer::singleShot(0, [] {
        timespec now{};
        ::clock_gettime(CLOCK_REALTIME, &now);
        QString rss = "?";
        QFile status("/proc/self/status");
        if (status.open(QIODevice::ReadOnly))
            for (const QByteArray& line : status.readAll().split('\n'))
                if (line.startsWith("VmRSS:"))
                    rss = QString::fromLatin1(line.mid(6).trimmed());
        std::printf("shown %lld rss %s\n", static_cast<long long>(now.tv_sec) * 1000000000LL + now.tv_nsec,
                    rss.toLatin1().constData());
        std::fflush(stdout);
        QApplication::exit(0);
    });
}

}  // namespace

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    QApplication::setApplicationName("Veilcraft");
    QApplication::setWindowIcon(veilcraft::applicationIcon());

    // The arguments in the system's bytes, Qt's own options taken out by
    // QApplication.
    QList<QByteArray> arguments;
    for (int i = 1; i < argc; ++i)
        arguments << QByteArray(argv[i]);

    veilcraft::SingleInstance instance;
    if (instance.handOver(veilcraft::absoluteArguments(arguments)))
        return 0;
    instance.listen();
    // What a killed run left in the temporary folder (decrypted archives).
    veilcraft::tempnames::removeLeftovers(veilcraft::temporaryFolder());
    veilcraft::StopSignals stopSignals;

    // Dialogs of the main window are owned by it; those of an archive
    // window opened at start stand alone, as that window does.
    veilcraft::QtUserInterface mainUi(nullptr);
    veilcraft::QtUserInterface archiveUi(nullptr);
    veilcraft::StartUp startUp(mainUi, archiveUi, splashTicks());
    mainUi.setOwner(&startUp.mainWindow());
    mainUi.setCiphers(&startUp.mainWindow().ciphers().table);
    archiveUi.setCiphers(&startUp.mainWindow().ciphers().table);
    mainUi.setStatusSink([&startUp](const QString& text) { startUp.mainWindow().StatusLabel->setText(text); });
    QObject::connect(&instance, &veilcraft::SingleInstance::argumentsReceived, &startUp,
                     [&startUp](const QList<QByteArray>& handedOver) {
                         startUp.openHandedOver(veilcraft::LaunchRequest::fromArguments(handedOver));
                     });
    if (!startUp.run(veilcraft::LaunchRequest::fromArguments(arguments)))
        return veilcraft::StopSignals::requested() ? 1 : 0;
    if (qEnvironmentVariableIsSet("VEILCRAFT_STARTUP_PROBE"))
        probeStartUp();
    return QApplication::exec();
}
