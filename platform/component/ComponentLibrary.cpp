#include "ComponentLibrary.h"

#include "ComponentError.h"

#include <dlfcn.h>
#include <filesystem>
#include <map>
#include <mutex>

namespace veilcraft::component {

namespace {

// Libraries loaded by this process, so that every control of one library
// shares one load of it.
std::mutex& cacheMutex()
{
    static std::mutex mutex;
    return mutex;
}

std::map<std::string, std::weak_ptr<ComponentLibrary>>& cache()
{
    static std::map<std::string, std::weak_ptr<ComponentLibrary>> libraries;
    return libraries;
}

template <class Function>
Function as(void* symbol)
{
    return reinterpret_cast<Function>(symbol);
}

}  // namespace

std::shared_ptr<ComponentLibrary> ComponentLibrary::load(const std::string& path)
{
    std::error_code ignored;
    std::string absolute = std::filesystem::weakly_canonical(std::filesystem::absolute(path, ignored), ignored).string();
    if (absolute.empty())
        absolute = path;

    const std::lock_guard lock(cacheMutex());
    if (auto loaded = cache()[absolute].lock())
        return loaded;
    ::dlerror();
    void* handle = ::dlopen(absolute.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) {
        const char* reason = ::dlerror();
        throw ComponentError(CO_E_DLLNOTFOUND, "The library " + path + " could not be loaded: " +
                                                   (reason != nullptr ? reason : "unknown reason"));
    }
    std::shared_ptr<ComponentLibrary> library(new ComponentLibrary(absolute, handle));
    cache()[absolute] = library;
    return library;
}

ComponentLibrary::ComponentLibrary(std::string path, void* handle)
    : path_(std::move(path)),
      handle_(handle),
      getClassObject_(::dlsym(handle, "DllGetClassObject")),
      canUnloadNow_(::dlsym(handle, "DllCanUnloadNow")),
      registerServer_(::dlsym(handle, "DllRegisterServer")),
      unregisterServer_(::dlsym(handle, "DllUnregisterServer"))
{
}

ComponentLibrary::~ComponentLibrary()
{
    {
        const std::lock_guard lock(cacheMutex());
        const auto entry = cache().find(path_);
        if (entry != cache().end() && entry->second.expired())
            cache().erase(entry);
    }
    // Unloading code that a live object (say, on a worker thread of the
    // control) still runs would crash the process; such a library stays.
    if (canUnloadNow_ != nullptr && as<DllCanUnloadNowFn>(canUnloadNow_)() == S_OK)
        ::dlclose(handle_);
}

void* ComponentLibrary::entryPoint(void* symbol, const char* name) const
{
    if (symbol == nullptr)
        throw ComponentError(CO_E_ERRORINDLL, "The library " + path_ + " does not export the entry point " + name);
    return symbol;
}

HRESULT ComponentLibrary::registerServer()
{
    return as<DllRegisterServerFn>(entryPoint(registerServer_, "DllRegisterServer"))();
}

HRESULT ComponentLibrary::unregisterServer()
{
    return as<DllUnregisterServerFn>(entryPoint(unregisterServer_, "DllUnregisterServer"))();
}

HRESULT ComponentLibrary::canUnloadNow()
{
    return as<DllCanUnloadNowFn>(entryPoint(canUnloadNow_, "DllCanUnloadNow"))();
}

ComPtr<IClassFactory> ComponentLibrary::classFactory(const Guid& clsid)
{
    const auto getClassObject = as<DllGetClassObjectFn>(entryPoint(getClassObject_, "DllGetClassObject"));
    void* object = nullptr;
    const HRESULT hr = getClassObject(&clsid, &IID_IClassFactory, &object);
    if (failed(hr) || object == nullptr)
        throw ComponentError(failed(hr) ? hr : E_POINTER, "The library " + path_ + " does not provide the class " +
                                                              clsid.toString() + ": " + describeStatus(hr));
    return ComPtr<IClassFactory>::adopt(static_cast<IClassFactory*>(object), shared_from_this());
}

}  // namespace veilcraft::component
