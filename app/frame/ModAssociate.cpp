#include "ModAssociate.h"

#include "DesktopAssociation.h"
#include "FileContent.h"
#include "PathText.h"
#include "RegistryStore.h"

#include <filesystem>
#include <string_view>

namespace veilcraft {

using registry::RegistryStore;

ProgramFile ProgramFile::running()
{
    std::error_code error;
    const std::filesystem::path executable = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error)
        return {};
    return {executable.parent_path().string(), executable.filename().string()};
}

std::string ProgramFile::installedDesktopEntry() const
{
    return joinPath(folder, VEILCRAFT_DATA_DIR_FROM_PROGRAM "/applications/" VEILCRAFT_APP_ID ".desktop");
}

std::string ProgramFile::installedMimePackage() const
{
    return joinPath(folder, VEILCRAFT_DATA_DIR_FROM_PROGRAM "/mime/packages/" VEILCRAFT_APP_ID ".xml");
}

bool ProgramFile::installedWithDesktopFiles() const
{
    std::error_code error;
    return !folder.empty() && std::filesystem::is_regular_file(installedDesktopEntry(), error) &&
           std::filesystem::is_regular_file(installedMimePackage(), error);
}

namespace ModAssociate {

namespace {

constexpr char kRootName[] = "HKEY_CLASSES_ROOT";

std::string trimmedBlanks(std::string_view text)
{
    const std::size_t first = text.find_first_not_of(' ');
    if (first == std::string_view::npos)
        return {};
    return std::string(text.substr(first, text.find_last_not_of(' ') - first + 1));
}

// A value as the script quotes it. Besides doubling backslashes, a quotation
// mark is escaped too: left bare it would end the value early.
std::string quoted(std::string_view value)
{
    std::string out = "\"";
    for (const char c : value) {
        if (c == '\\' || c == '"')
            out += '\\';
        out += c;
    }
    out += '"';
    return out;
}

std::string keyLine(const std::string& key)
{
    return std::string("[") + kRootName + "\\" + key + "]";
}

}  // namespace

bool Associate(const ProgramFile& program, const std::string& fileType, const std::string& extension,
               const std::string& description, const std::string& iconSource, const std::string& extraParameters,
               DesktopFiles desktopFiles)
{
    if (fileType.empty() || program.name.empty())
        return false;
    const std::string executable = joinPath(program.folder, program.name);
    const std::string parameters = trimmedBlanks(extraParameters);
    const std::string command = executable + " " + (parameters.empty() ? std::string("%1") : parameters);

    RegistryStore store(RegistryStore::defaultPath());
    const bool registered = store.update([&](RegistryStore::Transaction& classesRoot) {
        classesRoot.setValue(fileType, {}, description);
        // An empty extension would name the classes root itself.
        if (!extension.empty())
            classesRoot.setValue(extension, {}, fileType);
        classesRoot.setValue(fileType + "\\shell\\open\\command", {}, command);
        if (!iconSource.empty())
            classesRoot.setValue(fileType + "\\DefaultIcon", {}, iconSource);
    });
    if (desktopFiles == DesktopFiles::LeaveToInstallation)
        return registered;
    const bool installed = DesktopAssociation().install(fileType, extension, description, executable, parameters);
    return registered && installed;
}

bool RegisterVkfFileType(const ProgramFile& program)
{
    return Associate(program, "vkffile", ".vkf", "vkffile", joinPath(program.folder, "VeilcraftApp"), {},
                     program.installedWithDesktopFiles() ? DesktopFiles::LeaveToInstallation : DesktopFiles::Write);
}

bool WriteAssociationScript(const std::string& outputPath, const std::string& fileType, const std::string& extension,
                            const std::string& description)
{
    const RegistryStore classesRoot(RegistryStore::defaultPath());
    const std::string command = trimmedBlanks(ReadRegistryString(classesRoot, fileType + "\\shell\\open\\command", {}));
    const std::string icon = trimmedBlanks(ReadRegistryString(classesRoot, fileType + "\\DefaultIcon", {}));

    // CR LF between lines, an empty line before each key, nothing after the last line.
    std::string script = "REGEDIT4";
    const auto key = [&](const std::string& name) { script += "\r\n\r\n" + keyLine(name); };
    const auto defaultValue = [&](std::string_view value) { script += "\r\n@=" + quoted(value); };
    key(extension);
    defaultValue(fileType);
    if (!description.empty()) {
        key(fileType);
        defaultValue(description);
    }
    key(fileType);
    key(fileType + "\\shell\\");
    key(fileType + "\\shell\\open");
    key(fileType + "\\shell\\open\\command");
    defaultValue(command);
    key(fileType + "\\DefaultIcon");
    defaultValue(icon);
    return replaceFileContent(outputPath, script);
}

std::string ReadRegistryString(const RegistryStore& root, const std::string& subKey, const std::string& valueName)
{
    const std::optional<std::string> value = root.value(subKey, valueName);
    if (!value)
        return {};
    return value->substr(0, value->find('\0'));
}

}  // namespace ModAssociate

}  // namespace veilcraft
