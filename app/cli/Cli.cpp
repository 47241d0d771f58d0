#include "Cli.h"

#include "Commands.h"
#include "TerminalUserInterface.h"

#include <cerrno>
#include <cstring>
#include <iostream>

namespace veilcraft::cli {

namespace {

constexpr const char* kPasswordHelp =
    "The password is never taken from the command line: it is read from the file given\n"
    "with --password-file FILE (its first line), else from the environment variable\n"
    "VEILCRAFT_PASSWORD, else asked on the terminal without echo. Only latin-1\n"
    "characters can be used in a password.\n";

void printOverview(std::ostream& stream)
{
    stream << "Usage: veilcraft COMMAND [OPTIONS] [ARGUMENTS]\n\n"
              "Encrypts files under a password into .vkf files and decrypts them again.\n\n"
              "Commands:\n";
    for (const Command& command : commands())
        stream << "  " << command.name << std::string(16 - std::string(command.name).size(), ' ')
               << command.summary << '\n';
    stream << "\nRun 'veilcraft COMMAND --help' for a command's options.\n\n" << kPasswordHelp
           << "\nExit status: 0 when everything succeeded, 1 when a file failed, 2 for a usage error.\n";
}

}  // namespace

const std::vector<Command>& commands()
{
    static const std::vector<Command> table = {
        {"encrypt", "encrypt each FILE into its own .vkf file, or all into one",
         "Usage: veilcraft encrypt [--dest DIR] [--cipher Blowfish|RC4] [--remove-sources]\n"
         "                         [--overwrite] [--password-file FILE] FILE...\n"
         "       veilcraft encrypt --archive OUT.vkf [--cipher Blowfish|RC4] [--remove-sources]\n"
         "                         [--overwrite] [--password-file FILE] FILE...\n\n"
         "Encrypts each FILE into DIR/NAME.vkf, where NAME is the file name up to its first\n"
         "\".\". Without --dest each file is written beside its source. --cipher records the\n"
         "chosen cipher in the file and sets the password limit (Blowfish 56, RC4 128\n"
         "characters); the data itself is always encrypted with RC4. --remove-sources\n"
         "deletes each source once its encrypted file is safely on disk.\n\n"
         "With --archive all FILEs go into one zip archive (each stored under its last\n"
         "folder and name), which is encrypted into OUT.vkf; --remove-sources then deletes\n"
         "the sources once OUT.vkf is safely on disk. Two files that would be stored under\n"
         "the same name (letter case ignored) cannot both be extracted again: the second\n"
         "is left out and kept.\n\n"
         "An existing .vkf file that this run did not write is replaced only with\n"
         "--overwrite; without it that file is left out and named.\n",
         runEncrypt},
        {"encrypt-folder", "encrypt a folder and all its subfolders into one .vkf file",
         "Usage: veilcraft encrypt-folder FOLDER --output OUT.vkf [--cipher Blowfish|RC4]\n"
         "                                [--overwrite] [--password-file FILE]\n\n"
         "Zips every file of FOLDER and of all its subfolders, each stored under its path\n"
         "from FOLDER's own name on (photos/2024/a.jpg), and encrypts the archive into\n"
         "OUT.vkf. Files that cannot be read are named and left out; the exit status is\n"
         "then 1. Blanks around the password are dropped. --cipher as for encrypt. An\n"
         "existing OUT.vkf is replaced only with --overwrite.\n",
         runEncryptFolder},
        {"decrypt", "decrypt .vkf files next to themselves",
         "Usage: veilcraft decrypt [--overwrite] [--password-file FILE] FILE.vkf...\n\n"
         "Decrypts each FILE.vkf beside itself: notes.vkf holding a .txt file becomes\n"
         "notes.txt. A wrong password cannot be noticed for a single file, so an existing\n"
         "file of that name is replaced only with --overwrite. A .vkf holding an archive\n"
         "is unpacked below the folder of its base name: myfiles.vkf into myfiles/.\n",
         runDecrypt},
        {"list", "list the files of an encrypted archive",
         "Usage: veilcraft list [--password-file FILE] FILE.vkf\n\n"
         "Prints one line per file of the archive in FILE.vkf, as the archive window lists\n"
         "them: name, modified, size, packed size and stored folder, separated by tabs. A\n"
         "FILE.vkf holding a single file lists one line: its own path.\n",
         runList},
        {"extract", "extract all or some files of an encrypted archive",
         "Usage: veilcraft extract [--dest DIR] [--flat] [--overwrite] [--password-file FILE]\n"
         "                         FILE.vkf [ENTRY...]\n\n"
         "Extracts every file of the archive in FILE.vkf, or only the named ENTRYs (stored\n"
         "names as folder + name, for example photos/a.jpg), into DIR (default: the folder\n"
         "of FILE.vkf). The stored folders are recreated below DIR unless --flat is given;\n"
         "then every file lands in DIR itself, a later one of the same name replacing an\n"
         "earlier one. A FILE.vkf holding a single file is decrypted into DIR (default:\n"
         "beside it) under its base name and stored extension; an existing file of that\n"
         "name is replaced only with --overwrite.\n",
         runExtract},
        {"base64", "Base64 from standard input to standard output",
         "Usage: veilcraft base64 encode|decode\n\n"
         "Encodes or decodes standard input, byte for byte, to standard output. Nothing is\n"
         "skipped while decoding: a line break is an invalid character.\n",
         runBase64},
        {"cipher", "run a cipher engine on a file directly",
         "Usage: veilcraft cipher rc4|blowfish encrypt|decrypt [--password-file FILE] SOURCE DEST\n\n"
         "Encrypts or decrypts SOURCE into DEST with the chosen engine alone, without the\n"
         ".vkf trailer. DEST is replaced only when the whole output is written.\n",
         runCipher},
        {"regsvr", "register or unregister a control library",
         "Usage: veilcraft regsvr [--unregister] PATH-TO-LIBRARY\n\n"
         "Loads the control library and calls its DllRegisterServer entry point, which\n"
         "records its classes in the registry store (with --unregister:\n"
         "DllUnregisterServer, which removes them again), and reports the result in\n"
         "words. The store is $VEILCRAFT_REGISTRY when set, else\n"
         "$XDG_DATA_HOME/veilcraft/registry.\n",
         runRegsvr, false},
        {"shred", "overwrite files with zeros, then delete them",
         "Usage: veilcraft shred [--passes N] [--yes] FILE...\n\n"
         "Destroys each FILE: clears its read-only, system and hidden attributes, overwrites\n"
         "its whole content with zeros N times (default 3, from 1 to 32767), flushing each\n"
         "pass to the disk, and deletes it. Asks \"Are you sure?\" on the terminal first;\n"
         "--yes answers Yes, and is needed when standard input is not a terminal. Folders,\n"
         "symbolic links, other special files and files with more than one name (hard\n"
         "links) are refused and kept. Every file that was not destroyed is named with\n"
         "its cause.\n",
         runShred, false},
        {"zip", "create, list and extract zip archives with Kompak",
         "Usage: veilcraft zip create ARCHIVE [--flat] PATH...\n"
         "       veilcraft zip list ARCHIVE\n"
         "       veilcraft zip extract ARCHIVE [--dest DIR] [--flat] [ENTRY...]\n\n"
         "Works through the Kompak zip control as the window does. create writes a new\n"
         "ARCHIVE (replacing one of that name) holding every file PATH and every folder PATH\n"
         "with its subfolders, stored from the folder's own name on; --flat stores bare file\n"
         "names. list prints one line per entry: name, modified, size, packed size and\n"
         "folder, separated by tabs. extract writes every entry, or the named ENTRYs (letter\n"
         "case ignored), into DIR (default: the current folder); --flat drops the entries'\n"
         "folders. The control's messages go to standard error.\n",
         runZip, false},
    };
    return table;
}

bool outputWritten(CommandContext& context, const std::string& command)
{
    // A stream that already failed keeps the errno of that failure.
    if (context.out) {
        errno = 0;
        context.out.flush();
        if (context.out)
            return true;
    }
    const int error = errno;
    context.err << "veilcraft " << command << ": the output cannot be written"
                << (error != 0 ? std::string(": ") + std::strerror(error) : std::string()) << '\n';
    return false;
}

void allowOverwrite(TerminalUserInterface& ui, const CommandLine& line)
{
    ui.setAnswerYes(line.has("--overwrite"));
    ui.setRefusalNote("Not replaced: add --overwrite to replace existing files.");
}

int runCli(const std::vector<std::string>& arguments, std::istream& in, std::ostream& out, std::ostream& err)
{
    if (arguments.empty()) {
        printOverview(err);
        return kExitUsage;
    }
    const std::string& name = arguments.front();
    if (name == "--help" || name == "-h" || name == "help") {
        printOverview(out);
        return kExitSuccess;
    }
    for (const Command& command : commands()) {
        if (name != command.name)
            continue;
        CommandContext context{{arguments.begin() + 1, arguments.end()}, in, out, err};
        for (const std::string& argument : context.arguments) {
            if (argument == "--")
                break;
            if (argument == "--help" || argument == "-h") {
                out << command.help << '\n';
                if (command.readsPassword)
                    out << kPasswordHelp;
                return kExitSuccess;
            }
        }
        try {
            return command.run(context);
        } catch (const UsageError& error) {
            err << "veilcraft " << command.name << ": " << error.what() << "\n"
                << "Run 'veilcraft " << command.name << " --help' for its usage.\n";
            return kExitUsage;
        } catch (const std::exception& error) {
            err << "veilcraft " << command.name << ": " << error.what() << '\n';
            return kExitFailure;
        }
    }
    err << "veilcraft: unknown command '" << name << "'\n\n";
    printOverview(err);
    return kExitUsage;
}

}  // namespace veilcraft::cli
