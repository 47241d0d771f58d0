// A small control library for the host tests, built the way a real control
// library is: the four entry points, a class factory, one class with a
// dispatch interface (property Value, method Add), an event (Added) sent
// through the site, and self-registration at the path it was loaded from.
//
// PLATFORM_TEST_CONTROL_FAIL=typelib|class makes (un)registration fail at
// that step, for the registration command's messages.
#include "ComponentRegistry.h"
#include "Interfaces.h"

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <strings.h>
#include <dlfcn.h>
#include <map>
#include <string>

namespace {

using namespace veilcraft::component;

constexpr Guid kClsid{0x5C0FFEE1, 0x1234, 0x4A6B, {0x9C, 0x01, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77}};
constexpr Guid kTypeLib{0x5C0FFEE2, 0x1234, 0x4A6B, {0x9C, 0x01, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77}};
constexpr Guid kEvents{0x5C0FFEE3, 0x1234, 0x4A6B, {0x9C, 0x01, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77}};
constexpr DISPID kValue = 1;
constexpr DISPID kAdd = 2;
constexpr DISPID kAdded = 1;

std::atomic<int> objects{0};
std::atomic<int> locks{0};

bool failAt(const char* step)
{
    const char* fail = std::getenv("PLATFORM_TEST_CONTROL_FAIL");
    return fail != nullptr && std::strcmp(fail, step) == 0;
}

std::string ownPath()
{
    Dl_info info{};
    if (::dladdr(&objects, &info) == 0 || info.dli_fname == nullptr)
        return {};
    return info.dli_fname;
}

class Widget final : public IDispatch, public IOleControl, public IEventSource {
public:
    Widget() { ++objects; }
    ~Widget() { --objects; }
    Widget(const Widget&) = delete;
    Widget& operator=(const Widget&) = delete;

    HRESULT QueryInterface(const Guid& iid, void** object) override
    {
        if (iid == IID_IUnknown || iid == IID_IDispatch)
            *object = static_cast<IDispatch*>(this);
        else if (iid == IID_IOleControl)
            *object = static_cast<IOleControl*>(this);
        else if (iid == IID_IEventSource)
            *object = static_cast<IEventSource*>(this);
        else {
            *object = nullptr;
            return E_NOINTERFACE;
        }
        AddRef();
        return S_OK;
    }
    std::uint32_t AddRef() override { return ++references_; }
    std::uint32_t Release() override
    {
        const std::uint32_t left = --references_;
        if (left == 0)
            delete this;
        return left;
    }

    HRESULT GetIDsOfNames(const std::string& name, DISPID* id) override
    {
        if (::strcasecmp(name.c_str(), "Value") == 0)
            *id = kValue;
        else if (::strcasecmp(name.c_str(), "Add") == 0)
            *id = kAdd;
        else
            return DISP_E_UNKNOWNNAME;
        return S_OK;
    }

    HRESULT Invoke(DISPID id, DispatchKind kind, const std::vector<Variant>& arguments, Variant* result,
                   ExcepInfo* exception) override
    {
        if (id == kValue && kind == DispatchKind::PropertyGet) {
            if (!arguments.empty())
                return DISP_E_BADPARAMCOUNT;
            if (result != nullptr)
                *result = value_;
            return S_OK;
        }
        if (id == kValue && kind == DispatchKind::PropertyPut) {
            if (arguments.size() != 1)
                return DISP_E_BADPARAMCOUNT;
            const auto value = arguments[0].toInt32();
            if (!value)
                return DISP_E_TYPEMISMATCH;
            value_ = *value;
            return S_OK;
        }
        if (id == kAdd && kind == DispatchKind::Method) {
            if (arguments.size() != 1)
                return DISP_E_BADPARAMCOUNT;
            const auto amount = arguments[0].toInt32();
            if (!amount)
                return DISP_E_TYPEMISMATCH;
            if (site_ == nullptr) {
                if (exception != nullptr)
                    *exception = {5, "PlatTest", "the control has no site", static_cast<HRESULT>(0x800A0005u)};
                return DISP_E_EXCEPTION;
            }
            value_ += *amount;
            for (const auto& [cookie, sink] : sinks_)
                site_->PostToHostThread([sink = sink, value = value_] { sink->OnEvent(kAdded, {value}); });
            if (result != nullptr)
                *result = value_;
            return S_OK;
        }
        return DISP_E_MEMBERNOTFOUND;
    }

    HRESULT SetClientSite(IControlSite* site) override
    {
        site_ = site;
        return S_OK;
    }

    HRESULT Advise(const Guid& eventIid, IEventSink* sink, std::uint32_t* cookie) override
    {
        if (!(eventIid == kEvents))
            return E_NOINTERFACE;
        *cookie = nextCookie_++;
        sinks_[*cookie] = sink;
        return S_OK;
    }
    HRESULT Unadvise(std::uint32_t cookie) override { return sinks_.erase(cookie) != 0 ? S_OK : E_INVALIDARG; }

private:
    std::atomic<std::uint32_t> references_{1};
    std::int32_t value_ = 0;
    IControlSite* site_ = nullptr;
    std::map<std::uint32_t, IEventSink*> sinks_;
    std::uint32_t nextCookie_ = 1;
};

class Factory final : public IClassFactory {
public:
    HRESULT QueryInterface(const Guid& iid, void** object) override
    {
        if (!(iid == IID_IUnknown || iid == IID_IClassFactory)) {
            *object = nullptr;
            return E_NOINTERFACE;
        }
        *object = static_cast<IClassFactory*>(this);
        AddRef();
        return S_OK;
    }
    // A static object: references keep the library loaded, like locks.
    std::uint32_t AddRef() override { return static_cast<std::uint32_t>(++locks + 1); }
    std::uint32_t Release() override { return static_cast<std::uint32_t>(--locks + 1); }

    HRESULT CreateInstance(IUnknown* outer, const Guid& iid, void** object) override
    {
        if (outer != nullptr)
            return CLASS_E_NOAGGREGATION;
        auto* widget = new Widget;
        const HRESULT hr = widget->QueryInterface(iid, object);
        widget->Release();
        return hr;
    }
    HRESULT LockServer(bool lock) override
    {
        locks += lock ? 1 : -1;
        return S_OK;
    }
};

Factory factory;

}  // namespace

VEILCRAFT_COMPONENT_EXPORT HRESULT DllGetClassObject(const Guid* clsid, const Guid* iid, void** object)
{
    if (!(*clsid == kClsid)) {
        *object = nullptr;
        return CLASS_E_CLASSNOTAVAILABLE;
    }
    return factory.QueryInterface(*iid, object);
}

VEILCRAFT_COMPONENT_EXPORT HRESULT DllCanUnloadNow()
{
    return objects == 0 && locks == 0 ? S_OK : S_FALSE;
}

VEILCRAFT_COMPONENT_EXPORT HRESULT DllRegisterServer()
{
    const std::string path = ownPath();
    ComponentRegistry registry;
    TypeLibRegistration typeLib{kTypeLib, "1.0", 0, "PlatTestLib", "Platform test controls", {}, path,
                                {{"Widget", kClsid}}, {}};
    if (failAt("typelib") || failed(registry.registerTypeLib(typeLib)))
        return SELFREG_E_TYPELIB;
    ClassRegistration widget;
    widget.clsid = kClsid;
    widget.progId = "PlatTest.Widget.1";
    widget.typeName = "Test Widget";
    widget.libraryPath = path;
    widget.control = true;
    widget.typeLib = kTypeLib;
    widget.version = "1.0";
    if (failAt("class") || failed(registry.registerClass(widget)))
        return SELFREG_E_CLASS;
    return S_OK;
}

VEILCRAFT_COMPONENT_EXPORT HRESULT DllUnregisterServer()
{
    ComponentRegistry registry;
    if (failAt("typelib") || failed(registry.unregisterTypeLib(kTypeLib, "1.0")))
        return SELFREG_E_TYPELIB;
    if (failAt("class") || failed(registry.unregisterClass(kClsid, "PlatTest.Widget.1")))
        return SELFREG_E_CLASS;
    return S_OK;
}
