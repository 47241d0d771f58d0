#pragma once

#include <map>
#include <optional>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

namespace veilcraft {
class CipherTable;
}

namespace veilcraft::cli {

// A wrong command line; the command prints the message and exits with 2.
struct UsageError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// The arguments of one subcommand: options ("--name value" or "--name=value"
// for valued options, "--name" for flags) and positional arguments. "--" ends
// the options.
class CommandLine {
public:
    CommandLine(const std::vector<std::string>& arguments, const std::set<std::string>& flags,
                const std::set<std::string>& valued);

    [[nodiscard]] bool has(const std::string& flag) const { return flags_.count(flag) != 0; }
    [[nodiscard]] std::optional<std::string> value(const std::string& option) const;
    [[nodiscard]] const std::vector<std::string>& positional() const { return positional_; }

private:
    std::set<std::string> flags_;
    std::map<std::string, std::string> values_;
    std::vector<std::string> positional_;
};

// The path made absolute against the current folder, as the window passes them.
[[nodiscard]] std::string absolutePath(const std::string& path);

// A folder path made absolute, without a trailing separator ("out/" and
// "./sub/.." name their folder as the window's folder picker would).
[[nodiscard]] std::string absoluteFolderPath(const std::string& path);

// Selects the cipher named by --cipher (Blowfish or RC4) in the table, if
// given; an unknown name is a UsageError.
void selectCipher(const CommandLine& line, CipherTable& table);

}  // namespace veilcraft::cli
