#include "DosAttributes.h"

#include <cerrno>
#include <charconv>
#include <cstdio>
#include <sys/xattr.h>
#include <system_error>

namespace veilcraft {

namespace {

constexpr const char* kAttributeName = "user.DOSATTRIB";

} // namespace

DosAttributes readDosAttributes(const std::string& path)
{
    DosAttributes word;
    char value[64] = {};
    const ssize_t length = ::lgetxattr(path.c_str(), kAttributeName, value, sizeof value - 1);
    if (length < 0) {
        // Too long for the text form: some other record lives there.
        if (errno == ERANGE)
            word.form = DosAttributes::Form::Other;
        return word;
    }
    word.form = DosAttributes::Form::Other;
    if (length < 3 || value[0] != '0' || (value[1] != 'x' && value[1] != 'X'))
        return word;
    const bool nulTerminated = value[length - 1] == '\0';
    const char* end = value + (nulTerminated ? length - 1 : length);
    unsigned bits = 0;
    const auto parsed = std::from_chars(value + 2, end, bits, 16);
    if (parsed.ec != std::errc() || parsed.ptr != end)
        return word;
    word.form = DosAttributes::Form::Text;
    word.bits = bits;
    word.nulTerminated = nulTerminated;
    return word;
}

bool writeDosAttributes(const std::string& path, const DosAttributes& word)
{
    char text[32];
    const int written = std::snprintf(text, sizeof text, "0x%x", word.bits);
    const std::size_t size = static_cast<std::size_t>(written) + (word.nulTerminated ? 1 : 0);
    return ::lsetxattr(path.c_str(), kAttributeName, text, size, 0) == 0;
}

} // namespace veilcraft
