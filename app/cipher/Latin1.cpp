#include "Latin1.h"

#include <cstdint>
#include <cstdio>

namespace veilcraft {

namespace {

// One step of a strict UTF-8 decoder (RFC 3629): overlong forms, surrogates,
// code points above U+10FFFF, stray continuation bytes and truncated
// sequences are all rejected.
struct Step {
    bool valid = false;
    char32_t codePoint = 0;
    std::size_t length = 1;
};

constexpr bool isContinuation(unsigned char c)
{
    return (c & 0xC0) == 0x80;
}

Step decodeOne(std::string_view text, std::size_t offset)
{
    const auto at = [&](std::size_t i) { return static_cast<unsigned char>(text[offset + i]); };
    const std::size_t available = text.size() - offset;
    const unsigned char lead = at(0);

    if (lead < 0x80)
        return {true, lead, 1};

    std::size_t length = 0;
    char32_t codePoint = 0;
    unsigned char low = 0x80; // allowed range of the second byte
    unsigned char high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        codePoint = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        codePoint = lead & 0x0F;
        if (lead == 0xE0)
            low = 0xA0; // no overlong forms
        if (lead == 0xED)
            high = 0x9F; // no surrogates
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        codePoint = lead & 0x07;
        if (lead == 0xF0)
            low = 0x90; // no overlong forms
        if (lead == 0xF4)
            high = 0x8F; // nothing above U+10FFFF
    } else {
        return {}; // stray continuation byte, C0/C1 or F5..FF
    }

    if (available < 2 || at(1) < low || at(1) > high)
        return {};
    for (std::size_t i = 1; i < length; ++i) {
        if (i >= available || !isContinuation(at(i)))
            return {};
        codePoint = (codePoint << 6) | (at(i) & 0x3F);
    }
    return {true, codePoint, length};
}

// Walks the text, appending latin-1 bytes to `out` when it is not null, and
// stops at the first problem.
std::optional<Latin1Problem> convert(std::string_view utf8, std::string* out)
{
    std::size_t offset = 0;
    std::size_t position = 0;
    while (offset < utf8.size()) {
        ++position;
        const unsigned char c = static_cast<unsigned char>(utf8[offset]);
        if (c < 0x80) {
            if (out != nullptr)
                out->push_back(static_cast<char>(c));
            ++offset;
            continue;
        }
        const Step step = decodeOne(utf8, offset);
        if (!step.valid) {
            Latin1Problem problem;
            problem.kind = Latin1Problem::Kind::InvalidUtf8;
            problem.position = position;
            problem.byteOffset = offset;
            return problem;
        }
        if (step.codePoint > 0xFF) {
            Latin1Problem problem;
            problem.kind = Latin1Problem::Kind::OutsideLatin1;
            problem.position = position;
            problem.byteOffset = offset;
            problem.character = std::string(utf8.substr(offset, step.length));
            problem.codePoint = step.codePoint;
            return problem;
        }
        if (out != nullptr)
            out->push_back(static_cast<char>(step.codePoint));
        offset += step.length;
    }
    return std::nullopt;
}

} // namespace

std::optional<std::string> utf8ToLatin1(std::string_view utf8)
{
    std::string result;
    result.reserve(utf8.size());
    if (convert(utf8, &result))
        return std::nullopt;
    return result;
}

std::string latin1ToUtf8(std::string_view latin1)
{
    std::string result;
    result.reserve(latin1.size());
    for (const char ch : latin1) {
        const auto c = static_cast<unsigned char>(ch);
        if (c < 0x80) {
            result.push_back(ch);
        } else {
            result.push_back(static_cast<char>(0xC0 | (c >> 6)));
            result.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        }
    }
    return result;
}

std::optional<Latin1Problem> firstNonLatin1(std::string_view utf8)
{
    return convert(utf8, nullptr);
}

std::string describeLatin1Problem(const Latin1Problem& problem, std::string_view what)
{
    const std::string subject = "The " + std::string(what);
    if (problem.kind == Latin1Problem::Kind::InvalidUtf8)
        return subject + " is not valid UTF-8 text (at character " + std::to_string(problem.position) + ", byte " +
               std::to_string(problem.byteOffset + 1) + ").";
    char code[16];
    std::snprintf(code, sizeof code, "U+%04X", static_cast<unsigned>(problem.codePoint));
    return subject + " contains the character \"" + problem.character + "\" (" + code + ") at position " +
           std::to_string(problem.position) +
           ", which cannot be used: only Latin-1 characters (U+0000 to U+00FF) are supported.";
}

} // namespace veilcraft
