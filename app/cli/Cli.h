#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace veilcraft::cli {

// Exit codes of the veilcraft command.
inline constexpr int kExitSuccess = 0;
inline constexpr int kExitFailure = 1;  // some file failed
inline constexpr int kExitUsage = 2;

// Runs the veilcraft command with its arguments (without the program name).
// Messages go to `err`, data (base64) to `out`.
int runCli(const std::vector<std::string>& arguments, std::istream& in, std::ostream& out, std::ostream& err);

}  // namespace veilcraft::cli
