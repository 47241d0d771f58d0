// The library's four exported entry points: the class factory, the unload
// check and the registration of the type library and both classes in the
// registry store. Everything else in libkompak.so is hidden.
//
// The property page class is registered here with this library as its
// server, as the control's registration names it. Its widget lives in the
// companion library libkompakpage.so beside this one, so that the control's
// core needs no widget toolkit: requests for the page class are forwarded
// there, and only then is that library loaded.

#include "CKompakCtrl.h"
#include "ComponentRegistry.h"
#include "ControlBase.h"
#include "KompakIds.h"

#include <dlfcn.h>

#include <climits>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <optional>
#include <string>

#define KOMPAK_EXPORT extern "C" __attribute__((visibility("default")))

using namespace veilcraft::component;
using namespace veilcraft::kompak;

namespace {

// The absolute path of this library, found from one of its own functions.
std::optional<std::string> libraryPath()
{
    Dl_info info{};
    if (::dladdr(reinterpret_cast<void*>(&libraryPath), &info) == 0 || info.dli_fname == nullptr)
        return std::nullopt;
    char resolved[PATH_MAX];
    if (::realpath(info.dli_fname, resolved) == nullptr)
        return std::nullopt;
    return std::string(resolved);
}

TypeLibRegistration typeLibrary(const std::string& library)
{
    TypeLibRegistration lib;
    lib.guid = LIBID_KOMPAKLib;
    lib.version = kTypeLibVersion;
    lib.lcid = kTypeLibLocale;
    lib.name = kTypeLibName;
    lib.helpString = kTypeLibDoc;
    lib.helpDir = std::filesystem::path(library).parent_path().string();
    lib.libraryPath = library;
    lib.classes = {{kClassName, CLSID_Kompak}};
    lib.interfaces = {{kDispatchInterfaceName, DIID__DKompak}, {kEventInterfaceName, DIID__DKompakEvents}};
    return lib;
}

ClassRegistration controlClass(const std::string& library)
{
    ClassRegistration c;
    c.clsid = CLSID_Kompak;
    c.progId = kControlProgId;
    c.typeName = kControlTypeName;
    c.libraryPath = library;
    c.threadingModel = "Apartment";
    c.control = true;
    c.insertable = true;
    c.miscStatus = kControlMiscStatus;
    c.toolboxBitmap = kToolboxBitmap;
    c.typeLib = LIBID_KOMPAKLib;
    c.version = kControlVersion;
    return c;
}

// The page's class object from the companion library. The library stays
// loaded for the life of the process: page objects may outlive any count
// this library could keep of them.
HRESULT propertyPageClassObject(const Guid& clsid, const Guid& iid, void** object)
{
    static void* const companion = [] {
        const std::optional<std::string> library = libraryPath();
        if (!library)
            return static_cast<void*>(nullptr);
        const auto path = std::filesystem::path(*library).parent_path() / kPropPageLibrary;
        return ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    }();
    if (companion == nullptr)
        return CLASS_E_CLASSNOTAVAILABLE;
    const auto entry = reinterpret_cast<DllGetClassObjectFn>(::dlsym(companion, "DllGetClassObject"));
    return entry != nullptr ? entry(&clsid, &iid, object) : CLASS_E_CLASSNOTAVAILABLE;
}

ClassRegistration propertyPageClass(const std::string& library)
{
    ClassRegistration c;
    c.clsid = CLSID_KompakPropPage;
    c.progId = kPropPageProgId;
    c.typeName = kPropPageTypeName;
    c.libraryPath = library;
    c.threadingModel = "Apartment";
    return c;
}

} // namespace

KOMPAK_EXPORT HRESULT DllCanUnloadNow()
{
    return ModuleLock::canUnload() ? S_OK : S_FALSE;
}

KOMPAK_EXPORT HRESULT DllGetClassObject(const Guid* clsid, const Guid* iid, void** object)
{
    if (clsid == nullptr || iid == nullptr || object == nullptr)
        return E_POINTER;
    *object = nullptr;
    if (*clsid == CLSID_KompakPropPage)
        return propertyPageClassObject(*clsid, *iid, object);
    if (*clsid != CLSID_Kompak)
        return CLASS_E_CLASSNOTAVAILABLE;
    try {
        auto* factory = new ClassFactory<CKompakCtrl>();
        const HRESULT hr = factory->QueryInterface(*iid, object);
        factory->Release();
        return hr;
    } catch (...) {
        return E_OUTOFMEMORY;
    }
}

KOMPAK_EXPORT HRESULT DllRegisterServer()
{
    std::optional<std::string> library;
    try {
        library = libraryPath();
        if (!library || failed(ComponentRegistry().registerTypeLib(typeLibrary(*library))))
            return SELFREG_E_TYPELIB;
    } catch (...) {
        return SELFREG_E_TYPELIB;
    }
    try {
        ComponentRegistry registry;
        if (failed(registry.registerClass(controlClass(*library))) ||
            failed(registry.registerClass(propertyPageClass(*library))))
            return SELFREG_E_CLASS;
    } catch (...) {
        return SELFREG_E_CLASS;
    }
    return S_OK;
}

KOMPAK_EXPORT HRESULT DllUnregisterServer()
{
    try {
        if (failed(ComponentRegistry().unregisterTypeLib(LIBID_KOMPAKLib, kTypeLibVersion)))
            return SELFREG_E_TYPELIB;
    } catch (...) {
        return SELFREG_E_TYPELIB;
    }
    try {
        ComponentRegistry registry;
        if (failed(registry.unregisterClass(CLSID_Kompak, kControlProgId)) ||
            failed(registry.unregisterClass(CLSID_KompakPropPage, kPropPageProgId)))
            return SELFREG_E_CLASS;
    } catch (...) {
        return SELFREG_E_CLASS;
    }
    return S_OK;
}
