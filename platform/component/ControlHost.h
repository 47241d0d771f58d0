#pragma once

#include "ComPtr.h"
#include "ComponentRegistry.h"
#include "Interfaces.h"

#include <string>

namespace veilcraft::component {

// Creates controls by class name for a host, through the registry store at
// RegistryStore::defaultPath() (the store a control library's
// DllRegisterServer writes to).
//
// When the class is not registered, or its registered library file is gone,
// the host registers its fallback library (the control library shipped
// beside the program, see libraryBesideProgram) and tries once more, so a
// fresh installation or a moved build tree works without a separate
// registration step.
class ControlHost {
public:
    explicit ControlHost(std::string fallbackLibrary = {});

    // Resolves `className` (a program identifier or "Library.Class"), loads
    // the class's library, creates an instance through its class factory and
    // gives it `site` (when not null) before anything else. The result keeps
    // the library loaded. Throws ComponentError with a message in words when
    // any step fails.
    [[nodiscard]] ComPtr<IDispatch> createControl(const std::string& className, IControlSite* site);
    // The same for a known class in a known library, without the registry.
    [[nodiscard]] static ComPtr<IDispatch> createInstance(const Guid& clsid, const std::string& libraryPath,
                                                         IControlSite* site);

    [[nodiscard]] const std::string& fallbackLibrary() const { return fallbackLibrary_; }

private:
    [[nodiscard]] ComPtr<IDispatch> tryCreate(const std::string& className, IControlSite* site) const;

    std::string fallbackLibrary_;
};

// Where a library built or installed with the program lives: the program's
// own library folder of an installation ("<folder of the program>/../lib/
// veilcraft/<fileName>" for the usual layout), else "<folder of the
// program>/../lib/<fileName>" (the build tree), else "<folder of the
// program>/<fileName>"; the first that exists, or "" when none does.
[[nodiscard]] std::string libraryBesideProgram(const std::string& fileName);

}  // namespace veilcraft::component
