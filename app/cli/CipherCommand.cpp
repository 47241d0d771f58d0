#include "Cli.h"
#include "CipherSuite.h"
#include "Commands.h"
#include "RunProgress.h"
#include "TerminalUserInterface.h"

#include <stdexcept>

namespace veilcraft::cli {

int runCipher(CommandContext& context)
{
    const CommandLine line(context.arguments, {}, {"--password-file"});
    const auto& words = line.positional();
    if (words.size() != 4)
        throw UsageError("expected: rc4|blowfish encrypt|decrypt SOURCE DEST");
    CipherSuite suite;
    CipherEngine* engine = nullptr;
    if (words[0] == "rc4")
        engine = &suite.EncryptRC4;
    else if (words[0] == "blowfish")
        engine = &suite.EncryptBlowfish;
    else
        throw UsageError("unknown engine '" + words[0] + "' (choose rc4 or blowfish)");
    const bool encrypt = words[1] == "encrypt";
    if (!encrypt && words[1] != "decrypt")
        throw UsageError("expected encrypt or decrypt, not '" + words[1] + "'");
    const std::string source = absolutePath(words[2]);
    const std::string dest = absolutePath(words[3]);

    const PasswordSource passwords(line.value("--password-file"), context.in, context.err);
    const PasswordSource::Password password = passwords.obtain(encrypt);
    if (password.password.empty())
        throw std::runtime_error("The password is empty");
    if (password.password != password.retyped)
        throw std::runtime_error("The two passwords differ");
    TerminalUserInterface ui(context.err, passwords);
    try {
        RunProgress progress(*engine, ui, source);
        if (encrypt)
            engine->EncryptFile(source, dest, password.password);
        else
            engine->DecryptFile(source, dest, password.password);
    } catch (const RunCancelled&) {
        context.err << "Stopped; " << dest << " was not written.\n";
        return kExitFailure;
    } catch (const std::exception& error) {
        // The engines' messages do not name the file. Through the interface,
        // so that a progress bar is cleared first.
        ui.message("veilcraft cipher: " + source + ": " + error.what(), kApplicationTitle,
                   UserInterface::Buttons::Ok, UserInterface::Icon::Critical);
        return kExitFailure;
    }
    return kExitSuccess;
}

}  // namespace veilcraft::cli
