#include "EntryTarget.h"

#include "TemporaryNames.h"
#include "ZipPaths.h"

#include <fcntl.h>

namespace veilcraft::kompak::detail {

std::string Printable(const std::string& text)
{
    std::string shown;
    for (char c : text) {
        if (c == '\0')
            shown += "\\0";
        else
            shown += c;
    }
    return shown;
}

std::optional<EntryFailure> TargetOf(const std::string& name, const std::string& dir, bool preserveDirPath,
                                     const Destination& destination, EntryTarget& target)
{
    const std::optional<std::string> path = ExtractionTarget(name, preserveDirPath);
    if (!path)
        return EntryFailure{Printable(name) + " is outside the target folder and was not extracted",
                            ZipError::CannotCreate};
    target.cannotCreate = Printable(dir + *path) + " Could Not be Created";
    // A NUL byte would silently cut the name at a different file.
    if (path->find('\0') != std::string::npos)
        return EntryFailure{target.cannotCreate + ": the name holds a NUL byte", ZipError::CannotCreate};
    if (destination.fd() < 0)
        return EntryFailure{target.cannotCreate, ZipError::CannotCreate};
    target.folders = SplitPathParts(*path);
    target.fileName = target.folders.back();
    target.folders.pop_back();
    return std::nullopt;
}

std::optional<EntryFailure> Enter(const EntryTarget& target, TargetFolders& folders, const ArchiveIdentity& archive,
                                  EnteredTarget& entered)
{
    std::string cause;
    entered.folder = folders.enter(target.folders, cause);
    if (entered.folder < 0)
        return EntryFailure{cause.empty() ? target.cannotCreate : target.cannotCreate + ": " + cause,
                            ZipError::CannotCreate};
    if (tempnames::isTemporaryName(target.fileName))
        return EntryFailure{target.cannotCreate + ": the name is kept for temporary files", ZipError::CannotCreate};
    entered.exists = ::fstatat(entered.folder, target.fileName.c_str(), &entered.existing, AT_SYMLINK_NOFOLLOW) == 0;
    if (entered.exists && archive.is(entered.existing))
        return EntryFailure{target.cannotCreate + ": it is the archive being read", ZipError::CannotCreate};
    return std::nullopt;
}

}  // namespace veilcraft::kompak::detail
