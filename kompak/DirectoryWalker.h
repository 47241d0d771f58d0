#pragma once

#include <string>
#include <vector>

namespace veilcraft::kompak::detail {

// What DirectoryWalker found under a root folder.
struct WalkResult {
    bool rootReadable = false;
    // Every file in post-order: the files of each folder after those of all
    // its subfolders, the root's own files last.
    std::vector<std::string> files;
    // Folders below the root that could not be enumerated.
    std::vector<std::string> unreadableFolders;
};

// Collects the files of a folder tree for zipping. Folders are visited in
// post-order and the entries of each folder in byte order of their names, so
// the same tree always yields the same archive. Hidden files count like any
// other. A symbolic link to a folder is not followed (no loops, no leaving
// the tree); any other link is listed as a file, so the file it points to is
// stored, and a dangling one fails to open and is reported by the caller.
WalkResult WalkDirectory(const std::string& root, bool recursive);

}  // namespace veilcraft::kompak::detail
