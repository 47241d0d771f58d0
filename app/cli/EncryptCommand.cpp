#include "ArchiveEncryptionRun.h"
#include "Cli.h"
#include "CipherSuite.h"
#include "Commands.h"
#include "FileEncryptionRun.h"
#include "PathText.h"
#include "TerminalUserInterface.h"

#include <algorithm>
#include <iostream>

namespace veilcraft::cli {

namespace {

// Sources grouped by the folder they are written to, in order of first
// appearance, when no destination is given.
std::vector<std::pair<std::string, std::vector<std::string>>> groupByFolder(const std::vector<std::string>& sources)
{
    std::vector<std::pair<std::string, std::vector<std::string>>> groups;
    for (const std::string& source : sources) {
        const std::string folder = folderOf(source);
        auto group = std::find_if(groups.begin(), groups.end(), [&](const auto& g) { return g.first == folder; });
        if (group == groups.end())
            groups.push_back({folder, {source}});
        else
            group->second.push_back(source);
    }
    return groups;
}

}  // namespace

int runEncrypt(CommandContext& context)
{
    const CommandLine line(context.arguments, {"--remove-sources", "--overwrite"},
                           {"--dest", "--cipher", "--password-file", "--archive"});
    if (line.positional().empty())
        throw UsageError("no file to encrypt");
    const std::optional<std::string> archive = line.value("--archive");
    if (archive && line.value("--dest"))
        throw UsageError("--dest and --archive cannot be combined (--archive names the output file)");
    CipherSuite suite;
    selectCipher(line, suite.table);
    std::vector<std::string> sources;
    for (const std::string& source : line.positional())
        sources.push_back(absolutePath(source));

    if (archive) {
        const PasswordSource passwords(line.value("--password-file"), context.in, context.err);
        const PasswordSource::Password password = passwords.obtain(true);
        TerminalUserInterface ui(context.err, passwords);
        allowOverwrite(ui, line);
        ArchiveEncryptionRun run(ui, suite.table);
        const RunReport report = run.run(
            {sources, absolutePath(*archive), password.password, password.retyped, line.has("--remove-sources")});
        return report.allSucceeded() ? kExitSuccess : kExitFailure;
    }

    std::vector<std::pair<std::string, std::vector<std::string>>> runs;
    if (const auto dest = line.value("--dest"))
        runs.push_back({absoluteFolderPath(*dest), sources});
    else
        runs = groupByFolder(sources);

    const PasswordSource passwords(line.value("--password-file"), context.in, context.err);
    const PasswordSource::Password password = passwords.obtain(true);
    TerminalUserInterface ui(context.err, passwords);
    allowOverwrite(ui, line);
    FileEncryptionRun run(ui, suite.table);
    bool allSucceeded = true;
    for (const auto& [folder, group] : runs) {
        const RunReport report =
            run.run({group, folder, password.password, password.retyped, line.has("--remove-sources")});
        allSucceeded = allSucceeded && report.allSucceeded();
        if (report.outcome != RunReport::Outcome::Completed)
            break;
    }
    return allSucceeded ? kExitSuccess : kExitFailure;
}

}  // namespace veilcraft::cli
