// veilcraft list and extract: the archive window's work on the command line.
#include "Cli.h"
#include "CipherSuite.h"
#include "Commands.h"
#include "EncryptedArchive.h"
#include "PathText.h"
#include "TerminalUserInterface.h"

#include <algorithm>
#include <iostream>
#include <strings.h>

namespace veilcraft::cli {

namespace {

// Where a command line names an entry as the list shows it (its stored
// name); letter case is ignored when nothing matches exactly, as the
// control does.
std::optional<std::size_t> rowOf(const std::vector<ArchiveRow>& rows, const std::string& entry)
{
    const auto exact = std::find_if(rows.begin(), rows.end(), [&](const ArchiveRow& row) { return row.entry == entry; });
    if (exact != rows.end())
        return static_cast<std::size_t>(exact - rows.begin());
    const auto folded = std::find_if(rows.begin(), rows.end(), [&](const ArchiveRow& row) {
        return ::strcasecmp(row.entry.c_str(), entry.c_str()) == 0;
    });
    if (folded != rows.end())
        return static_cast<std::size_t>(folded - rows.begin());
    return std::nullopt;
}

}  // namespace

int runList(CommandContext& context)
{
    const CommandLine line(context.arguments, {}, {"--password-file"});
    if (line.positional().size() != 1)
        throw UsageError("expected one FILE.vkf");
    CipherSuite suite;
    const PasswordSource passwords(line.value("--password-file"), context.in, context.err);
    TerminalUserInterface ui(context.err, passwords);
    EncryptedArchive archive(ui, suite.table);
    if (!archive.open(absolutePath(line.positional().front())))
        return kExitFailure;
    for (const ArchiveRow& row : archive.rows())
        context.out << row.name << '\t' << row.modified << '\t' << row.size << '\t' << row.packed << '\t' << row.path
                    << '\n';
    return outputWritten(context, "list") ? kExitSuccess : kExitFailure;
}

int runExtract(CommandContext& context)
{
    const CommandLine line(context.arguments, {"--flat", "--overwrite"}, {"--dest", "--password-file"});
    std::vector<std::string> words = line.positional();
    if (words.empty())
        throw UsageError("no FILE.vkf to extract");
    const std::string container = absolutePath(words.front());
    words.erase(words.begin());

    CipherSuite suite;
    const PasswordSource passwords(line.value("--password-file"), context.in, context.err);
    TerminalUserInterface ui(context.err, passwords);
    allowOverwrite(ui, line);
    EncryptedArchive archive(ui, suite.table);
    if (!archive.open(container))
        return kExitFailure;
    const std::optional<std::string> dest = line.value("--dest");

    if (archive.kind() == EncryptedArchive::Kind::SingleFile) {
        if (!words.empty())
            throw UsageError(container + " holds a single file, not an archive: name no entries");
        const std::string target =
            dest ? joinPath(absoluteFolderPath(*dest), fileNameOf(archive.destinationText())) : archive.destinationText();
        return archive.decryptSingleFile(target).allSucceeded() ? kExitSuccess : kExitFailure;
    }
    const std::string folder = dest ? absoluteFolderPath(*dest) : archive.destinationText();
    const bool keepDirs = !line.has("--flat");
    if (words.empty()) {
        return archive.extractAll(folder, keepDirs).allSucceeded() ? kExitSuccess : kExitFailure;
    }
    std::vector<std::size_t> selected;
    bool allFound = true;
    for (const std::string& entry : words) {
        if (const auto row = rowOf(archive.rows(), entry)) {
            selected.push_back(*row);
        } else {
            context.err << entry << " is not in " << container << '\n';
            allFound = false;
        }
    }
    if (selected.empty())
        return kExitFailure;
    const bool extracted = archive.extractSelected(selected, folder, keepDirs).allSucceeded();
    return allFound && extracted ? kExitSuccess : kExitFailure;
}

}  // namespace veilcraft::cli
