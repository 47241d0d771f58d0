#pragma once

#include "ComTypes.h"

#include <optional>
#include <string>
#include <vector>

namespace veilcraft::registry {
class RegistryStore;
}

namespace veilcraft::component {

// What a control library writes about one of its classes, in the classes
// root of the registry store, the way the Windows registry holds it:
//   <progId>                      = typeName
//   <progId>\CLSID                = {clsid}
//   CLSID\{clsid}                 = typeName
//   CLSID\{clsid}\InprocServer32  = libraryPath; "ThreadingModel" = threadingModel
//   CLSID\{clsid}\ProgID          = progId
//   CLSID\{clsid}\Control, \Insertable (when set), \MiscStatus = "0", \MiscStatus\1 = miscStatus
//   CLSID\{clsid}\ToolboxBitmap32 = libraryPath + ", " + toolboxBitmap
//   CLSID\{clsid}\TypeLib         = {typeLib};  \Version = version
struct ClassRegistration {
    Guid clsid;
    std::string progId;
    std::string typeName;
    std::string libraryPath;
    std::string threadingModel = "Apartment";
    bool control = false;
    bool insertable = false;
    std::optional<std::uint32_t> miscStatus;
    std::optional<int> toolboxBitmap;
    std::optional<Guid> typeLib;
    std::string version;
};

// A type library: its name ("KOMPAKLib") maps "Name.Class" texts to classes.
//   TypeLib\{guid}\<version>             = helpString
//   TypeLib\{guid}\<version>\<lcid hex>\linux = libraryPath
//   TypeLib\{guid}\<version>\FLAGS       = "0"
//   TypeLib\{guid}\<version>\HELPDIR     = helpDir
//   TypeLib\{guid}\<version>\Name        = name
//   TypeLib\{guid}\<version>\Classes\<class name> = {clsid}
//   Interface\{iid} = interface name; \TypeLib = {guid}
struct TypeLibRegistration {
    Guid guid;
    std::string version;  // "1.0"
    std::uint32_t lcid = 0;
    std::string name;
    std::string helpString;
    std::string helpDir;
    std::string libraryPath;
    std::vector<std::pair<std::string, Guid>> classes;
    std::vector<std::pair<std::string, Guid>> interfaces;
};

// Registration and look-up of components in a registry store. Every
// operation opens the store at the given path (RegistryStore::defaultPath()
// unless a path is given), so that separate processes see each other's
// changes.
class ComponentRegistry {
public:
    explicit ComponentRegistry(std::string storePath = {});

    // Return S_OK, or SELFREG_E_CLASS / SELFREG_E_TYPELIB when the store cannot be written.
    HRESULT registerClass(const ClassRegistration& registration);
    HRESULT unregisterClass(const Guid& clsid, const std::string& progId);
    HRESULT registerTypeLib(const TypeLibRegistration& registration);
    HRESULT unregisterTypeLib(const Guid& guid, const std::string& version);

    // A program identifier ("KOMPAK.KompakCtrl.1") or a "TypeLibrary.Class"
    // name ("KOMPAKLib.Kompak") to a class identifier.
    [[nodiscard]] std::optional<Guid> resolve(const std::string& name) const;
    // The registered library of a class, or nothing.
    [[nodiscard]] std::optional<std::string> libraryOf(const Guid& clsid) const;

    [[nodiscard]] const std::string& storePath() const { return storePath_; }

private:
    std::string storePath_;
};

}  // namespace veilcraft::component
