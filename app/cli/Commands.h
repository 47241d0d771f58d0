#pragma once

#include "CommandLine.h"

#include <iosfwd>
#include <string>
#include <vector>

namespace veilcraft::cli {

class TerminalUserInterface;

// What every subcommand gets: its own arguments and the three streams.
struct CommandContext {
    std::vector<std::string> arguments;
    std::istream& in;
    std::ostream& out;
    std::ostream& err;
};

// One subcommand: its name, a one-line summary, its full help text, and the
// function that runs it and returns the exit code.
struct Command {
    const char* name;
    const char* summary;
    const char* help;
    int (*run)(CommandContext& context);
    // Whether its help ends with how passwords are obtained.
    bool readsPassword = true;
};

int runEncrypt(CommandContext& context);
int runEncryptFolder(CommandContext& context);
int runDecrypt(CommandContext& context);
int runList(CommandContext& context);
int runExtract(CommandContext& context);
int runBase64(CommandContext& context);
int runCipher(CommandContext& context);
int runZip(CommandContext& context);
int runRegsvr(CommandContext& context);
int runShred(CommandContext& context);

[[nodiscard]] const std::vector<Command>& commands();

// Flushes standard output; when what was written did not all arrive (a full
// disk, a closed pipe), says so on standard error naming `command` and
// returns false. Data that never arrived must not pass for success.
[[nodiscard]] bool outputWritten(CommandContext& context, const std::string& command);

// A file the user already has is replaced only with --overwrite: without it
// the question is answered No, and the answer says so.
void allowOverwrite(TerminalUserInterface& ui, const CommandLine& line);

}  // namespace veilcraft::cli
