#include "PathText.h"

namespace veilcraft {

void SplitPath(std::string_view fullPath, std::string& folder, std::string& fileName)
{
    const auto slash = fullPath.find_last_of('/');
    if (slash == std::string_view::npos) {
        fileName = std::string(fullPath);
        return;
    }
    folder = std::string(fullPath.substr(0, slash + 1));
    fileName = std::string(fullPath.substr(slash + 1));
}

std::string fileNameOf(std::string_view path)
{
    const auto slash = path.find_last_of('/');
    return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

std::string folderOf(std::string_view path)
{
    const auto slash = path.find_last_of('/');
    if (slash == std::string_view::npos)
        return ".";
    return std::string(slash == 0 ? path.substr(0, 1) : path.substr(0, slash));
}

std::string joinPath(std::string_view folder, std::string_view name)
{
    std::string joined(folder);
    if (joined.empty() || joined.back() != '/')
        joined += '/';
    joined += name;
    return joined;
}

std::string lastCharacters(std::string_view text, std::size_t count)
{
    std::size_t start = text.size();
    for (std::size_t taken = 0; taken < count && start > 0; ++taken) {
        // Step back over one character: continuation bytes belong to the lead
        // byte before them when that lead byte announces them.
        std::size_t back = start - 1;
        std::size_t continuations = 0;
        while (back > 0 && continuations < 3 && (static_cast<unsigned char>(text[back]) & 0xC0) == 0x80) {
            --back;
            ++continuations;
        }
        const auto lead = static_cast<unsigned char>(text[back]);
        const std::size_t announced = lead >= 0xF0 ? 3 : lead >= 0xE0 ? 2 : lead >= 0xC0 ? 1 : 0;
        start = (continuations > 0 && announced == continuations) ? back : start - 1;
    }
    return std::string(text.substr(start));
}

}  // namespace veilcraft
