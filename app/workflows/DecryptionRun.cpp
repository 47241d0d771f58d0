#include "DecryptionRun.h"

#include "CipherError.h"
#include "KompakClient.h"
#include "Latin1.h"
#include "PathText.h"
#include "RunProgress.h"
#include "TemporaryFile.h"
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
    if (info.trailer.contentType.find('\0') != std::string::npos)
        throw CipherError("its stored file type is damaged (it holds a NUL character)");

    // A "\" stored by another system separates folders here too.
    std::string type = latin1ToUtf8(info.trailer.contentType);
    std::replace(type.begin(), type.end(), '\\', '/');
    const std::string target = containerBase(path) + type;

    decryptToFile(ui_, ciphers_.currentCipher(), path, info, target, password);
    return target;
}

void decryptToFile(UserInterface& ui, CipherEngine& engine, const std::string& path, const vkf::ContainerInfo& info,
                   const std::string& target, const std::string& password)
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
    const TemporaryFile temporary = TemporaryFile::inTemporaryFolder(".zip");
    {
        RunProgress progress(ciphers_.currentCipher(), ui_, path);
        vkf::decryptPayload(ciphers_.currentCipher(), path, info, temporary.path(), password,
                            AtomicFile::Durability::WhenReplacing, 0600);
    }
    // The payload carries no password check: a wrong password decrypts to
    // bytes the control cannot read as an archive. Reading its directory
    // first keeps such a run from extracting anything.
    control.clearErrors();
    if (!control.GetZipFileInfo(temporary.path()) || control.errorCount() != 0)
        throw CipherError("wrong password or damaged archive");
    control.setPreserveDirPath(true);
    if (!control.UnZipAllFiles(temporary.path(), base) || control.errorCount() != 0) {
        const std::string causes = control.describeErrors(temporary.path(), path);
        throw CipherError("not every file could be extracted below " + base +
                          (causes.empty() ? std::string() : " (" + causes + ")"));
    }
    return base;
}

}  // namespace veilcraft
