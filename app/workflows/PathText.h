#pragma once

#include <string>
#include <string_view>

namespace veilcraft {

// Path texts as the workflows take them apart. "/" is the separator; where
// stored data holds "\", it is read as one too.

// Splits a full path at its last separator: the folder part keeps the
// separator, the file-name part is what follows. A path without separator
// leaves `folder` as it was and gives the whole path as the file name.
void SplitPath(std::string_view fullPath, std::string& folder, std::string& fileName);

// The file-name part of a path (everything after its last "/").
[[nodiscard]] std::string fileNameOf(std::string_view path);

// The folder part of a path without its last separator ("." when there is none).
[[nodiscard]] std::string folderOf(std::string_view path);

// folder + "/" + name, without doubling a separator the folder already ends in.
[[nodiscard]] std::string joinPath(std::string_view folder, std::string_view name);

// The last `count` characters of a UTF-8 text (fewer when it is shorter).
// Bytes that do not form valid UTF-8 count as one character each.
[[nodiscard]] std::string lastCharacters(std::string_view text, std::size_t count);

}  // namespace veilcraft
