#pragma once

#include <string>

namespace veilcraft::registry {
class RegistryStore;
}

namespace veilcraft {

// The executable that an association opens files with.
struct ProgramFile {
    std::string folder;
    std::string name;

    // The running executable; both parts empty when it cannot be found.
    [[nodiscard]] static ProgramFile running();

    // Where an installation keeps the program's desktop entry and its MIME
    // package for .vkf files: in the data folder relative to the program's
    // (share/applications/ and share/mime/packages/).
    [[nodiscard]] std::string installedDesktopEntry() const;
    [[nodiscard]] std::string installedMimePackage() const;
    // True when both are there: the desktop finds the association in them.
    [[nodiscard]] bool installedWithDesktopFiles() const;
};

// The shell association of a file type: entries in the registry store's
// classes root, written the way the Windows registry holds them,
//   <fileType>                      = description
//   <extension>                     = fileType
//   <fileType>\shell\open\command   = <folder>/<program> %1   (not quoted)
//   <fileType>\DefaultIcon          = icon source
// and, since this desktop does not read that registry, a shared-mime-info
// package and a desktop entry under $XDG_DATA_HOME (DesktopAssociation).
namespace ModAssociate {

// Writes the entries above in that order and then the desktop files, whose
// refresh of the desktop databases stands in for the shell's notification.
// `extraParameters`, blanks trimmed, replace "%1" when given; the icon entry
// is written only for a non-empty `iconSource`. Nothing at all happens for
// an empty `fileType` or an unknown program. True when everything was
// written; start-up ignores the result, as nobody is told about it.
enum class DesktopFiles { Write, LeaveToInstallation };
bool Associate(const ProgramFile& program, const std::string& fileType, const std::string& extension,
               const std::string& description, const std::string& iconSource,
               const std::string& extraParameters = {}, DesktopFiles desktopFiles = DesktopFiles::Write);

// The call of every start: ".vkf" files of type "vkffile", with the
// program's folder + "/VeilcraftApp" as the icon source. An installed
// program leaves the desktop files to its installation and writes only the
// registry entries; one run from its build folder writes its own copies
// under $XDG_DATA_HOME.
bool RegisterVkfFileType(const ProgramFile& program);

// Writes the association as a "REGEDIT4" registry script (CR LF between
// lines, none after the last), taking the command and icon from what is
// registered now rather than from the caller. The file at `outputPath` is
// replaced whole or left as it was; false when it could not be written.
bool WriteAssociationScript(const std::string& outputPath, const std::string& fileType,
                            const std::string& extension, const std::string& description);

// A value of a key under `root` (empty `valueName`: the default value), up to
// its first NUL; empty text when the key or value does not exist.
[[nodiscard]] std::string ReadRegistryString(const registry::RegistryStore& root, const std::string& subKey,
                                             const std::string& valueName);

}  // namespace ModAssociate

}  // namespace veilcraft
