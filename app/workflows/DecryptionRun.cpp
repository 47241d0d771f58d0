#include "DecryptionRun.h"

#include "CipherError.h"
#include "ComponentError.h"
#include "KompakClient.h"
#include "Latin1.h"
#include "PathText.h"
#include "RunProgress.h"
#include "VkfContainer.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <unistd.h>
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

    struct stat containerInfo {};
    struct stat targetInfo {};
    if (::stat(target.c_str(), &targetInfo) == 0) {
        if (S_ISDIR(targetInfo.st_mode))
            throw CipherError("its target " + target + " is a folder");
        if (::stat(path.c_str(), &containerInfo) == 0 && containerInfo.st_dev == targetInfo.st_dev &&
            containerInfo.st_ino == targetInfo.st_ino)
            throw CipherError("its target " + target + " is the encrypted file itself");
    }
    RunProgress progress(ciphers_.currentCipher(), ui_, path);
    vkf::decryptPayload(ciphers_.currentCipher(), path, info, target, password);
    return target;
}

namespace {

// The user's temporary folder, as the environment names it.
std::string temporaryFolder()
{
    const char* folder = std::getenv("TMPDIR");
    return folder != nullptr && *folder != '\0' ? folder : "/tmp";
}

// The decrypted archive: private (0600), uniquely named, so that two runs
// never share one and nobody else reads the plain archive, and removed on
// every path.
class PrivateTemporaryZip {
public:
    PrivateTemporaryZip() : path_(joinPath(temporaryFolder(), "veilcraft-XXXXXX.zip"))
    {
        const int fd = ::mkstemps(path_.data(), 4);
        if (fd < 0)
            throw CipherError("no temporary file can be made in " + temporaryFolder() + ": " + std::strerror(errno));
        ::close(fd);
    }
    ~PrivateTemporaryZip() { ::unlink(path_.c_str()); }
    PrivateTemporaryZip(const PrivateTemporaryZip&) = delete;
    PrivateTemporaryZip& operator=(const PrivateTemporaryZip&) = delete;

    [[nodiscard]] const std::string& path() const { return path_; }

private:
    std::string path_;
};

// The control's words name the temporary zip, which the user never saw.
std::string aboutContainer(std::string text, const std::string& temporary, const std::string& container)
{
    for (std::size_t at = text.find(temporary); at != std::string::npos; at = text.find(temporary, at + container.size()))
        text.replace(at, temporary.size(), container);
    return text;
}

}  // namespace

KompakClient& DecryptionRun::zip()
{
    if (!zip_) {
        try {
            zip_ = std::make_unique<KompakClient>(ui_);
        } catch (const component::ComponentError& error) {
            throw CipherError(std::string("the zip control is not available: ") + error.what());
        }
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
    const PrivateTemporaryZip temporary;
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
        std::string causes;
        for (const std::string& error : control.errors())
            causes += (causes.empty() ? "" : "; ") + aboutContainer(error, temporary.path(), path);
        throw CipherError("not every file could be extracted below " + base +
                          (causes.empty() ? std::string() : " (" + causes + ")"));
    }
    return base;
}

}  // namespace veilcraft
