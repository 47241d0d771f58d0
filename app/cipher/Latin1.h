#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace veilcraft {

// Texts, keys and file-name fields are stored one byte per character in
// latin-1 (ISO 8859-1). The user's texts arrive as UTF-8; these helpers
// convert between the two and refuse, rather than replace, what latin-1
// cannot hold.

// Why a UTF-8 text cannot be converted to latin-1: the first character above
// U+00FF, or the first place where the text is not valid UTF-8.
struct Latin1Problem {
    enum class Kind {
        OutsideLatin1, // a well-formed character above U+00FF
        InvalidUtf8,   // a malformed, truncated, overlong or surrogate sequence
    };
    Kind kind = Kind::OutsideLatin1;
    // 1-based position of the character among the text's characters.
    std::size_t position = 0;
    // 0-based offset of its first byte in the UTF-8 text.
    std::size_t byteOffset = 0;
    // The character itself, as UTF-8 (empty for InvalidUtf8).
    std::string character;
    // Its code point (0 for InvalidUtf8).
    char32_t codePoint = 0;
};

// The latin-1 bytes of a UTF-8 text, or nullopt when firstNonLatin1 finds a problem.
[[nodiscard]] std::optional<std::string> utf8ToLatin1(std::string_view utf8);

// The UTF-8 text of latin-1 bytes; every byte is a character.
[[nodiscard]] std::string latin1ToUtf8(std::string_view latin1);

// The first reason the text cannot be converted, or nullopt when it can.
[[nodiscard]] std::optional<Latin1Problem> firstNonLatin1(std::string_view utf8);

// A sentence for the user about the problem in a text called `what`, e.g.
// for what = "password":
//   The password contains the character "€" (U+20AC) at position 3, which
//   cannot be used: only Latin-1 characters (U+0000 to U+00FF) are supported.
[[nodiscard]] std::string describeLatin1Problem(const Latin1Problem& problem, std::string_view what);

} // namespace veilcraft
