#include "DirectoryWalker.h"

#include "ZipPaths.h"

#include <algorithm>
#include <dirent.h>
#include <memory>
#include <sys/stat.h>
#include <utility>

namespace veilcraft::kompak::detail {

namespace {

struct Listing {
    std::vector<std::string> files;
    std::vector<std::string> folders;
};

// False when the folder cannot be opened.
bool listFolder(const std::string& folder, Listing& listing)
{
    const std::string openPath = folder.empty() ? "/" : folder;
    std::unique_ptr<DIR, int (*)(DIR*)> handle(::opendir(openPath.c_str()), ::closedir);
    if (!handle)
        return false;
    // The type the folder gives saves a stat per entry; file systems that
    // give none (DT_UNKNOWN) are asked.
    std::vector<std::pair<std::string, unsigned char>> entries;
    while (const dirent* entry = ::readdir(handle.get())) {
        const std::string name = entry->d_name;
        if (name != "." && name != "..")
            entries.emplace_back(name, entry->d_type);
    }
    std::sort(entries.begin(), entries.end());
    for (const auto& [name, type] : entries) {
        const std::string path = folder + "/" + name;
        if (type == DT_REG) {
            listing.files.push_back(path);
            continue;
        }
        if (type == DT_DIR) {
            listing.folders.push_back(path);
            continue;
        }
        struct stat info {};
        if (::lstat(path.c_str(), &info) != 0) {
            listing.files.push_back(path);  // vanished meanwhile: its open fails and is reported
            continue;
        }
        if (S_ISDIR(info.st_mode)) {
            listing.folders.push_back(path);
        } else if (S_ISLNK(info.st_mode)) {
            struct stat target {};
            if (::stat(path.c_str(), &target) == 0 && S_ISDIR(target.st_mode))
                continue;
            listing.files.push_back(path);
        } else {
            listing.files.push_back(path);
        }
    }
    return true;
}

void collect(const std::string& folder, bool recursive, WalkResult& result, bool isRoot)
{
    Listing listing;
    if (!listFolder(folder, listing)) {
        if (isRoot)
            result.rootReadable = false;
        else
            result.unreadableFolders.push_back(folder);
        return;
    }
    if (recursive)
        for (const std::string& sub : listing.folders)
            collect(sub, true, result, false);
    result.files.insert(result.files.end(), listing.files.begin(), listing.files.end());
}

}  // namespace

WalkResult WalkDirectory(const std::string& rootArgument, bool recursive)
{
    WalkResult result;
    std::string root = ToFileSystemPath(rootArgument);
    root.erase(root.find_last_not_of(' ') + 1);
    if (root.empty())
        return result;
    while (!root.empty() && root.back() == '/')
        root.pop_back();  // "/" itself becomes "", which listFolder opens as "/"
    result.rootReadable = true;
    collect(root, recursive, result, true);
    return result;
}

}  // namespace veilcraft::kompak::detail
