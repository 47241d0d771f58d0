#include "Cli.h"
#include "Commands.h"
#include "ShredRun.h"
#include "TerminalUserInterface.h"

#include <iostream>
#include <unistd.h>

namespace veilcraft::cli {

int runShred(CommandContext& context)
{
    const CommandLine line(context.arguments, {"--yes"}, {"--passes"});
    if (line.positional().empty())
        throw UsageError("no file to destroy");
    std::vector<std::string> files;
    for (const std::string& file : line.positional())
        files.push_back(absolutePath(file));
    const std::string passes = line.value("--passes").value_or("3");

    // No password is read; the source only satisfies the interface.
    const PasswordSource passwords(std::nullopt, context.in, context.err);
    TerminalUserInterface ui(context.err, passwords);
    if (line.has("--yes")) {
        ui.setAnswerYes(true);
    } else {
        // The question is asked only of a person at a terminal: an answer
        // piped in by accident must never destroy files.
        if (&context.in != &std::cin || ::isatty(STDIN_FILENO) == 0)
            throw UsageError(
                "standard input is not a terminal, so \"Are you sure?\" cannot be asked; add --yes to destroy "
                "the files without asking. Nothing was destroyed.");
        ui.setTerminalAnswers(&context.in);
    }
    ShredRun run(ui);
    return run.run(files, passes).allSucceeded() ? kExitSuccess : kExitFailure;
}

}  // namespace veilcraft::cli
