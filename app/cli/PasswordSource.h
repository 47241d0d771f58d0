#pragma once

#include <istream>
#include <optional>
#include <ostream>
#include <string>

namespace veilcraft::cli {

// Where the command takes a password from, never from its arguments: the
// file given with --password-file (its first line), else VEILCRAFT_PASSWORD,
// else a prompt on the terminal without echo. The text is UTF-8 and becomes
// latin-1 bytes, one per character; anything else is refused.
class PasswordSource {
public:
    PasswordSource(std::optional<std::string> passwordFile, std::istream& in, std::ostream& err);

    struct Password {
        std::string password;  // latin-1
        std::string retyped;   // latin-1; the same unless typed twice
    };

    // Throws std::runtime_error with a message for the user when no password
    // can be had or it holds characters outside latin-1. `confirm` asks a
    // terminal user twice.
    [[nodiscard]] Password obtain(bool confirm) const;

private:
    [[nodiscard]] std::string prompt(const char* question) const;

    std::optional<std::string> passwordFile_;
    std::istream& in_;
    std::ostream& err_;
};

}  // namespace veilcraft::cli
