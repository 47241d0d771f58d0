#include "Cli.h"
#include "CipherError.h"
#include "CipherSuite.h"
#include "ExistingFile.h"
#include "Commands.h"
#include "FolderEncryption.h"
#include "KompakClient.h"
#include "TerminalUserInterface.h"

#include <iostream>

namespace veilcraft::cli {

int runEncryptFolder(CommandContext& context)
{
    const CommandLine line(context.arguments, {"--overwrite"}, {"--output", "--cipher", "--password-file"});
    if (line.positional().size() != 1)
        throw UsageError(line.positional().empty() ? "no folder to encrypt" : "only one folder can be encrypted");
    const std::optional<std::string> output = line.value("--output");
    if (!output)
        throw UsageError("--output OUT.vkf is needed");
    CipherSuite suite;
    selectCipher(line, suite.table);

    const PasswordSource passwords(line.value("--password-file"), context.in, context.err);
    const PasswordSource::Password password = passwords.obtain(true);
    // The panel says nothing about a mistyped password; here silence would
    // look like success.
    if (password.password != password.retyped) {
        context.err << "Your password is not match\n";
        return kExitFailure;
    }
    TerminalUserInterface ui(context.err, passwords);
    allowOverwrite(ui, line);
    // The window's save dialog asks before an existing file is replaced.
    const std::string target = absolutePath(*output);
    if (FileIdentity::of(target) && !confirmReplace(ui, target))
        return kExitFailure;
    const std::unique_ptr<KompakClient> zip = makeKompakClient(ui);
    FolderEncryption panel(ui, suite.table, *zip);
    if (!panel.chooseOutput(target) || !panel.create(absoluteFolderPath(line.positional().front())))
        return kExitFailure;
    const RunReport report = panel.encrypt(password.password, password.retyped);
    return report.allSucceeded() && panel.leftOut().empty() ? kExitSuccess : kExitFailure;
}

}  // namespace veilcraft::cli
