#include "ArchiveEncryptionRun.h"

#include "CipherError.h"
#include "EncryptionChecks.h"
#include "ExistingFile.h"
#include "InPlaceEncryption.h"
#include "KompakClient.h"
#include "PathText.h"
#include "RunProgress.h"
#include "TemporaryFile.h"
#include "TemporaryNames.h"
#include "VkfContainer.h"

#include <algorithm>
#include <map>
#include <memory>
#include <set>
#include <sys/stat.h>

namespace veilcraft {

namespace {

struct Archived {
    std::string source;
    SourceSnapshot snapshot;
};

// The name the archive gives a source: its last folder and its file name.
// Letter case is folded as extraction's lookup folds it, so that two names
// that lookup cannot tell apart count as one.
std::string entryKey(const std::string& source)
{
    const std::string folder = folderOf(source);
    std::string key = (folder == "/" || folder == "." ? std::string() : fileNameOf(folder) + "/") + fileNameOf(source);
    std::transform(key.begin(), key.end(), key.begin(),
                   [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; });
    return key;
}

}  // namespace

ArchiveEncryptionRun::ArchiveEncryptionRun(UserInterface& ui, const CipherTable& ciphers) : ui_(ui), ciphers_(ciphers)
{
}

RunReport ArchiveEncryptionRun::run(const ArchiveEncryptionRequest& request)
{
    RunReport report;
    if (!passwordAccepted(ui_, ciphers_, request.password, request.retyped))
        return report;
    const auto fail = [&](const std::string& cause) {
        ui_.message(request.saveTo + " was not written: " + cause, kApplicationTitle, UserInterface::Buttons::Ok,
                    UserInterface::Icon::Critical);
        report.failures.push_back({request.saveTo, cause});
        return report;
    };

    // Checked before anything is zipped: the temporary archive lives beside
    // the output, so a missing folder would fail only after all the work.
    struct stat info {};
    const std::string folder = folderOf(request.saveTo);
    if (::stat(folder.c_str(), &info) != 0 || !S_ISDIR(info.st_mode))
        return fail("its folder " + folder + " does not exist");
    if (::stat(request.saveTo.c_str(), &info) == 0 && S_ISDIR(info.st_mode))
        return fail("it is a folder");
    tempnames::removeLeftovers(folder);
    if (FileIdentity::of(request.saveTo) && !confirmReplace(ui_, request.saveTo)) {
        report.failures.push_back({request.saveTo, kNotReplaced});
        return report;
    }

    std::unique_ptr<KompakClient> zip;
    try {
        zip = makeKompakClient(ui_);
    } catch (const CipherError& error) {
        return fail(error.what());
    }

    std::vector<Archived> archived;
    std::map<std::string, std::string> entries;  // entry key -> the source stored under it
    bool leftOut = false;                        // a source could not be read or added
    report.outcome = RunReport::Outcome::Completed;
    ui_.setBusy(true);
    try {
        TemporaryFile z = TemporaryFile::beside(request.saveTo);
        zip->setPreserveDirPath(true);
        if (!zip->NewZipFile(z.path(), 1)) {
            ui_.setBusy(false);
            report.outcome = RunReport::Outcome::Refused;
            return fail("the temporary archive cannot be created");
        }
        // Every source's snapshot is taken before any is read (a change while
        // it is read keeps the source), and the files to zip are announced,
        // so that the control deflates them ahead.
        std::vector<struct stat> snapshots(request.sources.size());
        std::vector<bool> present(request.sources.size());
        std::vector<std::string> announced;
        {
            std::set<std::string> keys;
            for (std::size_t i = 0; i < request.sources.size(); ++i) {
                const std::string& p = request.sources[i];
                present[i] = ::stat(p.c_str(), &snapshots[i]) == 0;
                if (keys.insert(entryKey(p)).second)
                    announced.push_back(p);
            }
        }
        zip->ZipNextFiles(announced);
        for (std::size_t i = 0; i < request.sources.size(); ++i) {
            const std::string& p = request.sources[i];
            ui_.processEvents();
            if (ui_.cancelRequested()) {
                report.outcome = RunReport::Outcome::Cancelled;
                break;
            }
            // Only one entry of a name can ever be extracted again: a second
            // one would be lost, and with it its source.
            const auto [named, fresh] = entries.emplace(entryKey(p), p);
            if (!fresh) {
                report.failures.push_back(
                    {p, named->second == p ? "is listed more than once; it was archived once"
                                           : "would be stored under the same name as " + named->second +
                                                 " and was not added; it is kept"});
                continue;
            }
            const int errorsBefore = zip->errorCount();
            const bool added = zip->ZipOneFile(p, p, "1111", 1);
            if (ui_.cancelRequested()) {
                report.outcome = RunReport::Outcome::Cancelled;
                break;
            }
            if (!added || zip->errorCount() != errorsBefore || !present[i]) {
                entries.erase(named);
                leftOut = true;
                report.failures.push_back(
                    {p, "could not be added to the archive" +
                            (zip->lastError().empty() ? std::string() : ": " + zip->lastError())});
                continue;
            }
            archived.push_back({p, SourceSnapshot::of(snapshots[i])});
        }
        const int errorsBefore = zip->errorCount();
        const bool closed = zip->ZipClose();
        z.relock();
        if (report.outcome != RunReport::Outcome::Completed) {
            ui_.setBusy(false);
            return report;
        }
        if (!closed || zip->errorCount() != errorsBefore) {
            ui_.setBusy(false);
            report.outcome = RunReport::Outcome::Refused;
            return fail("the temporary archive cannot be completed");
        }
        // The file being replaced may be the only copy left of a source that
        // is gone: a run stopped while it removed its sources, started again.
        if (leftOut && FileIdentity::of(request.saveTo)) {
            ui_.setBusy(false);
            report.outcome = RunReport::Outcome::Refused;
            ui_.message(describeFailures(request.saveTo +
                                             " was not replaced, as it may hold the only copy of these files, "
                                             "which could not be archived:",
                                         report.failures),
                        kApplicationTitle, UserInterface::Buttons::Ok, UserInterface::Icon::Critical);
            return report;
        }
        if (archived.empty()) {
            ui_.setBusy(false);
            report.outcome = RunReport::Outcome::Refused;
            ui_.message(describeFailures("Nothing was encrypted; these files could not be archived:", report.failures),
                        kApplicationTitle, UserInterface::Buttons::Ok, UserInterface::Icon::Critical);
            return report;
        }
        CipherEngine& engine = ciphers_.currentCipher();
        RunProgress progress(engine, ui_, request.saveTo);
        // The archive is ours alone and goes once encrypted: it becomes the
        // container where it lies. A failure leaves it to be removed.
        InPlaceEncryption container(z, request.saveTo);
        container.encrypt(engine, request.password,
                          vkf::encodeTrailer(vkf::kArchiveContentType, ciphers_.selectedPosition()));
        container.commit(request.removeSourceFiles ? AtomicFile::Durability::Always
                                                   : AtomicFile::Durability::WhenReplacing);
    } catch (const CipherError& error) {
        ui_.setBusy(false);
        report.outcome = RunReport::Outcome::Refused;
        return fail(error.what());
    } catch (const RunCancelled&) {
        ui_.setBusy(false);
        report.outcome = RunReport::Outcome::Cancelled;
        return report;
    }
    ui_.setBusy(false);
    report.outputs.push_back(request.saveTo);
    report.count = static_cast<int>(archived.size());

    if (request.removeSourceFiles) {
        // Also keeps a source that was the output itself, now replaced.
        for (const Archived& entry : archived)
            removeSource(entry.source, entry.snapshot, "archived", report);
    }
    ui_.message("Encryption success!, the encrypted file(s) have been saved to " + request.saveTo, kApplicationTitle);
    if (!report.failures.empty())
        ui_.message(describeFailures("These files were not encrypted or not removed:", report.failures),
                    kApplicationTitle, UserInterface::Buttons::Ok, UserInterface::Icon::Critical);
    return report;
}

}  // namespace veilcraft
