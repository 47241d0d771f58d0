#include "FileContent.h"

#include "AtomicFile.h"

#include <exception>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace veilcraft {

namespace {

bool holds(const std::string& path, std::string_view content)
{
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error))
        return false;
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    const std::string existing{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    return !in.bad() && existing == content;
}

}  // namespace

bool replaceFileContent(const std::string& path, std::string_view content)
{
    if (holds(path, content))
        return true;
    try {
        AtomicFile out(path);
        out.write(reinterpret_cast<const std::uint8_t*>(content.data()), content.size());
        out.commit();
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

}  // namespace veilcraft
