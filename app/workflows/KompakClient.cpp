#include "KompakClient.h"

#include "CipherError.h"
#include "ComponentError.h"
#include "ControlHost.h"
#include "DispatchObject.h"
#include "KompakIds.h"
#include "QueuedControlSite.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <mutex>
#include <thread>

namespace veilcraft {

namespace dispid = kompak::dispid;
using component::Variant;

struct KompakClient::Impl {
    explicit Impl(KompakClient& owner)
        : site([&owner](const std::string& description, const std::string& source) {
              owner.recordError(description, source);
          })
    {
        site.setContinueCheck([this, &owner] { return !stopAsked(owner.ui_); });
        site.setProgressReport(
            [&owner](std::uint64_t filesDone, const std::string& name) { owner.reportProgress(filesDone, name); });
    }

    // Like the stop check, progress reaches the user's interface only from
    // the calling thread and at most every 50 ms, the last file excepted.
    bool progressDue(std::uint64_t filesDone, std::uint64_t total)
    {
        if (std::this_thread::get_id() != caller)
            return false;
        const auto now = std::chrono::steady_clock::now();
        if (filesDone < total && now - lastProgress < std::chrono::milliseconds(50))
            return false;
        lastProgress = now;
        return true;
    }

    // The control asks often, from its own threads too. The user's interface
    // is asked only on the thread that calls the control (a window's
    // interface must not be touched from elsewhere) and at most every 20 ms;
    // the other threads see the answer it gave. A stop, once asked, holds
    // until the next call.
    bool stopAsked(UserInterface& ui)
    {
        if (stopped || std::this_thread::get_id() != caller)
            return stopped;
        const std::lock_guard lock(checking);
        const auto now = std::chrono::steady_clock::now();
        if (now - lastCheck < std::chrono::milliseconds(20))
            return stopped;
        lastCheck = now;
        if (ui.cancelRequested())
            stopped = true;
        return stopped;
    }
    ~Impl()
    {
        // The control goes before the site it refers to.
        control.reset();
    }

    bool call(KompakClient& owner, component::DISPID id, const std::vector<Variant>& arguments)
    {
        stopped = false;
        lastCheck = {};
        lastProgress = {};
        const Variant result = control.call(id, arguments);
        // Notifications the control posted to the host thread show now.
        site.runPending();
        if (component::failed(control.lastStatus())) {
            owner.recordError("The zip control refused a call: " + component::describeStatus(control.lastStatus()),
                              kompak::kApplicationName);
            return false;
        }
        return result.toBool().value_or(false);
    }
    bool put(KompakClient& owner, component::DISPID id, bool value)
    {
        if (control.put(id, value))
            return true;
        owner.recordError("The zip control refused a setting: " + component::describeStatus(control.lastStatus()),
                          kompak::kApplicationName);
        return false;
    }
    std::string text(component::DISPID id) { return control.get(id).toString().value_or(""); }

    component::QueuedControlSite site;
    component::DispatchObject control;
    std::atomic<bool> stopped{false};
    const std::thread::id caller = std::this_thread::get_id();
    std::mutex checking;
    std::chrono::steady_clock::time_point lastCheck{};
    std::chrono::steady_clock::time_point lastProgress{};
};

KompakClient::KompakClient(UserInterface& ui) : ui_(ui), impl_(std::make_unique<Impl>(*this))
{
    component::ControlHost host(component::libraryBesideProgram("libkompak.so"));
    impl_->control = component::DispatchObject(host.createControl(kompak::kHostClassName, &impl_->site));
    if (!setNotify(false))
        throw component::ComponentError(impl_->control.lastStatus(), "the zip control refused to work synchronously");
}

KompakClient::~KompakClient() = default;

std::vector<std::string> splitListing(const std::string& text, bool several)
{
    std::vector<std::string> parts;
    if (!several) {
        parts.push_back(text);
        return parts;
    }
    std::size_t start = 0;
    for (std::size_t bar = text.find('|'); bar != std::string::npos; bar = text.find('|', start)) {
        parts.push_back(text.substr(start, bar - start));
        start = bar + 1;
    }
    parts.push_back(text.substr(start));
    return parts;
}

std::unique_ptr<KompakClient> makeKompakClient(UserInterface& ui)
{
    try {
        return std::make_unique<KompakClient>(ui);
    } catch (const component::ComponentError& error) {
        throw CipherError(std::string("the zip control is not available: ") + error.what());
    }
}

void KompakClient::recordError(const std::string& description, const std::string& source)
{
    errors_.push_back(description);
    if (showErrors_)
        ui_.message(description, source.empty() ? kApplicationTitle : source, UserInterface::Buttons::Ok,
                    UserInterface::Icon::Critical);
}

void KompakClient::reportProgress(std::uint64_t filesDone, const std::string& name)
{
    if (progressTotal_ == 0 || !impl_->progressDue(filesDone, progressTotal_))
        return;
    ui_.progress(static_cast<int>(100 * std::min(filesDone, progressTotal_) / progressTotal_), name);
}

void KompakClient::clearErrors()
{
    errors_.clear();
}

std::string KompakClient::describeErrors(const std::string& temporary, const std::string& shown) const
{
    std::string causes;
    for (std::string text : errors_) {
        for (std::size_t at = text.find(temporary); !temporary.empty() && at != std::string::npos;
             at = text.find(temporary, at + shown.size()))
            text.replace(at, temporary.size(), shown);
        causes += (causes.empty() ? "" : "; ") + text;
    }
    return causes;
}

bool KompakClient::setPreserveDirPath(bool value) { return impl_->put(*this, dispid::PreserveDirPath, value); }
bool KompakClient::setNotify(bool value) { return impl_->put(*this, dispid::Notify, value); }

bool KompakClient::NewZipFile(const std::string& zipFile, std::int16_t overwrite)
{
    return impl_->call(*this, dispid::NewZipFile, {zipFile, overwrite});
}

bool KompakClient::ZipOneFile(const std::string& file, const std::string& nameInZip, const std::string& dirInZip,
                              std::int16_t trimToLastDir)
{
    return impl_->call(*this, dispid::ZipOneFile, {file, nameInZip, dirInZip, trimToLastDir});
}

bool KompakClient::ZipEntireDirectory(const std::string& folder, std::int16_t includeSubdirs,
                                      std::int16_t trimToLastDir)
{
    return impl_->call(*this, dispid::ZipEntireDirectory, {folder, includeSubdirs, trimToLastDir});
}

bool KompakClient::ZipNextFiles(const std::vector<std::string>& files)
{
    std::string list;
    for (const std::string& file : files)
        list.append(file).push_back('\0');
    return impl_->call(*this, dispid::ZipNextFiles, {list});
}

bool KompakClient::ZipClose() { return impl_->call(*this, dispid::ZipClose, {}); }

bool KompakClient::GetZipFileInfo(const std::string& zipFile)
{
    return impl_->call(*this, dispid::GetZipFileInfo, {zipFile});
}

bool KompakClient::UnZipAllFiles(const std::string& zipFile, const std::string& toFolder)
{
    return impl_->call(*this, dispid::UnZipAllFiles, {zipFile, toFolder});
}

bool KompakClient::UnZipOneFile(const std::string& zipFile, const std::string& entry, const std::string& toFolder)
{
    return impl_->call(*this, dispid::UnZipOneFile, {zipFile, entry, toFolder});
}

std::string KompakClient::longFileNames() { return impl_->text(dispid::LongFileNameArray); }
std::string KompakClient::shortFileNames() { return impl_->text(dispid::ShortFileNameArray); }
std::string KompakClient::filePaths() { return impl_->text(dispid::FilePathArray); }
std::string KompakClient::fileDatesModified() { return impl_->text(dispid::FileDateModifiedArray); }
std::string KompakClient::fileCompressedSizes() { return impl_->text(dispid::FileCompressedSizeArray); }
std::string KompakClient::fileUncompressedSizes() { return impl_->text(dispid::FileUnCompressedSizeArray); }
std::vector<std::string> KompakClient::listedEntries()
{
    const int multiple = multipleFiles();
    if (multiple == 0)
        return {};
    std::vector<std::string> names = splitListing(longFileNames(), multiple == 2);
    std::erase(names, std::string());
    return names;
}

int KompakClient::multipleFiles() { return impl_->control.get(dispid::MultipleFiles).toInt16().value_or(0); }

}  // namespace veilcraft
