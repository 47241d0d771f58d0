#include "ComponentRegistry.h"

#include "RegistryStore.h"

#include <cstdio>
#include <filesystem>

namespace veilcraft::component {

namespace {

using registry::RegistryStore;

bool equalsIgnoringCase(const std::string& a, const std::string& b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        const auto fold = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; };
        if (fold(a[i]) != fold(b[i]))
            return false;
    }
    return true;
}

// A relative library path would name a different file from every other
// working folder, so registrations always hold an absolute one.
std::string absoluteLibraryPath(const std::string& path)
{
    if (path.empty())
        return path;
    std::error_code ignored;
    const std::filesystem::path absolute = std::filesystem::absolute(path, ignored);
    return absolute.empty() ? path : absolute.lexically_normal().string();
}

std::string classKey(const Guid& clsid)
{
    return "CLSID\\" + clsid.toString();
}

std::string typeLibVersionKey(const Guid& guid, const std::string& version)
{
    return "TypeLib\\" + guid.toString() + "\\" + version;
}

// Type library versions are "major.minor" in hexadecimal.
std::pair<unsigned long, unsigned long> versionNumbers(const std::string& version)
{
    unsigned long major = 0;
    unsigned long minor = 0;
    std::sscanf(version.c_str(), "%lx.%lx", &major, &minor);
    return {major, minor};
}

}  // namespace

ComponentRegistry::ComponentRegistry(std::string storePath)
    : storePath_(storePath.empty() ? RegistryStore::defaultPath() : std::move(storePath))
{
}

HRESULT ComponentRegistry::registerClass(const ClassRegistration& registration)
{
    const std::string key = classKey(registration.clsid);
    const std::string clsid = registration.clsid.toString();
    const std::string library = absoluteLibraryPath(registration.libraryPath);
    RegistryStore store(storePath_);
    const bool written = store.update([&](RegistryStore::Transaction& t) {
        // A registration replaces an older one of the same class entirely.
        t.deleteKey(key);
        if (!registration.progId.empty()) {
            t.setValue(registration.progId, {}, registration.typeName);
            t.setValue(registration.progId + "\\CLSID", {}, clsid);
        }
        t.setValue(key, {}, registration.typeName);
        t.setValue(key + "\\InprocServer32", {}, library);
        if (!registration.threadingModel.empty())
            t.setValue(key + "\\InprocServer32", "ThreadingModel", registration.threadingModel);
        if (!registration.progId.empty())
            t.setValue(key + "\\ProgID", {}, registration.progId);
        if (registration.control)
            t.createKey(key + "\\Control");
        if (registration.insertable)
            t.createKey(key + "\\Insertable");
        if (registration.miscStatus) {
            t.setValue(key + "\\MiscStatus", {}, "0");
            t.setValue(key + "\\MiscStatus\\1", {}, std::to_string(*registration.miscStatus));
        }
        if (registration.toolboxBitmap)
            t.setValue(key + "\\ToolboxBitmap32", {}, library + ", " + std::to_string(*registration.toolboxBitmap));
        if (registration.typeLib)
            t.setValue(key + "\\TypeLib", {}, registration.typeLib->toString());
        if (!registration.version.empty())
            t.setValue(key + "\\Version", {}, registration.version);
    });
    return written ? S_OK : SELFREG_E_CLASS;
}

HRESULT ComponentRegistry::unregisterClass(const Guid& clsid, const std::string& progId)
{
    RegistryStore store(storePath_);
    const bool written = store.update([&](RegistryStore::Transaction& t) {
        t.deleteKey(classKey(clsid));
        // The program identifier may meanwhile name another library's class;
        // that registration is not ours to remove.
        if (!progId.empty()) {
            const auto owner = t.value(progId + "\\CLSID");
            if (!owner || Guid::parse(*owner) == clsid)
                t.deleteKey(progId);
        }
    });
    return written ? S_OK : SELFREG_E_CLASS;
}

HRESULT ComponentRegistry::registerTypeLib(const TypeLibRegistration& registration)
{
    const std::string guid = registration.guid.toString();
    const std::string key = typeLibVersionKey(registration.guid, registration.version);
    char lcid[16];
    std::snprintf(lcid, sizeof lcid, "%x", static_cast<unsigned>(registration.lcid));
    RegistryStore store(storePath_);
    const bool written = store.update([&](RegistryStore::Transaction& t) {
        t.deleteKey(key);
        t.setValue(key, {}, registration.helpString);
        t.setValue(key + "\\" + lcid + "\\linux", {}, absoluteLibraryPath(registration.libraryPath));
        t.setValue(key + "\\FLAGS", {}, "0");
        t.setValue(key + "\\HELPDIR", {}, registration.helpDir);
        t.setValue(key + "\\Name", {}, registration.name);
        for (const auto& [name, clsid] : registration.classes)
            t.setValue(key + "\\Classes\\" + name, {}, clsid.toString());
        for (const auto& [name, iid] : registration.interfaces) {
            const std::string interfaceKey = "Interface\\" + iid.toString();
            t.deleteKey(interfaceKey);
            t.setValue(interfaceKey, {}, name);
            t.setValue(interfaceKey + "\\TypeLib", {}, guid);
            t.setValue(interfaceKey + "\\TypeLib", "Version", registration.version);
        }
    });
    return written ? S_OK : SELFREG_E_TYPELIB;
}

HRESULT ComponentRegistry::unregisterTypeLib(const Guid& guid, const std::string& version)
{
    const std::string text = guid.toString();
    RegistryStore store(storePath_);
    const bool written = store.update([&](RegistryStore::Transaction& t) {
        t.deleteKey(typeLibVersionKey(guid, version));
        const std::string libraryKey = "TypeLib\\" + text;
        if (t.keyExists(libraryKey) && t.subKeys(libraryKey).empty())
            t.deleteKey(libraryKey);
        // The interfaces this version of the library described.
        for (const std::string& iid : t.subKeys("Interface")) {
            const std::string typeLibKey = "Interface\\" + iid + "\\TypeLib";
            const auto owner = t.value(typeLibKey);
            const auto ownerVersion = t.value(typeLibKey, "Version");
            if (owner && Guid::parse(*owner) == guid && (!ownerVersion || *ownerVersion == version))
                t.deleteKey("Interface\\" + iid);
        }
    });
    return written ? S_OK : SELFREG_E_TYPELIB;
}

std::optional<Guid> ComponentRegistry::resolve(const std::string& name) const
{
    if (name.empty())
        return std::nullopt;
    if (const auto direct = Guid::parse(name))
        return direct;
    const RegistryStore store(storePath_);
    if (const auto clsid = store.value(name + "\\CLSID"))
        if (const auto guid = Guid::parse(*clsid))
            return guid;

    // "Library.Class": the class of that name in the newest registered
    // version of the type library of that name.
    const std::size_t dot = name.find('.');
    if (dot == std::string::npos || dot == 0 || dot + 1 == name.size() || name.find('\\') != std::string::npos)
        return std::nullopt;
    const std::string library = name.substr(0, dot);
    const std::string className = name.substr(dot + 1);
    std::optional<Guid> best;
    std::pair<unsigned long, unsigned long> bestVersion;
    for (const std::string& typeLib : store.subKeys("TypeLib")) {
        for (const std::string& version : store.subKeys("TypeLib\\" + typeLib)) {
            const std::string key = "TypeLib\\" + typeLib + "\\" + version;
            const auto libraryName = store.value(key + "\\Name");
            if (!libraryName || !equalsIgnoringCase(*libraryName, library))
                continue;
            const auto clsid = store.value(key + "\\Classes\\" + className);
            const auto guid = clsid ? Guid::parse(*clsid) : std::nullopt;
            if (guid && (!best || versionNumbers(version) > bestVersion)) {
                best = guid;
                bestVersion = versionNumbers(version);
            }
        }
    }
    return best;
}

std::optional<std::string> ComponentRegistry::libraryOf(const Guid& clsid) const
{
    const RegistryStore store(storePath_);
    auto path = store.value(classKey(clsid) + "\\InprocServer32");
    if (path && path->empty())
        return std::nullopt;
    return path;
}

}  // namespace veilcraft::component
