#include "FolderEncryption.h"

#include "CipherError.h"
#include "InPlaceEncryption.h"
#include "KompakClient.h"
#include "Latin1.h"
#include "PathText.h"
#include "RunProgress.h"
#include "TemporaryNames.h"
#include "VkfContainer.h"

#include <sys/stat.h>

namespace veilcraft {

namespace {

constexpr const char* kArchiveLost =
    " The archive of the folder could not be kept: choose the output file and press \"Create\" again.";

std::string trimmed(const std::string& text)
{
    const std::size_t first = text.find_first_not_of(' ');
    if (first == std::string::npos)
        return {};
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

}  // namespace

FolderEncryption::FolderEncryption(UserInterface& ui, const CipherTable& ciphers, KompakClient& myKompak)
    : ui_(ui), ciphers_(ciphers), zip_(myKompak)
{
}

FolderEncryption::~FolderEncryption()
{
    reset();
}

void FolderEncryption::reset()
{
    if (state_ == State::ZipOpen)
        zip_.ZipClose();
    // The control has let go of the temporary zip; now it can go.
    temporary_.reset();
    state_ = State::Idle;
}

bool FolderEncryption::chooseOutput(const std::string& saveTo)
{
    reset();
    saveTo_ = saveTo;
    if (saveTo.empty())
        return false;
    const auto refuse = [&](const std::string& cause) {
        ui_.message(saveTo + " cannot be written: " + cause, kApplicationTitle, UserInterface::Buttons::Ok,
                    UserInterface::Icon::Critical);
        return false;
    };
    struct stat info {};
    const std::string folder = folderOf(saveTo);
    if (::stat(folder.c_str(), &info) != 0 || !S_ISDIR(info.st_mode))
        return refuse("its folder " + folder + " does not exist");
    if (::stat(saveTo.c_str(), &info) == 0 && S_ISDIR(info.st_mode))
        return refuse("it is a folder");
    tempnames::removeLeftovers(folder);
    try {
        temporary_.emplace(TemporaryFile::beside(saveTo));
    } catch (const CipherError& error) {
        return refuse(error.what());
    }
    zip_.setPreserveDirPath(true);
    if (!zip_.NewZipFile(temporary_->path(), 1)) {
        temporary_.reset();
        return false;  // the control said why
    }
    state_ = State::ZipOpen;
    return true;
}

bool FolderEncryption::create(const std::string& folder)
{
    if (state_ != State::ZipOpen) {
        ui_.message("You must open a new zip file first", kApplicationTitle);
        return false;
    }
    ui_.setBusy(true);
    // One message for every file that could not be read, instead of one box
    // per file.
    zip_.setShowErrors(false);
    zip_.clearErrors();
    const bool walked = zip_.ZipEntireDirectory(folder, 1, 1);
    leftOut_ = zip_.describeErrors(temporary_->path(), saveTo_);
    const std::string& unread = leftOut_;
    zip_.clearErrors();
    const bool closed = zip_.ZipClose() && zip_.errorCount() == 0;
    temporary_->relock();
    // An archive without entries could never be opened again.
    const bool holdsFiles = closed && zip_.GetZipFileInfo(temporary_->path());
    zip_.clearErrors();
    zip_.setShowErrors(true);
    ui_.setBusy(false);
    state_ = State::Idle;

    if (ui_.cancelRequested()) {
        temporary_.reset();
        return false;
    }
    if (!walked || !closed || !holdsFiles) {
        std::string cause = !closed       ? "the archive could not be completed"
                            : !holdsFiles ? "it holds no file that could be read"
                                          : "it could not be read";
        if (!unread.empty())
            cause += " (" + unread + ")";
        ui_.message("The folder " + folder + " was not archived: " + cause, kApplicationTitle,
                    UserInterface::Buttons::Ok, UserInterface::Icon::Critical);
        temporary_.reset();
        return false;
    }
    if (!unread.empty())
        ui_.message("Some files of " + folder + " were left out of the archive: " + unread, kApplicationTitle,
                    UserInterface::Buttons::Ok, UserInterface::Icon::Warning);
    state_ = State::Zipped;
    return true;
}

bool FolderEncryption::keepArchive(std::optional<InPlaceEncryption>& container, CipherEngine& engine,
                                   std::string_view key)
{
    // Encryption works on the archive itself: it stays for another try only
    // once what was encrypted is decrypted again.
    if (!container || container->restore(engine, key))
        return true;
    container.reset();
    temporary_.reset();
    state_ = State::Idle;
    return false;
}

RunReport FolderEncryption::encrypt(const std::string& password, const std::string& retyped)
{
    RunReport report;
    if (saveTo_.empty()) {
        ui_.message("Please select browse button to choose a new destination for the file! ", kApplicationTitle);
        return report;
    }
    if (password.empty() || password != retyped)
        return report;
    const auto refuse = [&](const std::string& text) {
        ui_.message(text, kApplicationTitle, UserInterface::Buttons::Ok, UserInterface::Icon::Critical);
        return report;
    };
    if (state_ != State::Zipped)
        return refuse("The folder has not been archived yet: press \"Create\" first.");
    const std::string key = trimmed(password);
    if (key.empty())
        return refuse("The password cannot consist of blanks only.");
    if (static_cast<int>(key.size()) > ciphers_.passwordLimit())
        return refuse("Password too long!");

    report.outcome = RunReport::Outcome::Completed;
    ui_.setBusy(true);
    ui_.processEvents();
    CipherEngine& engine = ciphers_.currentCipher();
    std::optional<InPlaceEncryption> container;
    try {
        container.emplace(*temporary_, saveTo_);
        RunProgress progress(engine, ui_, saveTo_);
        container->encrypt(engine, key, vkf::encodeTrailer(vkf::kArchiveContentType, ciphers_.selectedPosition()));
        container->commit(AtomicFile::Durability::WhenReplacing);
    } catch (const CipherError& error) {
        const bool kept = keepArchive(container, engine, key);
        ui_.setBusy(false);
        report.outcome = RunReport::Outcome::Refused;
        report.failures.push_back({saveTo_, error.what()});
        return refuse(saveTo_ + " was not written: " + error.what() + (kept ? "" : kArchiveLost));
    } catch (const RunCancelled&) {
        const bool kept = keepArchive(container, engine, key);
        ui_.setBusy(false);
        report.outcome = RunReport::Outcome::Cancelled;
        if (!kept)
            ui_.message(saveTo_ + " was not written." + kArchiveLost, kApplicationTitle, UserInterface::Buttons::Ok,
                        UserInterface::Icon::Warning);
        return report;
    }
    reset();
    ui_.setBusy(false);
    report.outputs.push_back(saveTo_);
    report.count = 1;
    ui_.message("Encrypt succeed!", kApplicationTitle);
    return report;
}

}  // namespace veilcraft
