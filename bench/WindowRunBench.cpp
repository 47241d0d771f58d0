// The main window's run of a large file encryption, measured on this machine:
//   while the window encrypts, its event loop never stalls more than 100 ms;
//   Cancel ends the run within 200 ms of the run seeing it, and leaves no
//   encrypted file under its final name.
// The wizard is filled as a user fills it (files, destination, Next, Next,
// the password twice) and cmdEncrypt is clicked. A timer on the window's
// thread ticks every 5 ms during the run; the largest gap between two ticks
// (and between the last tick and the end of the click) is the longest stall.
// A second run is cancelled by the window's interface CANCEL_AFTER_MS after
// its start (at most nine tenths of the first run's time; by default 1500,
// at most half of it); the time from the first cancelRequested() that
// answers yes to the return of the click is the Cancel latency. The
// comparison with the command `veilcraft encrypt` is made by
// bench/window_encrypt.sh, which runs this.
//
//   veilcraft_window_bench SOURCE OUTPUT_FOLDER [CANCEL_AFTER_MS]
//
// The password is taken from VEILCRAFT_PASSWORD (a fixed one when unset).
// Prints one `key value` line per figure: besides the goals' figures, where
// the time goes -- the phases of the run around the encryption, when the
// longest stall ended and how much of it the window's thread waited for a
// processor, and how much the cancelled run had written when it saw the
// cancel. OUTPUT_FOLDER must not hold the source's .vkf; the encrypted file
// is removed again before the program ends.
// Exit status 0 when both runs went as expected (the goals are judged by the
// script), 1 on an unexpected message or result, 2 for a usage error.
#include "UserInterface.h"
#include "VkfContainer.h"
#include "fraTools.h"
#include "frmMain.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <fcntl.h>
#include <iostream>
#include <optional>
#include <string>
#include <sys/resource.h>
#include <unistd.h>
#include <vector>

namespace {

using veilcraft::UserInterface;

constexpr int kTickMs = 5;
constexpr qint64 kCancelAfterMs = 1500;
constexpr const char* kSuccess = "Encryption success!";

// One clock for every time stamp of the program, started by main().
QElapsedTimer& benchClock()
{
    static QElapsedTimer clock;
    return clock;
}

// Nanoseconds on that clock.
qint64 stamp()
{
    return benchClock().nsecsElapsed();
}

double milliseconds(qint64 nanoseconds)
{
    return static_cast<double>(nanoseconds) / 1e6;
}

// Answers Ok and Yes, records every message, keeps of the progress only a
// count and the times of the first and last event, and says "cancel" once
// asked to.
class BenchUserInterface final : public UserInterface {
public:
    Answer message(const std::string& text, const std::string&, Buttons buttons, Icon) override
    {
        std::cerr << "message: " << text << '\n';
        messages.push_back(text);
        return buttons == Buttons::YesNo ? Answer::Yes : Answer::Ok;
    }
    std::optional<std::string> askPassword() override
    {
        messages.push_back("(password asked)");
        return std::nullopt;
    }
    std::string browseForFolder(const std::string&, const std::string& start) override { return start; }
    std::string askSaveFile(const std::string&, const std::string& proposal) override { return proposal; }
    void processEvents() override { QApplication::processEvents(); }
    // The panel's runner sets the hourglass first and clears it last.
    void setBusy(bool busy) override
    {
        if (busy && busySince < 0)
            busySince = stamp();
        if (!busy)
            busyUntil = stamp();
    }
    void progress(int, const std::string&) override
    {
        if (progressEvents++ == 0)
            firstProgress = stamp();
        lastProgress = stamp();
    }
    bool cancelRequested() override
    {
        ++cancelPolls;
        if (cancel && firstCancelSeen < 0) {
            // What the run has written so far, which it must now drop.
            for (const QFileInfo& entry : QDir(outputFolder).entryInfoList(QDir::Files | QDir::Hidden))
                partialBytes += entry.size();
            firstCancelSeen = stamp();
        }
        return cancel;
    }
    void showStatus(const std::string&) override {}

    // Starts a run afresh.
    void reset()
    {
        messages.clear();
        progressEvents = 0;
        busySince = -1;
        busyUntil = -1;
        firstProgress = -1;
        lastProgress = -1;
        cancelPolls = 0;
        cancel = false;
        cancelAsked = -1;
        firstCancelSeen = -1;
        partialBytes = 0;
    }
    void requestCancel()
    {
        cancel = true;
        cancelAsked = stamp();
    }

    std::vector<std::string> messages;
    int progressEvents = 0;
    qint64 busySince = -1;
    qint64 busyUntil = -1;
    qint64 firstProgress = -1;
    qint64 lastProgress = -1;
    int cancelPolls = 0;
    bool cancel = false;
    qint64 cancelAsked = -1;      // when cancel was set
    qint64 firstCancelSeen = -1;  // when cancelRequested() first answered yes
    qint64 partialBytes = 0;      // in the output folder at that moment
    QString outputFolder;
};

// The longest time the window's thread went without serving its timer, and
// how much of it the thread spent waiting for a processor (the scheduler's
// statistics of the thread), which tells a busy machine from a busy window.
// Made, started and stopped on the window's thread.
class StallMeter {
public:
    StallMeter() : schedule_(::open("/proc/thread-self/schedstat", O_RDONLY | O_CLOEXEC))
    {
        timer_.setTimerType(Qt::PreciseTimer);
        timer_.setInterval(kTickMs);
        QObject::connect(&timer_, &QTimer::timeout, [this] { tick(); });
    }
    ~StallMeter()
    {
        if (schedule_ >= 0)
            ::close(schedule_);
    }
    StallMeter(const StallMeter&) = delete;
    StallMeter& operator=(const StallMeter&) = delete;

    void start()
    {
        maxGap_ = 0;
        maxGapWaiting_ = -1;
        gaps_.clear();
        last_ = stamp();
        lastWaited_ = waited();
        started_ = last_;
        maxGapEnd_ = last_;
        timer_.start();
    }
    // The stretch from the last tick to now counts as well: the end of the
    // run may be where the thread is held up.
    void stop()
    {
        tick();
        timer_.stop();
    }
    [[nodiscard]] double maxGapMs() const { return milliseconds(maxGap_); }
    // When the longest gap ended, from the start.
    [[nodiscard]] double maxGapEndMs() const { return milliseconds(maxGapEnd_ - started_); }
    // The part of the longest gap spent waiting for a processor; negative
    // where the system does not tell.
    [[nodiscard]] double maxGapWaitingMs() const { return maxGapWaiting_ < 0 ? -1.0 : milliseconds(maxGapWaiting_); }
    [[nodiscard]] int ticks() const { return static_cast<int>(gaps_.size()); }
    [[nodiscard]] int gapsOver(qint64 limitMs) const
    {
        return static_cast<int>(
            std::count_if(gaps_.begin(), gaps_.end(), [limitMs](qint64 gap) { return gap > limitMs * 1000000; }));
    }
    // The gap that 99 % of the gaps do not exceed.
    [[nodiscard]] double percentile99Ms() const
    {
        if (gaps_.empty())
            return 0.0;
        std::vector<qint64> sorted = gaps_;
        std::sort(sorted.begin(), sorted.end());
        return milliseconds(sorted[(sorted.size() - 1) * 99 / 100]);
    }

private:
    void tick()
    {
        const qint64 now = stamp();
        const qint64 waitedNow = waited();
        gaps_.push_back(now - last_);
        if (now - last_ > maxGap_) {
            maxGap_ = now - last_;
            maxGapEnd_ = now;
            maxGapWaiting_ = waitedNow >= 0 && lastWaited_ >= 0 ? waitedNow - lastWaited_ : -1;
        }
        last_ = now;
        lastWaited_ = waitedNow;
    }

    // Nanoseconds the thread has waited on a run queue so far (the second
    // field of its schedstat), or -1.
    [[nodiscard]] qint64 waited() const
    {
        char text[128];
        const ssize_t length = schedule_ < 0 ? -1 : ::pread(schedule_, text, sizeof text - 1, 0);
        if (length <= 0)
            return -1;
        text[length] = 0;
        unsigned long long running = 0;
        unsigned long long waiting = 0;
        if (std::sscanf(text, "%llu %llu", &running, &waiting) != 2)
            return -1;
        return static_cast<qint64>(waiting);
    }

    int schedule_;
    QTimer timer_;
    qint64 last_ = 0;
    qint64 lastWaited_ = -1;
    qint64 maxGapWaiting_ = -1;
    qint64 started_ = 0;
    qint64 maxGap_ = 0;
    qint64 maxGapEnd_ = 0;
    std::vector<qint64> gaps_;
};

// Pages 1 to 3 of the wizard as a user goes through them; true when
// "Encrypt" is ready to be clicked.
bool fillWizard(veilcraft::fraTools& wizard, const QString& source, const QString& folder, const QString& password)
{
    wizard.addFiles({source});
    if (!wizard.cmdNext[0]->isVisible())
        return false;
    QTest::mouseClick(wizard.cmdNext[0], Qt::LeftButton);
    wizard.SaveTo->setText(folder);
    if (!wizard.cmdNext[1]->isVisible())
        return false;
    QTest::mouseClick(wizard.cmdNext[1], Qt::LeftButton);
    // The cipher the script names to the command (RC4, also the default).
    wizard.cbAlgorithm->setCurrentIndex(wizard.cbAlgorithm->findText("RC4"));
    QTest::keyClicks(wizard.edPassword, password);
    QTest::keyClicks(wizard.rePassword, password);
    return wizard.cmdEncrypt->isVisible() && wizard.cmdEncrypt->isEnabled();
}

// Processor time of the whole program (all threads), user and system.
double processorSeconds()
{
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    const auto seconds = [](const timeval& time) {
        return static_cast<double>(time.tv_sec) + static_cast<double>(time.tv_usec) / 1e6;
    };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

struct Click {
    qint64 start;        // when the click began
    qint64 nanoseconds;  // until it returned
    double processorSeconds;
};

// Clicks "Encrypt" with the meter running.
Click clickEncrypt(veilcraft::fraTools& wizard, StallMeter& meter)
{
    meter.start();
    const double processor = processorSeconds();
    const qint64 start = stamp();
    QTest::mouseClick(wizard.cmdEncrypt, Qt::LeftButton);
    const qint64 end = stamp();
    meter.stop();
    return {start, end - start, processorSeconds() - processor};
}

// Every entry of the folder, hidden ones included.
QStringList entriesOf(const QString& folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
}

}  // namespace

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    const bool cancelGiven = argc == 4;
    const qint64 cancelAfterMs = cancelGiven ? QByteArray(argv[3]).toLongLong() : kCancelAfterMs;
    if (argc < 3 || argc > 4 || cancelAfterMs <= 0) {
        std::cerr << "usage: veilcraft_window_bench SOURCE OUTPUT_FOLDER [CANCEL_AFTER_MS]\n";
        return 2;
    }
    const QString source = QFileInfo(QString::fromLocal8Bit(argv[1])).absoluteFilePath();
    const QString folder = QFileInfo(QString::fromLocal8Bit(argv[2])).absoluteFilePath();
    const QByteArray typed = qgetenv("VEILCRAFT_PASSWORD");
    const QString password = typed.isEmpty() ? QString("VeilcraftBench16") : QString::fromLocal8Bit(typed);
    const QString output =
        folder + "/" +
        QString::fromStdString(veilcraft::vkf::encryptedFileName(QFileInfo(source).fileName().toStdString()));
    if (!QFileInfo(source).isFile() || !QFileInfo(folder).isDir()) {
        std::cerr << "no source file " << argv[1] << " or no output folder " << argv[2] << '\n';
        return 2;
    }
    if (QFileInfo::exists(output)) {
        std::cerr << output.toStdString() << " is there already; the runs need a folder without it\n";
        return 2;
    }
    benchClock().start();

    BenchUserInterface ui;
    ui.outputFolder = folder;
    veilcraft::frmMain window(ui);
    window.show();
    if (!QTest::qWaitForWindowExposed(&window)) {
        std::cerr << "the window was not shown\n";
        return 1;
    }
    window.encryptFileMode();
    veilcraft::fraTools& wizard = *window.toolsPanel;
    StallMeter meter;
    int status = 0;

    // The whole run.
    if (!fillWizard(wizard, source, folder, password)) {
        std::cerr << "the wizard did not reach its Encrypt button\n";
        return 1;
    }
    QTest::qWait(100);
    const Click run = clickEncrypt(wizard, meter);
    const qint64 runTime = run.nanoseconds;
    const qint64 expectedSize = QFileInfo(source).size() + static_cast<qint64>(veilcraft::vkf::kTrailerSize);
    std::printf("run_seconds %.3f\n", static_cast<double>(runTime) / 1e9);
    std::printf("run_processor_seconds %.3f\n", run.processorSeconds);
    std::printf("max_gap_ms %.1f\n", meter.maxGapMs());
    std::printf("max_gap_end_ms %.1f\n", meter.maxGapEndMs());
    std::printf("max_gap_waiting_ms %.1f\n", meter.maxGapWaitingMs());
    std::printf("p99_gap_ms %.1f\n", meter.percentile99Ms());
    std::printf("gaps_over_100ms %d\n", meter.gapsOver(100));
    std::printf("ticks %d\n", meter.ticks());
    std::printf("progress_events %d\n", ui.progressEvents);
    // The run's phases: the click until the hourglass (the window locked),
    // until the first progress event (the worker started, the files opened),
    // the last progress event until the hourglass ends (the file committed,
    // the message), and until the click returns (the panels emptied).
    std::printf("lock_ms %.1f\n", milliseconds(ui.busySince - run.start));
    std::printf("first_progress_ms %.1f\n", milliseconds(ui.firstProgress - run.start));
    std::printf("commit_ms %.1f\n", milliseconds(ui.busyUntil - ui.lastProgress));
    std::printf("unlock_ms %.1f\n", milliseconds(run.start + run.nanoseconds - ui.busyUntil));
    std::printf("cancel_polls %d\n", ui.cancelPolls);
    std::fflush(stdout);
    if (ui.messages.size() != 1 || ui.messages.front().rfind(kSuccess, 0) != 0) {
        std::cerr << "the run did not end with the one message of success\n";
        status = 1;
    }
    if (QFileInfo(output).size() != expectedSize) {
        std::cerr << output.toStdString() << " holds " << QFileInfo(output).size() << " bytes, expected "
                  << expectedSize << '\n';
        status = 1;
    }
    QFile::remove(output);
    if (status != 0)
        return status;

    // The cancelled run: cancel is set a while after the click, before the
    // end that the first run showed -- by default well before it, at half
    // the first run's time at the latest.
    ui.reset();
    if (!fillWizard(wizard, source, folder, password)) {
        std::cerr << "the wizard did not reach its Encrypt button a second time\n";
        return 1;
    }
    const qint64 cancelAfter = std::min(cancelAfterMs, runTime / 1000000 * (cancelGiven ? 9 : 5) / 10);
    QTest::qWait(100);
    QTimer cancelTimer;
    cancelTimer.setSingleShot(true);
    cancelTimer.setTimerType(Qt::PreciseTimer);
    QObject::connect(&cancelTimer, &QTimer::timeout, [&ui] { ui.requestCancel(); });
    cancelTimer.start(static_cast<int>(cancelAfter));
    const Click cancelled = clickEncrypt(wizard, meter);
    const qint64 end = cancelled.start + cancelled.nanoseconds;
    const QStringList left = entriesOf(folder);
    std::printf("cancel_after_ms %lld\n", static_cast<long long>(cancelAfter));
    if (ui.firstCancelSeen < 0) {
        std::printf("cancel_ms n/a\n");
        std::cerr << "the run ended before it asked whether to cancel\n";
        status = 1;
    } else {
        std::printf("cancel_ms %.1f\n", milliseconds(end - ui.firstCancelSeen));
        std::printf("cancel_from_request_ms %.1f\n", milliseconds(end - ui.cancelAsked));
        std::printf("cancel_partial_mib %.1f\n", static_cast<double>(ui.partialBytes) / (1024.0 * 1024.0));
    }
    std::printf("cancel_run_max_gap_ms %.1f\n", meter.maxGapMs());
    std::printf("cancel_run_max_gap_end_ms %.1f\n", meter.maxGapEndMs());
    std::printf("cancel_run_max_gap_waiting_ms %.1f\n", meter.maxGapWaitingMs());
    std::printf("partial_output %s\n", QFileInfo::exists(output) ? "yes" : "no");
    std::printf("leftover_files %lld\n", static_cast<long long>(left.size()));
    for (const QString& name : left)
        std::cerr << "left in the output folder: " << name.toStdString() << '\n';
    if (!ui.messages.empty()) {
        std::cerr << "the cancelled run showed a message\n";
        status = 1;
    }
    QFile::remove(output);
    return status;
}
