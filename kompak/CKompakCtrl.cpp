#include "CKompakCtrl.h"

#include "KompakIds.h"

#include <exception>
#include <system_error>
#include <vector>

namespace veilcraft::kompak {

using component::Variant;

namespace {

HRESULT statusOf(ZipError code)
{
    switch (code) {
    case ZipError::NoArchiveOpen:
        return status::NoArchiveOpen;
    case ZipError::CannotCreate:
        return status::CannotCreate;
    case ZipError::NoOverwrite:
        return status::NoOverwrite;
    case ZipError::NotFound:
        return status::NotFound;
    case ZipError::CannotRead:
        return status::CannotRead;
    case ZipError::IoError:
        return status::IoError;
    }
    return component::E_FAIL;
}

// Arguments arrive converted to the declared types (ControlBase).
std::string stringArg(const std::vector<Variant>& arguments, std::size_t index)
{
    return arguments[index].toString().value_or(std::string());
}

std::int16_t int16Arg(const std::vector<Variant>& arguments, std::size_t index)
{
    return arguments[index].toInt16().value_or(0);
}

} // namespace

CKompakCtrl::CKompakCtrl()
    : ControlBase(DIID__DKompakEvents, kStateVersion, kApplicationName),
      zipWorker_([this](const std::string& text, ZipError code) { return ReportError(text, code); },
                 [this] {
                     component::IControlSite* site = workSite_.load();
                     return site == nullptr || site->ContinueWork();
                 },
                 [this](std::uint64_t filesDone, const std::string& name) {
                     if (component::IControlSite* site = workSite_.load())
                         site->WorkProgress(filesDone, name);
                 })
{
    describeInterface();
}

CKompakCtrl::~CKompakCtrl()
{
    joinWorker();
}

void CKompakCtrl::joinWorker()
{
    if (!worker_.joinable())
        return;
    // The last reference can only be dropped on the worker itself when a
    // site discarded a queued notification there; the thread then ends on
    // its own without touching the control again.
    if (worker_.get_id() == std::this_thread::get_id())
        worker_.detach();
    else
        worker_.join();
}

bool CKompakCtrl::ReportError(const std::string& text, ZipError code)
{
    if (!text.empty())
        FireError(statusOf(code), text, kApplicationName);
    return false;
}

component::HRESULT CKompakCtrl::SetClientSite(component::IControlSite* site)
{
    workSite_.store(site);
    return ControlBase::SetClientSite(site);
}

void CKompakCtrl::DoPropExchange(component::PropExchange& exchange)
{
    bool notify = notify_.load();
    bool preserve = preserveDirPath_.load();
    exchange.exchangeBool(kStateNotify, notify);
    exchange.exchangeBool(kStatePreserveDirPath, preserve);
    if (exchange.isLoading()) {
        notify_.store(notify);
        preserveDirPath_.store(preserve);
    }
}

void CKompakCtrl::describeInterface()
{
    using Type = Variant::Type;
    const auto flag = [this](DISPID id, const char* name, std::atomic<bool>& value) {
        addProperty(
            id, name, Type::Bool, [&value] { return Variant(value.load()); },
            [this, &value](const Variant& v) {
                value.store(*v.toBool());
                SetModifiedFlag();
            });
    };
    flag(dispid::PreserveDirPath, "PreserveDirPath", preserveDirPath_);
    flag(dispid::Notify, "Notify", notify_);

    // Read-only listing: a fresh copy of the string on every read.
    const auto listing = [this](DISPID id, const char* name, const std::string& (ZipWorker::*get)() const) {
        addProperty(id, name, Type::String, [this, get] { return Variant((zipWorker_.*get)()); });
    };
    listing(dispid::FilePathArray, "FilePathArray", &ZipWorker::FilePathArray);
    listing(dispid::FileCompressedSizeArray, "FileCompressedSizeArray", &ZipWorker::FileCompressedSizeArray);
    listing(dispid::FileDateModifiedArray, "FileDateModifiedArray", &ZipWorker::FileDateModifiedArray);
    listing(dispid::FileUnCompressedSizeArray, "FileUnCompressedSizeArray", &ZipWorker::FileUnCompressedSizeArray);
    listing(dispid::LongFileNameArray, "LongFileNameArray", &ZipWorker::LongFileNameArray);
    listing(dispid::ShortFileNameArray, "ShortFileNameArray", &ZipWorker::ShortFileNameArray);
    addProperty(dispid::MultipleFiles, "MultipleFiles", Type::Int16,
                [this] { return Variant(zipWorker_.MultipleFiles()); });

    const Type S = Type::String;
    const Type I = Type::Int16;
    addMethod(dispid::ZipClose, "ZipClose", Type::Bool, {}, [this](const auto&) { return Variant(ZipClose()); });
    addMethod(dispid::GetZipFileInfo, "GetZipFileInfo", Type::Bool, {S},
              [this](const auto& a) { return Variant(GetZipFileInfo(stringArg(a, 0))); });
    addMethod(dispid::UnZipOneFile, "UnZipOneFile", Type::Bool, {S, S, S}, [this](const auto& a) {
        if (BusyFlag.load())
            return Variant(ReportError(kBusyMessage, ZipError::NoArchiveOpen));
        savedString1_ = stringArg(a, 0);
        savedString2_ = stringArg(a, 1);
        savedString3_ = stringArg(a, 2);
        return Variant(runOrStart(operation::UnZipOneFile));
    });
    addMethod(dispid::UnZipAllFiles, "UnZipAllFiles", Type::Bool, {S, S}, [this](const auto& a) {
        if (BusyFlag.load())
            return Variant(ReportError(kBusyMessage, ZipError::NoArchiveOpen));
        savedString1_ = stringArg(a, 0);
        savedString2_ = stringArg(a, 1);
        return Variant(runOrStart(operation::UnZipAllFiles));
    });
    addMethod(dispid::NewZipFile, "NewZipFile", Type::Bool, {S, I},
              [this](const auto& a) { return Variant(NewZipFile(stringArg(a, 0), int16Arg(a, 1))); });
    addMethod(dispid::ZipEntireDirectory, "ZipEntireDirectory", Type::Bool, {S, I, I}, [this](const auto& a) {
        if (BusyFlag.load())
            return Variant(ReportError(kBusyMessage, ZipError::NoArchiveOpen));
        savedString1_ = stringArg(a, 0);
        savedIncludeSubdirs_ = int16Arg(a, 1);
        savedTrimToLastDir_ = int16Arg(a, 2);
        return Variant(runOrStart(operation::ZipEntireDirectory));
    });
    addMethod(dispid::ZipOneFile, "ZipOneFile", Type::Bool, {S, S, S, I}, [this](const auto& a) {
        if (BusyFlag.load())
            return Variant(ReportError(kBusyMessage, ZipError::NoArchiveOpen));
        savedString1_ = stringArg(a, 0);
        savedString2_ = stringArg(a, 1);
        savedString3_ = stringArg(a, 2);
        savedTrimToLastDir_ = int16Arg(a, 3);
        return Variant(runOrStart(operation::ZipOneFile));
    });
    addMethod(dispid::ZipNextFiles, "ZipNextFiles", Type::Bool, {S}, [this](const auto& a) {
        if (BusyFlag.load())
            return Variant(ReportError(kBusyMessage, ZipError::NoArchiveOpen));
        return Variant(zipWorker_.ZipNextFiles(stringArg(a, 0)));
    });
}

void CKompakCtrl::applyOptions()
{
    zipWorker_.PreserveDirPath = preserveDirPath_.load();
    zipWorker_.Notify = notify_.load();
}

bool CKompakCtrl::ZipClose()
{
    if (BusyFlag.load())
        return ReportError(kBusyMessage, ZipError::NoArchiveOpen);
    applyOptions();
    return zipWorker_.ZipClose();
}

bool CKompakCtrl::GetZipFileInfo(const std::string& filename)
{
    if (BusyFlag.load())
        return ReportError(kBusyMessage, ZipError::NoArchiveOpen);
    applyOptions();
    return zipWorker_.GetZipFileInfo(filename);
}

bool CKompakCtrl::NewZipFile(const std::string& zipfilename, std::int16_t overwrite)
{
    if (BusyFlag.load())
        return ReportError(kBusyMessage, ZipError::NoArchiveOpen);
    applyOptions();
    return zipWorker_.NewZipFile(zipfilename, overwrite);
}

bool CKompakCtrl::runOrStart(std::int16_t operation)
{
    applyOptions();
    if (!notify_.load())
        return runOperation(operation);

    joinWorker(); // the previous worker has cleared BusyFlag and is ending
    PendingOperation = operation;
    BusyFlag.store(1);
    try {
        worker_ = std::thread([this, operation] { ZipThreadProc(operation); });
    } catch (const std::system_error&) {
        // No thread: run here rather than stay busy for ever; the host still
        // gets the ZipThreadDone it waits for.
        const bool result = runOperation(operation);
        BusyFlag.store(0);
        FireEvent(eventid::ZipThreadDone, {Variant(operation)});
        return result;
    }
    return true;
}

bool CKompakCtrl::runOperation(std::int16_t operation)
{
    switch (operation) {
    case operation::UnZipOneFile:
        return zipWorker_.UnZipOneFile(savedString1_, savedString2_, savedString3_);
    case operation::UnZipAllFiles:
        return zipWorker_.UnZipAllFiles(savedString1_, savedString2_);
    case operation::ZipEntireDirectory:
        return zipWorker_.ZipEntireDirectory(savedString1_, savedIncludeSubdirs_, savedTrimToLastDir_);
    case operation::ZipOneFile:
        return zipWorker_.ZipOneFile(savedString1_, savedString2_, savedString3_, savedTrimToLastDir_);
    default:
        return false;
    }
}

void CKompakCtrl::ZipThreadProc(std::int16_t operation)
{
    try {
        runOperation(operation);
    } catch (const std::exception& error) {
        // Nothing may escape a thread; the host learns of it like any failure.
        ReportError(error.what(), ZipError::IoError);
    }
    BusyFlag.store(0);
    // Nothing of the control is touched after this: the notification may
    // hold the last reference.
    FireEvent(eventid::ZipThreadDone, {Variant(operation)});
}

} // namespace veilcraft::kompak
