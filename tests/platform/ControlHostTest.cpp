// The host's path to a control: by class name through the registry store,
// loading its library, creating it through its class factory with the site
// given first, the fallback registration of the library shipped with the
// program, and unloading only once no object of the library is left.
#include "ComponentError.h"
#include "ComponentLibrary.h"
#include "ComponentRegistry.h"
#include "ControlHost.h"
#include "DispatchObject.h"
#include "FunctionEventSink.h"
#include "QueuedControlSite.h"
#include "ScopedEnv.h"
#include "TempDir.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <dlfcn.h>
#include <filesystem>

namespace {

using namespace veilcraft::component;
using ::testing::HasSubstr;
using veilcraft::test::ScopedEnv;
using veilcraft::test::TempDir;

constexpr DISPID kValue = 1;
constexpr DISPID kAdd = 2;
const Guid kWidget{0x5C0FFEE1, 0x1234, 0x4A6B, {0x9C, 0x01, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77}};
const Guid kWidgetEvents{0x5C0FFEE3, 0x1234, 0x4A6B, {0x9C, 0x01, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77}};

const std::string kLibrary = std::filesystem::canonical(TEST_CONTROL_LIBRARY).string();

bool isLoaded(const std::string& path)
{
    void* handle = ::dlopen(path.c_str(), RTLD_NOW | RTLD_NOLOAD);
    if (handle != nullptr)
        ::dlclose(handle);
    return handle != nullptr;
}

// Every test starts from an empty registry store of its own, which the
// library's DllRegisterServer writes to as well.
class ControlHostTest : public ::testing::Test {
protected:
    TempDir dir;
    ScopedEnv registryPath{"VEILCRAFT_REGISTRY", dir.file("registry")};
    QueuedControlSite site;
};

TEST_F(ControlHostTest, CreatesByProgramIdentifierAndByLibraryClassName)
{
    ASSERT_EQ(ComponentLibrary::load(kLibrary)->registerServer(), S_OK);
    ControlHost host;
    for (const char* name : {"PlatTest.Widget.1", "PlatTestLib.Widget", "plattestlib.WIDGET"}) {
        DispatchObject widget(host.createControl(name, &site));
        ASSERT_TRUE(widget) << name;
        EXPECT_TRUE(widget.put(kValue, std::int32_t{40}));
        // Add works only when the site was given before the first call.
        EXPECT_EQ(widget.call(kAdd, {std::int16_t{2}}), Variant(std::int32_t{42})) << widget.lastException().description;
        EXPECT_EQ(widget.get(kValue), Variant(std::int32_t{42}));
        EXPECT_EQ(widget.idOf("add"), kAdd);
    }
    EXPECT_THROW((void)host.createControl("PlatTest.Nothing.1", &site), ComponentError);
}

TEST_F(ControlHostTest, DispatchObjectKeepsTheErrorOfTheLastCall)
{
    ASSERT_EQ(ComponentLibrary::load(kLibrary)->registerServer(), S_OK);
    DispatchObject widget(ControlHost().createControl("PlatTest.Widget.1", nullptr));
    EXPECT_EQ(widget.call(kAdd, {std::int32_t{1}}), Variant());
    EXPECT_EQ(widget.lastStatus(), DISP_E_EXCEPTION);
    EXPECT_EQ(widget.lastException().description, "the control has no site");
    EXPECT_FALSE(widget.put(kValue, "text"));
    EXPECT_EQ(widget.lastStatus(), DISP_E_TYPEMISMATCH);
    EXPECT_TRUE(widget.put(kValue, std::int32_t{1}));
    EXPECT_EQ(widget.lastException().description, "") << "a later call starts afresh";
    EXPECT_EQ(widget.idOf("Nope"), std::nullopt);
    EXPECT_EQ(widget.lastStatus(), DISP_E_UNKNOWNNAME);
}

TEST_F(ControlHostTest, EventsArriveThroughTheSiteOnTheHostThread)
{
    ASSERT_EQ(ComponentLibrary::load(kLibrary)->registerServer(), S_OK);
    DispatchObject widget(ControlHost().createControl("PlatTest.Widget.1", &site));
    std::vector<Variant> seen;
    FunctionEventSink sink;
    sink.on(1, [&](const std::vector<Variant>& arguments) { seen.push_back(arguments.at(0)); });
    {
        const EventConnection connection = widget.advise(kWidgetEvents, sink);
        widget.call(kAdd, {std::int32_t{5}});
        EXPECT_TRUE(seen.empty()) << "posted, not delivered inside the call";
        EXPECT_TRUE(site.waitFor([&] { return !seen.empty(); }, std::chrono::seconds(10)));
        EXPECT_EQ(seen, std::vector<Variant>{Variant(std::int32_t{5})});
    }
    widget.call(kAdd, {std::int32_t{5}});
    site.runPending();
    EXPECT_EQ(seen.size(), 1U) << "a disconnected sink hears nothing";
    EXPECT_THROW((void)widget.advise(kWidget, sink), ComponentError);
}

TEST_F(ControlHostTest, RegistersTheFallbackLibraryWhenTheClassIsNotRegistered)
{
    EXPECT_THAT([&] { (void)ControlHost().createControl("PlatTestLib.Widget", &site); },
                ::testing::ThrowsMessage<ComponentError>(HasSubstr("PlatTestLib.Widget is not registered")));

    DispatchObject widget(ControlHost(kLibrary).createControl("PlatTestLib.Widget", &site));
    ASSERT_TRUE(widget);
    EXPECT_EQ(ComponentRegistry().libraryOf(kWidget), kLibrary);
}

TEST_F(ControlHostTest, RegistersTheFallbackLibraryWhenTheRegisteredFileIsGone)
{
    const std::string moved = dir.file("libmoved.so");
    std::filesystem::copy_file(kLibrary, moved);
    ASSERT_EQ(ComponentLibrary::load(moved)->registerServer(), S_OK);
    ASSERT_EQ(ComponentRegistry().libraryOf(kWidget), std::filesystem::canonical(moved).string());
    std::filesystem::remove(moved);

    EXPECT_THROW((void)ControlHost().createControl("PlatTest.Widget.1", &site), ComponentError);
    DispatchObject widget(ControlHost(kLibrary).createControl("PlatTest.Widget.1", &site));
    ASSERT_TRUE(widget);
    EXPECT_EQ(ComponentRegistry().libraryOf(kWidget), kLibrary);
}

TEST_F(ControlHostTest, TheLibraryStaysLoadedWhileAnyObjectOfItLives)
{
    ASSERT_FALSE(isLoaded(kLibrary)) << "an earlier test left it loaded";
    ControlHost host(kLibrary);
    {
        auto control = host.createControl("PlatTest.Widget.1", &site);
        auto copy = control;
        const auto ole = control.query<IOleControl>(IID_IOleControl);
        ASSERT_TRUE(ole);
        control.reset();
        copy.reset();
        EXPECT_TRUE(isLoaded(kLibrary)) << "the IOleControl reference still holds the object";
        EXPECT_EQ(ole->SetClientSite(&site), S_OK);
    }
    EXPECT_FALSE(isLoaded(kLibrary));

    // A reference the host holds outside any ComPtr is honoured too: the
    // library reports it through DllCanUnloadNow and is not unloaded under it.
    auto control = host.createControl("PlatTest.Widget.1", &site);
    IDispatch* raw = control.get();
    raw->AddRef();
    control.reset();
    EXPECT_TRUE(isLoaded(kLibrary));
    Variant value;
    EXPECT_EQ(raw->Invoke(kValue, DispatchKind::PropertyGet, {}, &value, nullptr), S_OK);
    raw->Release();
}

TEST_F(ControlHostTest, LoadFailuresSayWhatIsWrong)
{
    EXPECT_THAT([] { (void)ComponentLibrary::load("/nonexistent/libnothing.so"); },
                ::testing::ThrowsMessage<ComponentError>(HasSubstr("/nonexistent/libnothing.so could not be loaded")));
    const auto plain = ComponentLibrary::load(NO_ENTRY_LIBRARY);
    EXPECT_THAT([&] { (void)plain->registerServer(); },
                ::testing::ThrowsMessage<ComponentError>(HasSubstr("does not export the entry point DllRegisterServer")));
    const auto widgets = ComponentLibrary::load(kLibrary);
    EXPECT_THAT([&] { (void)widgets->classFactory(kWidgetEvents); },
                ::testing::ThrowsMessage<ComponentError>(HasSubstr("does not provide the class")));
}

TEST(LibraryBesideProgram, FindsTheLibraryFolderOfTheBuildTree)
{
    const std::string name = std::filesystem::path(kLibrary).filename().string();
    EXPECT_EQ(std::filesystem::canonical(libraryBesideProgram(name)).string(), kLibrary);
    EXPECT_EQ(libraryBesideProgram("libnot-built-here.so"), "");
}

}  // namespace
