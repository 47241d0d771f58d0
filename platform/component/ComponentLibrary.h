#pragma once

#include "ComPtr.h"
#include "Interfaces.h"

#include <memory>
#include <string>

namespace veilcraft::component {

// A loaded control library and its four entry points. Loading the same
// path again while it is loaded gives the same object. The library stays
// loaded as long as a shared_ptr to it lives (every ComPtr made from it holds
// one); when the last goes it is unloaded, unless DllCanUnloadNow says that
// objects of it still live (a worker thread may hold one), in which case its
// code stays mapped for the rest of the process.
class ComponentLibrary : public std::enable_shared_from_this<ComponentLibrary> {
public:
    // Throws ComponentError (CO_E_DLLNOTFOUND) with the loader's message
    // when the file cannot be loaded.
    [[nodiscard]] static std::shared_ptr<ComponentLibrary> load(const std::string& path);
    ~ComponentLibrary();
    ComponentLibrary(const ComponentLibrary&) = delete;
    ComponentLibrary& operator=(const ComponentLibrary&) = delete;

    // The absolute path the library was loaded from.
    [[nodiscard]] const std::string& path() const { return path_; }

    // Each calls its entry point and returns its status; a missing entry
    // point throws ComponentError (CO_E_ERRORINDLL) naming it.
    HRESULT registerServer();
    HRESULT unregisterServer();
    HRESULT canUnloadNow();
    // The class factory of `clsid`; throws ComponentError when the library
    // does not provide it.
    [[nodiscard]] ComPtr<IClassFactory> classFactory(const Guid& clsid);

private:
    ComponentLibrary(std::string path, void* handle);
    [[nodiscard]] void* entryPoint(void* symbol, const char* name) const;

    std::string path_;
    void* handle_;
    void* getClassObject_;
    void* canUnloadNow_;
    void* registerServer_;
    void* unregisterServer_;
};

}  // namespace veilcraft::component
