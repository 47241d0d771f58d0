#pragma once

// The Kompak control: the dispatch interface _DKompak over a ZipWorker, the
// event ZipThreadDone, the single error path ReportError, and the optional
// background run of the four long operations.
//
// Threads: the host calls the control on its own thread. With Notify set,
// UnZipOneFile, UnZipAllFiles, ZipEntireDirectory and ZipOneFile return at
// once and run on one worker thread; BusyFlag (atomic) refuses every method
// until the operation has ended, then ZipThreadDone(operation code) is fired.
// Errors and ZipThreadDone raised on the worker reach the host's sinks on the
// host's thread, in order (ControlBase). The worker thread is joined before
// the next background operation starts and before the control is destroyed.
//
// A control created without saved state starts with Notify and
// PreserveDirPath both false.

#include "ControlBase.h"
#include "ZipWorker.h"

#include <atomic>
#include <cstdint>
#include <string>
#include <thread>

namespace veilcraft::kompak {

class CKompakCtrl final : public component::ControlBase {
public:
    CKompakCtrl();
    ~CKompakCtrl() override;

    // Raises the error notification for `text` with the status code of
    // `code` (none when text is empty) and returns false, the result of the
    // failed method. Callable from any thread.
    bool ReportError(const std::string& text, ZipError code);

    // Keeps the site for the zip work, which asks its ContinueWork.
    component::HRESULT SetClientSite(component::IControlSite* site) override;

protected:
    void DoPropExchange(component::PropExchange& exchange) override;
    // Reset keeps Notify and PreserveDirPath as they are.
    void OnResetState() override {}

private:
    void describeInterface();

    // The seven methods of _DKompak (and ZipNextFiles, an announcement that
    // only saves time, answered at once on the host's thread).
    bool ZipClose();
    bool GetZipFileInfo(const std::string& filename);
    bool NewZipFile(const std::string& zipfilename, std::int16_t overwrite);
    // UnZipOneFile, UnZipAllFiles, ZipEntireDirectory and ZipOneFile after
    // their arguments were saved: synchronous, or handed to the worker.
    bool runOrStart(std::int16_t operation);

    // Runs one operation with the saved arguments; false for an unknown code.
    bool runOperation(std::int16_t operation);
    void ZipThreadProc(std::int16_t operation);
    // The option flags go to the zip work before each operation, on the
    // host's thread, so a property write during a background run never
    // touches what the worker reads.
    void applyOptions();
    void joinWorker();

    std::atomic<std::int32_t> BusyFlag{0};
    std::int32_t PendingOperation = 0;
    std::string savedString1_, savedString2_, savedString3_;
    std::int16_t savedIncludeSubdirs_ = 0;
    std::int16_t savedTrimToLastDir_ = 0;
    std::atomic<bool> notify_{false};
    std::atomic<bool> preserveDirPath_{false};
    // Read by the zip work on whichever thread runs it.
    std::atomic<component::IControlSite*> workSite_{nullptr};
    ZipWorker zipWorker_;
    std::thread worker_;
};

} // namespace veilcraft::kompak
