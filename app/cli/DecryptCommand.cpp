#include "Cli.h"
#include "CipherSuite.h"
#include "Commands.h"
#include "DecryptionRun.h"
#include "TerminalUserInterface.h"

namespace veilcraft::cli {

int runDecrypt(CommandContext& context)
{
    const CommandLine line(context.arguments, {"--overwrite"}, {"--password-file"});
    if (line.positional().empty())
        throw UsageError("no file to decrypt");
    std::vector<std::string> containers;
    for (const std::string& container : line.positional())
        containers.push_back(absolutePath(container));

    CipherSuite suite;
    const PasswordSource passwords(line.value("--password-file"), context.in, context.err);
    TerminalUserInterface ui(context.err, passwords);
    allowOverwrite(ui, line);
    DecryptionRun run(ui, suite.table);
    return run.run(containers).allSucceeded() ? kExitSuccess : kExitFailure;
}

}  // namespace veilcraft::cli
