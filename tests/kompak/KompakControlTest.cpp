// Tests of the Kompak control as hosts use it: libkompak.so created by class
// name through the component layer and called by dispatch identifier, its
// registration entry points, the background operation and the zip
// subcommand. Only ReportError without a text is reached directly, as no
// operation produces it.
#include "CKompakCtrl.h"
#include "Cli.h"
#include "ComponentError.h"
#include "ComponentLibrary.h"
#include "ComponentRegistry.h"
#include "ControlHost.h"
#include "Interruption.h"
#include "DispatchObject.h"
#include "FunctionEventSink.h"
#include "KompakIds.h"
#include "QueuedControlSite.h"
#include "RegistryStore.h"
#include "TempDir.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cerrno>
#include <condition_variable>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <sstream>

namespace {

using namespace veilcraft::component;
using namespace veilcraft::kompak;
using ::testing::ElementsAre;
using ::testing::IsEmpty;
using veilcraft::test::listFolder;
using veilcraft::test::readFile;
using veilcraft::test::TempDir;
using veilcraft::test::writeFile;
using I16 = std::int16_t;

constexpr std::chrono::seconds kPatience{60};
const Variant kTrue(true);
const Variant kFalse(false);

std::string kompakLibrary()
{
    return libraryBesideProgram("libkompak.so");
}

// A host site over QueuedControlSite whose posts from other threads can be
// held at a gate: the worker then waits, still busy, at its first
// notification for as long as a test needs. Records whether anything reached
// the host's side on another thread.
class GatedSite final : public IControlSite {
public:
    explicit GatedSite(std::vector<std::string>& log)
        : queue_([this, &log](const std::string& description, const std::string& source) {
              noteThread();
              log.push_back("shown " + source + ": " + description);
          })
    {
    }
    void PostToHostThread(std::function<void()> task) override
    {
        if (!queue_.IsHostThread()) {
            std::unique_lock lock(mutex_);
            held_ = true;
            changed_.notify_all();
            changed_.wait(lock, [this] { return !closed_; });
        }
        queue_.PostToHostThread(std::move(task));
    }
    [[nodiscard]] bool IsHostThread() const override { return queue_.IsHostThread(); }
    void ShowErrorMessage(const std::string& d, const std::string& s) override { queue_.ShowErrorMessage(d, s); }
    [[nodiscard]] bool ContinueWork() override { return !stop; }
    void WorkProgress(std::uint64_t, const std::string&) override {}

    void setGate(bool closed)
    {
        const std::lock_guard lock(mutex_);
        closed_ = closed;
        changed_.notify_all();
    }
    bool waitUntilHeld()
    {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, kPatience, [this] { return held_; });
    }
    bool waitFor(const std::function<bool()>& done) { return queue_.waitFor(done, kPatience); }
    std::size_t runPending() { return queue_.runPending(); }
    void noteThread() { offHostThread |= !queue_.IsHostThread(); }
    bool offHostThread = false;
    std::atomic<bool> stop{false};  // what ContinueWork answers, negated

private:
    QueuedControlSite queue_;
    std::mutex mutex_;
    std::condition_variable changed_;
    bool closed_ = false;
    bool held_ = false;
};

// "error NUMBER STATUS SOURCE: TEXT", as a sink sees the notification.
std::string seen(int number, std::uint32_t scode, const std::string& text, const std::string& source = "Kompak")
{
    char status[16];
    std::snprintf(status, sizeof status, "%08X", scode);
    return "error " + std::to_string(number) + " " + status + " " + source + ": " + text;
}

class KompakControlTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        sink_.onError([this](ErrorNotification& error) {
            site_.noteThread();
            log_.push_back(
                seen(error.number, static_cast<std::uint32_t>(error.scode), error.description, error.source));
            error.cancelDisplay = cancelDisplay_;
        });
        sink_.on(eventid::ZipThreadDone, [this](const std::vector<Variant>& arguments) {
            site_.noteThread();
            ASSERT_EQ(arguments.size(), 1u);
            ASSERT_EQ(arguments[0].type(), Variant::Type::Int16);
            log_.push_back("ZipThreadDone " + std::to_string(*arguments[0].toInt16()));
            if (onDone_)
                onDone_();
        });
        control_ = DispatchObject(ControlHost(kompakLibrary()).createControl(kHostClassName, &site_));
        connection_ = control_.advise(DIID__DKompakEvents, sink_);
    }
    void TearDown() override
    {
        site_.setGate(false); // never leave a worker waiting: the control joins it
        connection_.disconnect();
        control_.reset();
        site_.runPending();
    }

    Variant call(DISPID id, const std::vector<Variant>& arguments = {})
    {
        Variant result = control_.call(id, arguments);
        EXPECT_EQ(control_.lastStatus(), S_OK) << "dispatch identifier " << id;
        return result;
    }
    Variant get(DISPID id) { return control_.get(id); }
    HRESULT invoke(DISPID id, DispatchKind kind, const std::vector<Variant>& arguments)
    {
        Variant result;
        return control_.object()->Invoke(id, kind, arguments, &result, nullptr);
    }
    ComPtr<IPersistState> persist() { return control_.object().query<IPersistState>(IID_IPersistState); }
    bool waitForLog(std::size_t entries)
    {
        return site_.waitFor([&] { return log_.size() >= entries; });
    }

    // An archive of a.txt and sub/b.txt made through the control.
    std::string makeArchive()
    {
        std::filesystem::create_directories(dir_.file("in"));
        writeFile(dir_.file("in/a.txt"), "alpha");
        writeFile(dir_.file("in/b.txt"), "beta");
        const std::string zip = dir_.file("made.zip");
        control_.put(dispid::PreserveDirPath, false);
        EXPECT_EQ(call(dispid::NewZipFile, {zip, I16{1}}), kTrue);
        EXPECT_EQ(call(dispid::ZipOneFile, {dir_.file("in/a.txt"), "", "", I16{0}}), kTrue);
        EXPECT_EQ(call(dispid::ZipOneFile, {dir_.file("in/b.txt"), "", "sub", I16{0}}), kTrue);
        EXPECT_EQ(call(dispid::ZipClose), kTrue);
        return zip;
    }

    TempDir dir_;
    std::vector<std::string> log_;
    bool cancelDisplay_ = false;
    std::function<void()> onDone_;
    GatedSite site_{log_};
    FunctionEventSink sink_;
    DispatchObject control_;
    EventConnection connection_;
};

// ---------------------------------------------------------------------------
// The dispatch interface

TEST_F(KompakControlTest, EveryMemberNameMapsToItsDispatchIdentifierIgnoringCase)
{
    const char* names[] = {"PreserveDirPath",       "Notify",
                           "FilePathArray",         "FileCompressedSizeArray",
                           "FileDateModifiedArray", "FileUnCompressedSizeArray",
                           "LongFileNameArray",     "ShortFileNameArray",
                           "MultipleFiles",         "ZipClose",
                           "GetZipFileInfo",        "UnZipOneFile",
                           "UnZipAllFiles",         "NewZipFile",
                           "ZipEntireDirectory",    "ZipOneFile",
                           "ZipNextFiles"};
    for (DISPID id = 1; id <= 17; ++id)
        EXPECT_EQ(control_.idOf(names[id - 1]), id);
    EXPECT_EQ(control_.idOf("zipentiredirectory"), dispid::ZipEntireDirectory);
    EXPECT_EQ(control_.idOf("PRESERVEDIRPATH"), dispid::PreserveDirPath);
    EXPECT_EQ(control_.idOf("ZipThreadDone"), std::nullopt);
    EXPECT_EQ(control_.lastStatus(), DISP_E_UNKNOWNNAME);
}

TEST_F(KompakControlTest, InvokeRefusesWrongKindsCountsAndTypesWithoutRunningAnything)
{
    const std::string zip = dir_.file("x.zip");
    EXPECT_EQ(invoke(17, DispatchKind::PropertyGet, {}), DISP_E_MEMBERNOTFOUND);
    EXPECT_EQ(invoke(dispid::ZipClose, DispatchKind::PropertyGet, {}), DISP_E_MEMBERNOTFOUND);
    EXPECT_EQ(invoke(dispid::Notify, DispatchKind::Method, {}), DISP_E_MEMBERNOTFOUND);
    EXPECT_EQ(invoke(dispid::Notify, DispatchKind::PropertyGet, {true}), DISP_E_BADPARAMCOUNT);
    EXPECT_EQ(invoke(dispid::Notify, DispatchKind::PropertyPut, {"yes"}), DISP_E_TYPEMISMATCH);
    EXPECT_EQ(invoke(dispid::NewZipFile, DispatchKind::Method, {zip}), DISP_E_BADPARAMCOUNT);
    EXPECT_EQ(invoke(dispid::NewZipFile, DispatchKind::Method, {I16{1}, I16{1}}), DISP_E_TYPEMISMATCH);
    EXPECT_EQ(invoke(dispid::NewZipFile, DispatchKind::Method, {zip, std::int32_t{70000}}), DISP_E_TYPEMISMATCH);
    EXPECT_FALSE(std::filesystem::exists(zip));
    EXPECT_THAT(log_, IsEmpty());
    // In range, a 32-bit or boolean value is taken for a 16-bit argument.
    EXPECT_EQ(call(dispid::NewZipFile, {zip, true}), kTrue);
}

// Each method hands its arguments to the zip work in the interface's order;
// the listing properties only change through GetZipFileInfo.
TEST_F(KompakControlTest, MethodsPassTheirArgumentsInOrderAndTheListingIsReadOnly)
{
    const auto refuseWrites = [&] {
        for (DISPID id = dispid::FilePathArray; id <= dispid::MultipleFiles; ++id) {
            const Variant before = get(id);
            EXPECT_FALSE(control_.put(id, id == dispid::MultipleFiles ? Variant(I16{7}) : Variant("changed")));
            EXPECT_EQ(control_.lastStatus(), CTL_E_SETNOTSUPPORTED);
            EXPECT_EQ(get(id), before);
        }
    };
    for (DISPID id = dispid::FilePathArray; id < dispid::MultipleFiles; ++id)
        EXPECT_EQ(get(id), Variant(""));
    EXPECT_EQ(get(dispid::MultipleFiles), Variant(I16{0}));
    refuseWrites();

    std::filesystem::create_directories(dir_.file("tree/deep"));
    writeFile(dir_.file("tree/top.txt"), "top");
    writeFile(dir_.file("tree/deep/x.txt"), "deep");
    writeFile(dir_.file("one.txt"), "one");
    const std::string zip = dir_.file("order.zip");

    ASSERT_EQ(call(dispid::NewZipFile, {zip, I16{0}}), kTrue);
    // filename_in_zip names nothing; dirpath_in_zip is the third argument.
    EXPECT_EQ(call(dispid::ZipOneFile, {dir_.file("one.txt"), "other.txt", "\\sub", I16{0}}), kTrue);
    ASSERT_TRUE(control_.put(dispid::PreserveDirPath, true));
    // Without subfolders, trimmed to the folder's own name.
    EXPECT_EQ(call(dispid::ZipEntireDirectory, {dir_.file("tree"), I16{0}, I16{1}}), kTrue);
    EXPECT_EQ(call(dispid::ZipClose), kTrue);

    ASSERT_EQ(call(dispid::GetZipFileInfo, {zip}), kTrue);
    refuseWrites();
    EXPECT_EQ(get(dispid::MultipleFiles), Variant(I16{2}));
    EXPECT_EQ(get(dispid::LongFileNameArray), Variant("sub/one.txt|tree/top.txt"));
    EXPECT_EQ(get(dispid::ShortFileNameArray), Variant("one.txt|top.txt"));
    EXPECT_EQ(get(dispid::FilePathArray), Variant("sub/|tree/"));
    EXPECT_EQ(get(dispid::FileDateModifiedArray), Variant("0/1/1980 12:00 AM|0/1/1980 12:00 AM"));
    EXPECT_EQ(get(dispid::FileUnCompressedSizeArray), Variant("3|3"));

    EXPECT_EQ(call(dispid::UnZipOneFile, {zip, "TREE/TOP.TXT", dir_.file("one")}), kTrue);
    EXPECT_EQ(veilcraft::test::listFolder(dir_.file("one")), std::vector<std::string>{"tree"});
    EXPECT_EQ(call(dispid::UnZipAllFiles, {zip, dir_.file("all")}), kTrue);
    EXPECT_EQ(readFile(dir_.file("all/sub/one.txt")), "one");
    EXPECT_EQ(readFile(dir_.file("all/tree/top.txt")), "top");
    EXPECT_THAT(log_, IsEmpty());
}

// ---------------------------------------------------------------------------
// ReportError and the error notification

TEST_F(KompakControlTest, EachErrorCodeReachesTheSinksWithItsStatusNumberAndSource)
{
    const std::string zip = makeArchive();
    // Both CRC fields of the first entry wrong: it reads through but fails its check.
    const std::string damaged = dir_.file("damaged.zip");
    std::string bytes = readFile(zip);
    bytes[14] ^= 0x5A;
    bytes[bytes.find("PK\x01\x02") + 16] ^= 0x5A;
    writeFile(damaged, bytes);
    const std::string missing = dir_.file("missing.zip");
    const std::string unwritable = dir_.file("no/such/x.zip");
    struct Case {
        DISPID id;
        std::vector<Variant> arguments;
        std::string text;
        std::uint32_t scode;
        int number;
    };
    const Case cases[] = {
        {dispid::ZipOneFile, {zip, "", "", I16{0}}, "you must first open a new zip file to write in", 0x800A0005, 5},
        {dispid::NewZipFile, {unwritable, I16{1}}, unwritable + " can not be created", 0x800A02DF, 735},
        {dispid::NewZipFile, {zip, I16{0}}, zip + " can not be overwritten, overwrite flag off", 0x800A003A, 58},
        {dispid::UnZipOneFile, {zip, "x.txt", dir_.path()}, "Could Not Locate x.txt in " + zip, 0x800A0035, 53},
        {dispid::GetZipFileInfo, {missing}, missing + " can not be read", 0x800A004B, 75},
        {dispid::UnZipOneFile,
         {damaged, "a.txt", dir_.path()},
         "current file in zip can not be closed: a.txt",
         0x800A0039,
         57},
    };
    for (const Case& c : cases) {
        log_.clear();
        EXPECT_EQ(call(c.id, c.arguments), kFalse) << c.text;
        EXPECT_THAT(log_, ElementsAre(seen(c.number, c.scode, c.text), "shown Kompak: " + c.text));
    }
    EXPECT_FALSE(site_.offHostThread);
}

TEST_F(KompakControlTest, CancelDisplayDecidesWhetherTheMessageIsShown)
{
    const std::string text = "you must first open a new zip file to write in";
    cancelDisplay_ = true;
    EXPECT_EQ(call(dispid::ZipEntireDirectory, {dir_.path(), I16{1}, I16{1}}), kFalse);
    cancelDisplay_ = false;
    EXPECT_EQ(call(dispid::ZipEntireDirectory, {dir_.path(), I16{1}, I16{1}}), kFalse);
    const std::string error = seen(5, 0x800A0005, text);
    EXPECT_THAT(log_, ElementsAre(error, error, "shown Kompak: " + text));
}

TEST(KompakControlDirect, ReportErrorWithoutTextOnlyReturnsFalse)
{
    std::vector<std::string> log;
    QueuedControlSite site([&log](const std::string& description, const std::string&) { log.push_back(description); });
    FunctionEventSink sink;
    sink.onError([&log](ErrorNotification& error) { log.push_back("error " + std::to_string(error.number)); });
    auto* control = new CKompakCtrl();
    control->SetClientSite(&site);
    std::uint32_t cookie = 0;
    ASSERT_EQ(control->Advise(DIID__DKompakEvents, &sink, &cookie), S_OK);

    EXPECT_FALSE(control->ReportError("", ZipError::CannotRead));
    EXPECT_THAT(log, IsEmpty());
    EXPECT_FALSE(control->ReportError("x can not be read", ZipError::CannotRead));
    EXPECT_THAT(log, ElementsAre("error 75", "x can not be read"));
    control->Release();
}

// ---------------------------------------------------------------------------
// Saved state

TEST_F(KompakControlTest, FlagsStartFalseAndSavedStateHoldsNotifyThenPreserveDirPath)
{
    const auto state = persist();
    EXPECT_EQ(get(dispid::Notify), kFalse);
    EXPECT_EQ(get(dispid::PreserveDirPath), kFalse);
    ASSERT_EQ(state->Load({0x00010000, {{"PreserveDirPath", kTrue}, {"Notify", kTrue}}}), S_OK);
    EXPECT_EQ(get(dispid::Notify), kTrue);
    EXPECT_EQ(get(dispid::PreserveDirPath), kTrue);
    EXPECT_FALSE(state->IsDirty());

    ASSERT_EQ(state->InitNew(), S_OK);
    EXPECT_EQ(get(dispid::Notify), kTrue) << "reset keeps both flags";
    EXPECT_EQ(get(dispid::PreserveDirPath), kTrue);

    for (const DISPID id : {dispid::Notify, dispid::PreserveDirPath}) {
        SavedState saved{0, {{"stale", Variant(1)}}};
        ASSERT_TRUE(control_.put(id, false));
        EXPECT_TRUE(state->IsDirty());
        ASSERT_EQ(state->Save(saved), S_OK);
        EXPECT_FALSE(state->IsDirty());
        EXPECT_EQ(saved.version, 0x00010000u);
        using Value = std::pair<std::string, Variant>;
        EXPECT_THAT(saved.values,
                    ElementsAre(Value{"Notify", kFalse}, Value{"PreserveDirPath", get(dispid::PreserveDirPath)}));
    }
}

TEST_F(KompakControlTest, ControlLoadedWithNotifyOffRunsEverythingSynchronouslyAndFiresNothing)
{
    ASSERT_EQ(persist()->Load({0x00010000, {{"Notify", kFalse}, {"PreserveDirPath", kFalse}}}), S_OK);
    const std::string zip = makeArchive();
    EXPECT_EQ(call(dispid::UnZipAllFiles, {zip, dir_.file("out")}), kTrue);
    EXPECT_EQ(readFile(dir_.file("out/b.txt")), "beta");
    EXPECT_EQ(call(dispid::UnZipOneFile, {zip, "none", dir_.file("out")}), kFalse);
    EXPECT_EQ(call(dispid::ZipEntireDirectory, {dir_.path(), I16{1}, I16{1}}), kFalse);
    EXPECT_EQ(site_.runPending(), 0u) << "nothing was left for later";
    EXPECT_EQ(log_.size(), 4u) << "two errors, each shown, and no event";
}

// ---------------------------------------------------------------------------
// Background operation

TEST_F(KompakControlTest, EveryMethodIsRefusedWhileBusyAndZipCloseSucceedsFromZipThreadDone)
{
    std::filesystem::create_directories(dir_.file("tree"));
    // Met first and reported from the worker, where the gate holds the run busy.
    std::filesystem::create_symlink(dir_.file("nowhere"), dir_.file("tree/a-dangling"));
    writeFile(dir_.file("tree/b.txt"), "beta");
    const std::string zip = dir_.file("bg.zip");
    ASSERT_TRUE(control_.put(dispid::PreserveDirPath, true));
    ASSERT_TRUE(control_.put(dispid::Notify, true));
    ASSERT_EQ(call(dispid::NewZipFile, {zip, I16{1}}), kTrue);
    site_.setGate(true);
    ASSERT_EQ(call(dispid::ZipEntireDirectory, {dir_.file("tree"), I16{1}, I16{1}}), kTrue);
    ASSERT_TRUE(site_.waitUntilHeld());

    const std::vector<std::pair<DISPID, std::vector<Variant>>> calls = {
        {dispid::ZipClose, {}},
        {dispid::GetZipFileInfo, {zip}},
        {dispid::UnZipOneFile, {zip, "a.txt", dir_.path()}},
        {dispid::UnZipAllFiles, {zip, dir_.path()}},
        {dispid::NewZipFile, {zip, I16{1}}},
        {dispid::ZipEntireDirectory, {dir_.path(), I16{1}, I16{1}}},
        {dispid::ZipOneFile, {dir_.file("tree/b.txt"), "", "", I16{1}}},
    };
    cancelDisplay_ = true;
    for (const auto& [id, arguments] : calls)
        EXPECT_EQ(call(id, arguments), kFalse) << "dispatch identifier " << id;
    EXPECT_EQ(log_, std::vector<std::string>(calls.size(), seen(5, 0x800A0005, kBusyMessage)));
    cancelDisplay_ = false;
    // Properties are not guarded; the running operation keeps the option it started with.
    EXPECT_TRUE(control_.put(dispid::PreserveDirPath, false));

    std::optional<Variant> closedFromHandler;
    onDone_ = [&] { closedFromHandler = call(dispid::ZipClose); };
    log_.clear();
    site_.setGate(false);
    ASSERT_TRUE(waitForLog(3));
    const std::string unreadable = dir_.file("tree/a-dangling") + " could not be read";
    EXPECT_THAT(log_, ElementsAre(seen(75, 0x800A004B, unreadable), "shown Kompak: " + unreadable, "ZipThreadDone 3"));
    EXPECT_EQ(closedFromHandler, kTrue);
    EXPECT_FALSE(site_.offHostThread);
    ASSERT_EQ(call(dispid::GetZipFileInfo, {zip}), kTrue);
    EXPECT_EQ(get(dispid::LongFileNameArray), Variant("tree/b.txt"));
}

TEST_F(KompakControlTest, BackgroundUnZipOfAMissingEntryReturnsTrueThenReportsThenSignals)
{
    const std::string zip = makeArchive();
    ASSERT_TRUE(control_.put(dispid::Notify, true));
    const Variant result = call(dispid::UnZipOneFile, {zip, "absent.txt", dir_.file("out")});
    log_.push_back(result == kTrue ? "returned true" : "returned false");
    ASSERT_TRUE(waitForLog(4));
    const std::string text = "Could Not Locate absent.txt in " + zip;
    EXPECT_THAT(log_,
                ElementsAre("returned true", seen(53, 0x800A0035, text), "shown Kompak: " + text, "ZipThreadDone 1"));
    EXPECT_FALSE(site_.offHostThread);

    // The next background operation starts once the first one's thread has ended.
    log_.clear();
    EXPECT_EQ(call(dispid::UnZipAllFiles, {zip, dir_.file("out")}), kTrue);
    ASSERT_TRUE(waitForLog(1));
    EXPECT_THAT(log_, ElementsAre("ZipThreadDone 2"));
    EXPECT_EQ(readFile(dir_.file("out/b.txt")), "beta");
}

TEST_F(KompakControlTest, ReleasingTheControlDuringABackgroundOperationWaitsForIt)
{
    const std::string zip = makeArchive();
    ASSERT_TRUE(control_.put(dispid::Notify, true));
    ASSERT_EQ(call(dispid::UnZipAllFiles, {zip, dir_.file("out")}), kTrue);
    connection_.disconnect();
    control_.reset();
    EXPECT_EQ(readFile(dir_.file("out/b.txt")), "beta");
    // A ZipThreadDone queued before the release holds the control until it has run.
    const auto library = ComponentLibrary::load(kompakLibrary());
    EXPECT_TRUE(site_.waitFor([&] { return library->canUnloadNow() == S_OK; }));
}

// ---------------------------------------------------------------------------
// Registration and the library's life

// Caught: the control never asked its site whether to go on, so a stop
// waited for the whole archive.
TEST_F(KompakControlTest, AStopAskedByTheSiteEndsTheWorkWithoutANotification)
{
    const std::string zip = makeArchive();
    site_.stop = true;
    EXPECT_EQ(call(dispid::UnZipAllFiles, {zip, dir_.file("out")}), kFalse);
    site_.runPending();
    EXPECT_THAT(log_, IsEmpty());
    EXPECT_THAT(listFolder(dir_.file("out")), IsEmpty());
}

TEST(KompakRegistration, RegisterWritesTheTypeLibraryAndBothClassesAndUnregisterRemovesThem)
{
    const auto library = ComponentLibrary::load(kompakLibrary());
    ASSERT_EQ(library->registerServer(), S_OK);
    const std::string control = "CLSID\\{D1A83111-FF35-4897-A5DF-AE05DCD46AB1}";
    const std::string page = "CLSID\\{3DD3FA89-E535-4464-86F6-3C65BE2DD98F}";
    const std::string typeLib = "TypeLib\\{F9BD3F62-6B83-4A67-942B-BF52D801791A}\\1.0";
    const std::string dispatch = "Interface\\{BE15AD39-FF62-45A4-9039-873D452E91C8}";
    const std::vector<std::pair<std::string, std::string>> expected = {
        {"KOMPAK.KompakCtrl.1\\CLSID", "{D1A83111-FF35-4897-A5DF-AE05DCD46AB1}"},
        {control, "Kompak Control"},
        {control + "\\InprocServer32", library->path()},
        {control + "\\MiscStatus\\1", std::to_string(0x20491)},
        {control + "\\ToolboxBitmap32", library->path() + ", 1"},
        {control + "\\Version", "1.0"},
        {page, "Kompak Property Page"},
        {typeLib, "Kompak ActiveX Control module"},
        {typeLib + "\\Name", "KOMPAKLib"},
        {typeLib + "\\409\\linux", library->path()},
        {dispatch, "_DKompak"},
        {"Interface\\{55E3E38A-CA81-4576-8816-93677E936830}", "_DKompakEvents"},
    };
    const veilcraft::registry::RegistryStore store(veilcraft::registry::RegistryStore::defaultPath());
    for (const auto& [key, value] : expected)
        EXPECT_EQ(store.value(key), value) << key;
    EXPECT_EQ(store.value(control + "\\InprocServer32", "ThreadingModel"), "Apartment");
    EXPECT_TRUE(store.keyExists(control + "\\Control") && store.keyExists(control + "\\Insertable"));
    EXPECT_EQ(ComponentRegistry().resolve("KOMPAKLib.Kompak"), CLSID_Kompak);
    // The page class is served through the control's library by its widget library.
    EXPECT_TRUE(library->classFactory(CLSID_KompakPropPage));

    ASSERT_EQ(library->unregisterServer(), S_OK);
    for (const std::string& key : {control, page, typeLib, dispatch, std::string("KOMPAK.KompakCtrl.1")})
        EXPECT_FALSE(store.keyExists(key)) << key;
}

TEST(KompakRegistration, AnUnwritableStoreGivesTheTypeLibraryStatus)
{
    TempDir dir;
    writeFile(dir.file("file"), "");
    const std::string saved = std::getenv("VEILCRAFT_REGISTRY");
    ::setenv("VEILCRAFT_REGISTRY", dir.file("file/registry").c_str(), 1);
    const auto library = ComponentLibrary::load(kompakLibrary());
    EXPECT_EQ(library->registerServer(), SELFREG_E_TYPELIB);
    EXPECT_EQ(library->unregisterServer(), SELFREG_E_TYPELIB);
    ::setenv("VEILCRAFT_REGISTRY", saved.c_str(), 1);
}

TEST(KompakRegistration, TheLibraryCanUnloadOnlyWithoutObjectsAndLocks)
{
    const auto library = ComponentLibrary::load(kompakLibrary());
    ASSERT_EQ(library->canUnloadNow(), S_OK);
    {
        const ComPtr<IClassFactory> factory = library->classFactory(CLSID_Kompak);
        EXPECT_EQ(library->canUnloadNow(), S_FALSE);
        void* object = nullptr;
        EXPECT_EQ(factory->CreateInstance(factory.get(), IID_IDispatch, &object), CLASS_E_NOAGGREGATION);
        ASSERT_EQ(factory->CreateInstance(nullptr, IID_IDispatch, &object), S_OK);
        static_cast<IDispatch*>(object)->Release();
        EXPECT_EQ(factory->LockServer(true), S_OK);
    }
    EXPECT_EQ(library->canUnloadNow(), S_FALSE) << "the server lock holds it";
    EXPECT_EQ(library->classFactory(CLSID_Kompak)->LockServer(false), S_OK);
    EXPECT_EQ(library->canUnloadNow(), S_OK);
}

// ---------------------------------------------------------------------------
// The zip subcommand

TEST(KompakZipCommand, CreateListExtractRoundTrip)
{
    TempDir dir;
    std::filesystem::create_directories(dir.file("docs/sub"));
    writeFile(dir.file("docs/a.txt"), "alpha");
    writeFile(dir.file("docs/sub/b.txt"), "beta!");
    writeFile(dir.file("single.txt"), "single");
    const std::string zip = dir.file("all.zip");
    std::string out;
    std::string err;
    const auto run = [&](std::vector<std::string> arguments) {
        std::istringstream in;
        std::ostringstream o;
        std::ostringstream e;
        arguments.insert(arguments.begin(), "zip");
        const int code = veilcraft::cli::runCli(arguments, in, o, e);
        out = o.str();
        err = e.str();
        return code;
    };

    ASSERT_EQ(run({"create", zip, dir.file("docs/"), dir.file("single.txt")}), 0) << err;
    ASSERT_EQ(run({"list", zip}), 0);
    const std::string folder = std::filesystem::path(dir.path()).filename().string();
    std::istringstream lines(out);
    std::vector<std::string> rows;
    for (std::string line; std::getline(lines, line);) {
        std::istringstream row(line);
        std::vector<std::string> cells;
        for (std::string cell; std::getline(row, cell, '\t');)
            cells.push_back(cell);
        ASSERT_EQ(cells.size(), 5u) << line;
        rows.push_back(cells[0] + "|" + cells[1] + "|" + cells[2] + "|" + cells[4]);
    }
    EXPECT_THAT(rows, ElementsAre("b.txt|0/1/1980 12:00 AM|5|docs/sub/", "a.txt|0/1/1980 12:00 AM|5|docs/",
                                  "single.txt|0/1/1980 12:00 AM|6|" + folder + "/"))
        << "packed sizes left out";

    ASSERT_EQ(run({"extract", zip, "--dest", dir.file("out")}), 0);
    EXPECT_EQ(readFile(dir.file("out/docs/sub/b.txt")), "beta!");
    EXPECT_EQ(readFile(dir.file("out/" + folder + "/single.txt")), "single");
    EXPECT_EQ(run({"extract", zip, "--flat", "--dest", dir.file("flat"), "DOCS/A.TXT", "nope"}), 1);
    EXPECT_EQ(err, "veilcraft zip: Could Not Locate nope in " + zip + "\n");
    EXPECT_EQ(readFile(dir.file("flat/a.txt")), "alpha");

    EXPECT_EQ(run({"list", dir.file("missing.zip")}), 1);
    EXPECT_EQ(run({"create", zip}), 2);
    EXPECT_EQ(run({"list", zip, "--flat"}), 2);
}

// An output that refuses every byte, as standard output on a full disk.
class FullDiskBuffer final : public std::streambuf {
protected:
    int_type overflow(int_type) override
    {
        errno = ENOSPC;
        return traits_type::eof();
    }
};

int runZipCommand(std::vector<std::string> arguments, std::ostream& out, std::string& err)
{
    std::istringstream in;
    std::ostringstream e;
    arguments.insert(arguments.begin(), "zip");
    const int code = veilcraft::cli::runCli(arguments, in, out, e);
    err = e.str();
    return code;
}

// Caught: a signal ended the command with the archive half written, or was
// not heard at all.
TEST(KompakZipCommand, AnInterruptedCreateLeavesNoArchiveAndSaysSo)
{
    TempDir dir;
    writeFile(dir.file("a.txt"), "alpha");
    std::ostringstream out;
    std::string err;
    int code = 0;
    {
        const veilcraft::cli::Interruption held;
        std::raise(SIGTERM);
        code = runZipCommand({"create", dir.file("all.zip"), dir.file("a.txt")}, out, err);
        veilcraft::cli::Interruption::reset();
    }
    EXPECT_EQ(code, 1);
    EXPECT_EQ(err, "veilcraft zip: Stopped; nothing more was written.\n");
    EXPECT_THAT(listFolder(dir.path()), ElementsAre("a.txt"));
}

// Caught: a listing lost on a full disk still ended with success.
TEST(KompakZipCommand, AListThatCannotBeWrittenFails)
{
    TempDir dir;
    writeFile(dir.file("a.txt"), "alpha");
    std::ostringstream ignored;
    std::string err;
    ASSERT_EQ(runZipCommand({"create", dir.file("a.zip"), dir.file("a.txt")}, ignored, err), 0) << err;
    FullDiskBuffer full;
    std::ostream out(&full);
    EXPECT_EQ(runZipCommand({"list", dir.file("a.zip")}, out, err), 1);
    EXPECT_EQ(err, "veilcraft zip list: the output cannot be written: No space left on device\n");
}

} // namespace
