#pragma once

// Entry-name rules private to the zip control: the cleaning of names we write
// and the mapping of stored names to extraction targets. The named path
// routines of the control are declared in ZipWorker.h.

#include <optional>
#include <string>
#include <vector>

namespace veilcraft::kompak::detail {

// The parts of a path between "/" or "\" separators, empty parts dropped.
std::vector<std::string> SplitPathParts(const std::string& path);

// A directory part of an entry name ("" or ending in "/") with "\" turned
// into "/" and empty, "." and ".." parts dropped, so that no archive we write
// holds an absolute name or one that climbs out of the folder it is
// extracted into (a relative source such as "../docs" would otherwise be
// stored under "../").
std::string CleanEntryDir(const std::string& dir);

// Removes prefix from the front of dir when dir starts with it. The prefix
// of the last-directory trimming is always a leading part of the directories
// it is applied to; cutting it anywhere else would mangle paths that repeat
// a directory name ("a/a/") or, for the prefix "/", join every level.
std::string RemoveLeadingPrefix(const std::string& dir, const std::string& prefix);

// Where an entry is extracted to, relative to the target folder, with "/"
// separators: the stored name (or only its last part when the directory
// structure is not preserved) without leading separators and without a drive
// prefix such as "C:\". nullopt when the stored name has a ".." part, which
// could reach outside the target folder, or when nothing is left of it.
std::optional<std::string> ExtractionTarget(const std::string& storedName, bool preserveDirPath);

// "/" and "\" both separate; file-system calls get "/".
std::string ToFileSystemPath(const std::string& path);

}  // namespace veilcraft::kompak::detail
