#include "ExtractionGuard.h"

#include "PathText.h"

#include <algorithm>
#include <sys/stat.h>

namespace veilcraft {

namespace {

// Where the zip control puts an entry, relative to the destination: "\" is
// a separator, leading separators and a drive prefix are dropped, and
// without kept folders only the last part remains.
std::string relativeTarget(std::string name, bool keepDirs)
{
    std::replace(name.begin(), name.end(), '\\', '/');
    if (!keepDirs)
        name = fileNameOf(name);
    const auto dropSeparators = [&name] { name.erase(0, std::min(name.find_first_not_of('/'), name.size())); };
    dropSeparators();
    if (name.size() >= 3 && name[1] == ':' && name[2] == '/') {
        name.erase(0, 3);
        dropSeparators();
    }
    return name;
}

}  // namespace

std::vector<std::string> entriesLandingOn(const std::vector<std::string>& storedNames, const std::string& folder,
                                          bool keepDirs, const FileIdentity& guarded)
{
    std::vector<std::string> landing;
    for (const std::string& name : storedNames) {
        const std::string target = relativeTarget(name, keepDirs);
        struct stat info {};
        if (!target.empty() && ::stat(joinPath(folder, target).c_str(), &info) == 0 &&
            FileIdentity{info.st_dev, info.st_ino} == guarded)
            landing.push_back(name);
    }
    return landing;
}

std::string landsOnContainer(const std::string& storedName)
{
    return "the entry " + storedName + " would replace the encrypted file itself and was not extracted";
}

}  // namespace veilcraft
