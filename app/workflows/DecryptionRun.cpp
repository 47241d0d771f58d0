#include "DecryptionRun.h"

#include "CipherError.h"
#include "ExtractionGuard.h"
#include "KompakClient.h"
#include "Latin1.h"
#include "PathText.h"
#include "RunProgress.h"
#include "TemporaryFile.h"
#include "TemporaryNames.h"
#include "VkfContainer.h"

#include <algorithm>
#include <sys/stat.h>

namespace veilcraft {

std::string containerBase(const std::string& path)
{
    std::string folder;
    std::string fileName;
    SplitPath(path, folder, fileName);
    return folder + fileName.substr(0, fileName.find('.'));
}

std::string singleFileTarget(const std::string& base, const vkf::Trailer& trailer)
{
    const std::string& stored = trailer.contentType;
    if (stored.find('\0') != std::string::npos)
        throw CipherError("its stored file type is damaged (it holds a NUL character)");
    const std::string type = latin1ToUtf8(stored);
    // The type is the last characters of the source's name; one that holds
    // a folder separator would place the file elsewhere than beside the
    // encrypted file (a crafted "../x" even outside its folder).
    if (type.find_first_of("/\\") != std::string::npos)
        throw CipherError("its stored file type \"" + type +
                          "\" holds a folder separator; it would not be decrypted beside the encrypted file");
    const std::string target = base + type;
    const std::string name = fileNameOf(target);
    if (name.empty() || name == "." || name == "..")
        throw CipherError("its stored file type \"" + type + "\" gives no file name");
    return target;
}

DecryptionRun::DecryptionRun(UserInterface& ui, CipherTable& ciphers) : ui_(ui), ciphers_(ciphers) {}

DecryptionRun::~DecryptionRun() = default;

RunReport DecryptionRun::run(const std::vector<std::string>& containers)
{
    RunReport report;
    if (containers.empty()) {
        ui_.message("You have not select any files!", kApplicationTitle);
        return report;
    }
    const std::optional<std::string> password = ui_.askPassword();
    if (!password || password->empty())
        return report;

    report.outcome = RunReport::Outcome::Completed;
    ui_.setBusy(true);
    tempnames::removeLeftovers(temporaryFolder());
    written_.clear();
    for (const std::string& p : containers) {
        ui_.processEvents();
        if (ui_.cancelRequested()) {
            report.outcome = RunReport::Outcome::Cancelled;
            break;
        }
        if (!vkf::isEncryptedName(p)) {
            ui_.setBusy(false);
            ui_.message(p + " was not be encrypted, please select the encrypted file again!", kApplicationTitle);
            report.outcome = RunReport::Outcome::Stopped;
            return report;
        }
        tempnames::removeLeftovers(folderOf(p));
        try {
            const std::string target = decryptOne(p, *password);
            ui_.showStatus("File, " + p + " has been decrypted as " + target);
            ui_.message("File " + p + "\r\n" + "has been decrypted as " + target, "");
            report.outputs.push_back(target);
            ++report.count;
        } catch (const CipherError& error) {
            report.failures.push_back({p, error.what()});
            ui_.message("File " + p + " was not decrypted: " + error.what(), kApplicationTitle,
                        UserInterface::Buttons::Ok, UserInterface::Icon::Critical);
        } catch (const RunCancelled&) {
            report.outcome = RunReport::Outcome::Cancelled;
            break;
        }
    }
    ui_.setBusy(false);
    return report;
}

std::string DecryptionRun::decryptOne(const std::string& path, const std::string& password)
{
    const vkf::ContainerInfo info = vkf::readContainer(path);
    if (const auto number = info.trailer.cipherNumber())
        ciphers_.select(*number);
    if (info.trailer.isArchive())
        return unpackArchive(path, info, password);
    const std::string target = singleFileTarget(containerBase(path), info.trailer);
    decryptToFile(ui_, ciphers_.currentCipher(), path, info, target, password, written_);
    if (const auto identity = FileIdentity::of(target))
        written_.push_back(*identity);
    return target;
}

void decryptToFile(UserInterface& ui, CipherEngine& engine, const std::string& path, const vkf::ContainerInfo& info,
                   const std::string& target, const std::string& password,
                   const std::vector<FileIdentity>& writtenByRun)
{
    struct stat containerInfo {};
    struct stat targetInfo {};
    if (::stat(target.c_str(), &targetInfo) == 0) {
        if (S_ISDIR(targetInfo.st_mode))
            throw CipherError("its target " + target + " is a folder");
        if (::stat(path.c_str(), &containerInfo) == 0 && containerInfo.st_dev == targetInfo.st_dev &&
            containerInfo.st_ino == targetInfo.st_ino)
            throw CipherError("its target " + target + " is the encrypted file itself");
    }
    // A wrong password cannot be told from the right one here: replacing a
    // file the user has could turn it into garbage, so it needs a yes.
    if (const std::optional<FileIdentity> existing = FileIdentity::of(target);
        existing && std::find(writtenByRun.begin(), writtenByRun.end(), *existing) == writtenByRun.end() &&
        !confirmReplace(ui, target))
        throw CipherError("its target " + target + " " + kNotReplaced);
    RunProgress progress(engine, ui, path);
    vkf::decryptPayload(engine, path, info, target, password);
}

KompakClient& DecryptionRun::zip()
{
    if (!zip_) {
        zip_ = makeKompakClient(ui_);
        // The run words the control's failures itself, naming the container.
        zip_->setShowErrors(false);
    }
    return *zip_;
}

std::string DecryptionRun::unpackArchive(const std::string& path, const vkf::ContainerInfo& info,
                                         const std::string& password)
{
    const std::string base = containerBase(path);
    KompakClient& control = zip();
    TemporaryFile temporary = TemporaryFile::inTemporaryFolder(".zip");
    {
        RunProgress progress(ciphers_.currentCipher(), ui_, path);
        vkf::decryptPayload(ciphers_.currentCipher(), path, info, temporary.path(), password,
                            AtomicFile::Durability::Never, 0600);
        temporary.relock();
    }
    // The payload carries no password check: a wrong password decrypts to
    // bytes the control cannot read as an archive. Reading its directory
    // first keeps such a run from extracting anything.
    control.clearErrors();
    if (!control.GetZipFileInfo(temporary.path()) || control.errorCount() != 0)
        throw CipherError("wrong password or damaged archive");
    control.setPreserveDirPath(true);
    struct stat containerInfo {};
    std::vector<std::string> landing;
    if (::stat(path.c_str(), &containerInfo) == 0)
        landing = entriesLandingOn(control.listedEntries(), base, true, {containerInfo.st_dev, containerInfo.st_ino});
    bool extracted = true;
    if (landing.empty()) {
        control.showProgressOf(control.listedEntries().size());
        extracted = control.UnZipAllFiles(temporary.path(), base);
        control.showProgressOf(0);
    } else {
        for (const std::string& entry : control.listedEntries())
            if (std::find(landing.begin(), landing.end(), entry) == landing.end())
                extracted = control.UnZipOneFile(temporary.path(), entry, base) && extracted;
    }
    if (ui_.cancelRequested())
        throw RunCancelled{};
    if (!landing.empty())
        throw CipherError(landsOnContainer(landing.front()));
    if (!extracted || control.errorCount() != 0) {
        const std::string causes = control.describeErrors(temporary.path(), path);
        throw CipherError("not every file could be extracted below " + base +
                          (causes.empty() ? std::string() : " (" + causes + ")"));
    }
    return base;
}

}  // namespace veilcraft
