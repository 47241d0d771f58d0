#pragma once

#include <string>
#include <string_view>

namespace veilcraft {

// Makes the file at `path` hold exactly `content`: it is replaced whole
// (through a temporary file beside it) or, when it could not be, left as it
// was. A file that already holds the content is not touched. False when the
// file could not be written, for example because its folder is missing.
bool replaceFileContent(const std::string& path, std::string_view content);

}  // namespace veilcraft
