#include "FileEncryptionRun.h"

#include "CipherError.h"
#include "EncryptionChecks.h"
#include "ExistingFile.h"
#include "PathText.h"
#include "RunProgress.h"
#include "TemporaryNames.h"
#include "VkfContainer.h"

#include <cerrno>
#include <cstring>
#include <set>
#include <sys/stat.h>
#include <unistd.h>

namespace veilcraft {

namespace {

bool isFolder(const std::string& path)
{
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

}  // namespace

struct FileEncryptionRun::Done {
    std::string source;
    std::string output;
    SourceSnapshot snapshot;
    FileIdentity written;  // the output as committed
    bool replaced = false;
    bool restorable = true;  // decryption by name can give the source back
};

FileEncryptionRun::FileEncryptionRun(UserInterface& ui, const CipherTable& ciphers) : ui_(ui), ciphers_(ciphers) {}

RunReport FileEncryptionRun::run(const FileEncryptionRequest& request)
{
    RunReport report;
    if (!passwordAccepted(ui_, ciphers_, request.password, request.retyped))
        return report;

    CipherEngine& engine = ciphers_.currentCipher();
    const auto durability =
        request.removeSourceFiles ? AtomicFile::Durability::Always : AtomicFile::Durability::WhenReplacing;
    std::vector<Done> done;
    report.outcome = RunReport::Outcome::Completed;
    tempnames::removeLeftovers(request.saveTo);

    for (const std::string& p : request.sources) {
        ui_.processEvents();
        if (ui_.cancelRequested()) {
            report.outcome = RunReport::Outcome::Cancelled;
            break;
        }
        struct stat info {};
        if (::stat(p.c_str(), &info) != 0) {
            report.failures.push_back({p, std::string("cannot be read: ") + std::strerror(errno)});
            continue;
        }
        if (!S_ISREG(info.st_mode)) {
            report.failures.push_back({p, "is not a file"});
            continue;
        }
        if (info.st_size == 0) {
            report.failures.push_back({p, "is empty; there is nothing to encrypt"});
            continue;
        }
        if (vkf::isEncryptedName(p)) {
            ui_.message(p + " was be encrypted, please select the file again!", kApplicationTitle);
            report.outcome = RunReport::Outcome::Stopped;
            break;
        }
        if (!isFolder(request.saveTo)) {
            ui_.message("Error path of files", kApplicationTitle);
            report.outcome = RunReport::Outcome::Stopped;
            break;
        }
        const std::optional<std::string> contentType = vkf::contentTypeOf(p);
        if (!contentType) {
            report.failures.push_back(
                {p, "the last four characters of its name cannot be stored in an encrypted file "
                    "(only latin-1 characters can)"});
            continue;
        }
        const vkf::TrailerBytes trailer = vkf::encodeTrailer(*contentType, ciphers_.selectedPosition());
        std::string folder;
        std::string fileName;
        SplitPath(p, folder, fileName);
        const std::string output = joinPath(request.saveTo, vkf::encryptedFileName(fileName));

        // What the output's name already names: an output of this run (the
        // later one replaces it), or a file the user has, which is replaced
        // only with the user's yes. Decided by identity, so that a folder
        // that ignores letter case cannot make two outputs pass for two.
        Done* earlier = nullptr;
        if (const std::optional<FileIdentity> existing = FileIdentity::of(output); existing && !isFolder(output)) {
            for (Done& entry : done)
                if (!entry.replaced && entry.written == *existing)
                    earlier = &entry;
            if (earlier == nullptr && !confirmReplace(ui_, output)) {
                report.failures.push_back({p, "its encrypted file " + output + " " + kNotReplaced});
                continue;
            }
        }

        ui_.setBusy(true);
        try {
            RunProgress progress(engine, ui_, p);
            vkf::writeContainer(engine, p, output, request.password, trailer, durability);
        } catch (const CipherError& error) {
            report.failures.push_back({p, error.what()});
            continue;
        } catch (const RunCancelled&) {
            report.outcome = RunReport::Outcome::Cancelled;
            break;
        }
        if (earlier != nullptr) {
            earlier->replaced = true;
            --report.count;
            report.failures.push_back(
                {earlier->source, earlier->source == p
                                      ? "is listed more than once; it was encrypted once, into " + output +
                                            ", and is kept"
                                      : "its encrypted file " + earlier->output + " was replaced by that of " + p});
        }
        // A name of fewer than four characters stores a type holding the
        // folder separator ("/a.c"), which decryption by name refuses: the
        // source is then the only way back and stays.
        const bool restorable = contentType->find_first_of("/\\") == std::string::npos;
        done.push_back({p, output, SourceSnapshot::of(info), FileIdentity::of(output).value_or(FileIdentity{}), false,
                        restorable});
        report.outputs.push_back(output);
        ++report.count;
    }
    ui_.setBusy(false);
    if (request.removeSourceFiles)
        removeSources(done, report);
    finish(request, report);
    return report;
}

void FileEncryptionRun::removeSources(const std::vector<Done>& done, RunReport& report)
{
    // A source is kept when any of its outputs was replaced, which also keeps
    // a source that was listed twice, and when its output is no longer the
    // file this run wrote.
    std::set<std::string> kept;
    for (const Done& entry : done) {
        if (entry.replaced) {
            kept.insert(entry.source);
        } else if (!entry.restorable) {
            kept.insert(entry.source);
            report.failures.push_back({entry.source, "its name is too short to be restored from " + entry.output +
                                                         " by decryption; it was not removed"});
        } else if (FileIdentity::of(entry.output) != entry.written) {
            kept.insert(entry.source);
            report.failures.push_back({entry.source, "its encrypted file " + entry.output +
                                                         " was changed or removed during the run; it was not removed"});
        }
    }
    for (const Done& entry : done) {
        if (kept.count(entry.source) != 0)
            continue;
        removeSource(entry.source, entry.snapshot, "encrypted", report);
    }
}

void FileEncryptionRun::finish(const FileEncryptionRequest& request, const RunReport& report)
{
    if (report.outcome == RunReport::Outcome::Completed && (report.count > 0 || report.failures.empty()))
        ui_.message("Encryption success! The encrypted file(s) have been saved to " + request.saveTo + "(" +
                        std::to_string(report.count) + " file(s))!",
                    kApplicationTitle);
    if (!report.failures.empty())
        ui_.message(describeFailures("These files were not encrypted or not removed:", report.failures),
                    kApplicationTitle, UserInterface::Buttons::Ok, UserInterface::Icon::Critical);
}

}  // namespace veilcraft
