#include "ControlHost.h"

#include "ComponentError.h"
#include "ComponentLibrary.h"
#include "RegistryStore.h"

#include <filesystem>

namespace veilcraft::component {

ControlHost::ControlHost(std::string fallbackLibrary) : fallbackLibrary_(std::move(fallbackLibrary)) {}

ComPtr<IDispatch> ControlHost::createControl(const std::string& className, IControlSite* site)
{
    if (auto control = tryCreate(className, site))
        return control;
    if (fallbackLibrary_.empty())
        throw ComponentError(REGDB_E_CLASSNOTREG, "The class " + className + " is not registered");

    const auto library = ComponentLibrary::load(fallbackLibrary_);
    if (const HRESULT hr = library->registerServer(); failed(hr)) {
        registry::RegistryStore store(registry::RegistryStore::defaultPath());
        const std::optional<std::string> storeProblem = store.writeProblem();
        throw ComponentError(hr, "The class " + className + " is not registered, and registering " + library->path() +
                                     " failed: " + describeStatus(hr) + (storeProblem ? ". " + *storeProblem : ""));
    }
    if (auto control = tryCreate(className, site))
        return control;
    throw ComponentError(REGDB_E_CLASSNOTREG, "The class " + className + " is not registered, also not after registering " +
                                                  library->path());
}

ComPtr<IDispatch> ControlHost::tryCreate(const std::string& className, IControlSite* site) const
{
    const ComponentRegistry registry;
    const auto clsid = registry.resolve(className);
    if (!clsid)
        return {};
    const auto path = registry.libraryOf(*clsid);
    std::error_code ignored;
    if (!path || !std::filesystem::is_regular_file(*path, ignored))
        return {};
    return createInstance(*clsid, *path, site);
}

ComPtr<IDispatch> ControlHost::createInstance(const Guid& clsid, const std::string& libraryPath, IControlSite* site)
{
    const auto library = ComponentLibrary::load(libraryPath);
    const ComPtr<IClassFactory> factory = library->classFactory(clsid);
    void* object = nullptr;
    const HRESULT created = factory->CreateInstance(nullptr, IID_IDispatch, &object);
    if (failed(created) || object == nullptr)
        throw ComponentError(failed(created) ? created : E_POINTER, "The class " + clsid.toString() + " of " +
                                                                        library->path() + " could not be created: " +
                                                                        describeStatus(created));
    auto control = ComPtr<IDispatch>::adopt(static_cast<IDispatch*>(object), factory.keepAlive());
    if (site != nullptr) {
        // A control without IOleControl needs no site; one that has it gets
        // the site before the host calls anything else.
        if (const auto ole = control.query<IOleControl>(IID_IOleControl)) {
            if (const HRESULT hr = ole->SetClientSite(site); failed(hr))
                throw ComponentError(hr, "The control " + clsid.toString() + " of " + library->path() +
                                             " refused its site: " + describeStatus(hr));
        }
    }
    return control;
}

std::string libraryBesideProgram(const std::string& fileName)
{
    std::error_code error;
    const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error)
        return {};
    const std::filesystem::path folder = program.parent_path();
    for (const std::filesystem::path& candidate : {folder / VEILCRAFT_LIBRARY_DIR_FROM_PROGRAM / fileName,
                                                   folder / ".." / "lib" / fileName, folder / fileName}) {
        if (std::filesystem::is_regular_file(candidate, error))
            return candidate.lexically_normal().string();
    }
    return {};
}

}  // namespace veilcraft::component
