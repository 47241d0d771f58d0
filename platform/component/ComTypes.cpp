#include "ComTypes.h"

#include <cstdio>

namespace veilcraft::component {

std::string Guid::toString() const
{
    char text[39];
    std::snprintf(text, sizeof text, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}", data1, data2, data3,
                  data4[0], data4[1], data4[2], data4[3], data4[4], data4[5], data4[6], data4[7]);
    return text;
}

std::optional<Guid> Guid::parse(std::string_view text)
{
    // {XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}: 38 characters, hyphens at fixed places.
    if (text.size() != 38 || text.front() != '{' || text.back() != '}')
        return std::nullopt;
    std::uint8_t bytes[16];
    std::size_t count = 0;
    for (std::size_t i = 1; i < 37;) {
        if (i == 9 || i == 14 || i == 19 || i == 24) {
            if (text[i] != '-')
                return std::nullopt;
            ++i;
            continue;
        }
        int byte = 0;
        for (int half = 0; half < 2; ++half, ++i) {
            const char c = text[i];
            int digit = -1;
            if (c >= '0' && c <= '9')
                digit = c - '0';
            else if (c >= 'a' && c <= 'f')
                digit = c - 'a' + 10;
            else if (c >= 'A' && c <= 'F')
                digit = c - 'A' + 10;
            if (digit < 0)
                return std::nullopt;
            byte = byte * 16 + digit;
        }
        bytes[count++] = static_cast<std::uint8_t>(byte);
    }
    Guid guid;
    guid.data1 = (std::uint32_t{bytes[0]} << 24) | (std::uint32_t{bytes[1]} << 16) | (std::uint32_t{bytes[2]} << 8) |
                 bytes[3];
    guid.data2 = static_cast<std::uint16_t>((bytes[4] << 8) | bytes[5]);
    guid.data3 = static_cast<std::uint16_t>((bytes[6] << 8) | bytes[7]);
    for (std::size_t i = 0; i < 8; ++i)
        guid.data4[i] = bytes[8 + i];
    return guid;
}

std::string describeStatus(HRESULT hr)
{
    switch (hr) {
    case S_OK:
        return "success";
    case S_FALSE:
        return "success (false)";
    case E_NOTIMPL:
        return "not implemented";
    case E_NOINTERFACE:
        return "the object does not support the interface";
    case E_POINTER:
        return "a null pointer was passed";
    case E_FAIL:
        return "unspecified failure";
    case E_INVALIDARG:
        return "an argument is not valid";
    case E_OUTOFMEMORY:
        return "out of memory";
    case CLASS_E_CLASSNOTAVAILABLE:
        return "the library does not provide the class";
    case CLASS_E_NOAGGREGATION:
        return "the class cannot be aggregated";
    case REGDB_E_CLASSNOTREG:
        return "the class is not registered";
    case CO_E_DLLNOTFOUND:
        return "the component library was not found";
    case CO_E_ERRORINDLL:
        return "the component library is damaged or lacks an entry point";
    case SELFREG_E_TYPELIB:
        return "the type library could not be registered or unregistered";
    case SELFREG_E_CLASS:
        return "the classes could not be registered or unregistered";
    case DISP_E_MEMBERNOTFOUND:
        return "member not found";
    case DISP_E_UNKNOWNNAME:
        return "unknown name";
    case DISP_E_TYPEMISMATCH:
        return "type mismatch";
    case DISP_E_BADPARAMCOUNT:
        return "wrong number of arguments";
    case DISP_E_EXCEPTION:
        return "the member raised an error";
    case CTL_E_SETNOTSUPPORTED:
        return "property is read-only";
    default:
        break;
    }
    char text[32];
    std::snprintf(text, sizeof text, "status 0x%08X", static_cast<unsigned>(hr));
    return text;
}

}  // namespace veilcraft::component
