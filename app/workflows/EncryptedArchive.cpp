#include "EncryptedArchive.h"

#include "CipherError.h"
#include "DecryptionRun.h"
#include "ExtractionGuard.h"
#include "KompakClient.h"
#include "Latin1.h"
#include "RunProgress.h"
#include "TemporaryNames.h"

#include <algorithm>
#include <sys/stat.h>

namespace veilcraft {

namespace {

constexpr const char* kNoDestination = "You have not select the path for the file(s).";

}  // namespace

std::string destinationFolder(const std::string& destinationText)
{
    if (!vkf::isEncryptedName(destinationText))
        return destinationText;
    const std::size_t slash = destinationText.find_last_of('/');
    return slash == std::string::npos ? std::string() : destinationText.substr(0, slash);
}

bool verifyzipfile(UserInterface& ui, const std::string& name)
{
    struct stat info {};
    if (!name.empty() && ::stat(name.c_str(), &info) == 0 && S_ISREG(info.st_mode))
        return true;
    ui.message("Zip File Does Not Exist At Specified Location", kApplicationTitle);
    return false;
}

EncryptedArchive::EncryptedArchive(UserInterface& ui, CipherTable& ciphers) : ui_(ui), ciphers_(ciphers) {}

EncryptedArchive::~EncryptedArchive() = default;

std::string EncryptedArchive::closeCaption() const
{
    return kind_ == Kind::SingleFile ? "Decrypt" : "Close";
}

std::string EncryptedArchive::temporaryZip() const
{
    return temporary_ ? temporary_->path() : std::string();
}

void EncryptedArchive::close()
{
    temporary_.reset();
}

KompakClient& EncryptedArchive::zip()
{
    if (!zip_) {
        zip_ = makeKompakClient(ui_);
        // The window words the control's failures itself: they name the
        // temporary zip, which the user never saw.
        zip_->setShowErrors(false);
    }
    return *zip_;
}

bool EncryptedArchive::open(const std::string& containerPath)
{
    close();
    rows_.clear();
    kind_ = Kind::None;
    container_ = containerPath;
    const std::size_t slash = containerPath.find_last_of('/');
    destinationText_ = slash == std::string::npos ? std::string() : containerPath.substr(0, slash);

    const std::optional<std::string> password = ui_.askPassword();
    if (!password || password->empty())
        return false;
    password_ = *password;

    ui_.showStatus("Please wait, decrypting......");
    tempnames::removeLeftovers(temporaryFolder());
    try {
        info_ = vkf::readContainer(containerPath);
        if (const auto number = info_.trailer.cipherNumber())
            ciphers_.select(*number);
        if (!info_.trailer.isArchive()) {
            // The stored type follows the name up to its last ".".
            const std::size_t dot = containerPath.find_last_of('.');
            destinationText_ = singleFileTarget(containerPath.substr(0, dot), info_.trailer);
            rows_.push_back({containerPath, "", "", "", "", ""});
            kind_ = Kind::SingleFile;
            ui_.showStatus("");
            return true;
        }
        if (!openArchive())
            return false;
    } catch (const CipherError& error) {
        close();
        ui_.showStatus("");
        ui_.message(containerPath + " cannot be opened: " + error.what(), kApplicationTitle,
                    UserInterface::Buttons::Ok, UserInterface::Icon::Critical);
        return false;
    } catch (const RunCancelled&) {
        close();
        ui_.showStatus("");
        return false;
    }
    ui_.showStatus("");
    kind_ = Kind::Archive;
    return true;
}

bool EncryptedArchive::openArchive()
{
    KompakClient& control = zip();
    temporary_.emplace(TemporaryFile::inTemporaryFolder(".zip"));
    {
        RunProgress progress(ciphers_.currentCipher(), ui_, container_);
        ui_.setBusy(true);
        try {
            vkf::decryptPayload(ciphers_.currentCipher(), container_, info_, temporary_->path(), password_,
                                AtomicFile::Durability::Never, 0600);
            temporary_->relock();
        } catch (...) {
            ui_.setBusy(false);
            throw;
        }
        ui_.setBusy(false);
    }
    // There is no password check in the file: a wrong password decrypts to
    // bytes that the control cannot read as an archive.
    control.clearErrors();
    if (!control.GetZipFileInfo(temporary_->path()) || control.errorCount() != 0) {
        const std::string causes = control.describeErrors(temporary_->path(), container_);
        close();
        ui_.showStatus("");
        ui_.message(container_ + " was not opened: wrong password or damaged archive" +
                        (causes.empty() ? std::string() : " (" + causes + ")"),
                    kApplicationTitle, UserInterface::Buttons::Ok, UserInterface::Icon::Critical);
        ui_.message("File Info Could not be Retrieved", kApplicationTitle);
        return false;
    }
    listEntries(control);
    return true;
}

void EncryptedArchive::listEntries(KompakClient& control)
{
    // One entry lists its whole texts; several are joined by "|".
    const bool several = control.multipleFiles() == 2;
    const std::vector<std::string> paths = splitListing(control.filePaths(), several);
    const std::vector<std::string> shortNames = splitListing(control.shortFileNames(), several);
    const std::vector<std::string> longNames = splitListing(control.longFileNames(), several);
    const std::vector<std::string> dates = splitListing(control.fileDatesModified(), several);
    const std::vector<std::string> packed = splitListing(control.fileCompressedSizes(), several);
    const std::vector<std::string> sizes = splitListing(control.fileUncompressedSizes(), several);

    // A "|" inside a stored name would shift every later row onto another
    // entry's name; such a listing is not shown rather than shown wrong.
    const std::size_t count = sizes.size();
    if (paths.size() != count || shortNames.size() != count || longNames.size() != count || dates.size() != count ||
        packed.size() != count) {
        ui_.message("The list of " + container_ +
                        " cannot be shown: a stored name holds the character \"|\". \"Decrypt All\" still "
                        "extracts every file.",
                    kApplicationTitle, UserInterface::Buttons::Ok, UserInterface::Icon::Warning);
        return;
    }
    for (std::size_t i = 0; i < count; ++i) {
        if (longNames[i].empty())
            continue;  // an archive of folder entries only lists nothing
        rows_.push_back({shortNames[i], dates[i], sizes[i], packed[i], paths[i], longNames[i]});
    }
}

std::optional<std::string> EncryptedArchive::extractionFolder(const std::string& destinationText)
{
    if (kind_ != Kind::Archive || !verifyzipfile(ui_, temporaryZip()))
        return std::nullopt;
    const std::string folder = destinationFolder(destinationText);
    if (folder.empty()) {
        // Extracting into whatever the current folder happens to be would
        // scatter the files where the user never looks.
        ui_.message(kNoDestination, kApplicationTitle);
        return std::nullopt;
    }
    return folder;
}

RunReport EncryptedArchive::finishExtraction(KompakClient& control, const std::string& folder, int entries,
                                             const std::vector<std::string>& landing)
{
    ui_.setBusy(false);
    RunReport report;
    report.outcome = ui_.cancelRequested() ? RunReport::Outcome::Cancelled : RunReport::Outcome::Completed;
    if (report.outcome == RunReport::Outcome::Cancelled)
        return report;
    if (control.errorCount() != 0 || !landing.empty()) {
        std::string causes = control.describeErrors(temporaryZip(), container_);
        for (const std::string& entry : landing)
            causes += (causes.empty() ? "" : "; ") + landsOnContainer(entry);
        report.failures.push_back({container_, causes});
        ui_.message("Not every file could be extracted to " + folder + ": " + causes, kApplicationTitle,
                    UserInterface::Buttons::Ok, UserInterface::Icon::Critical);
        return report;
    }
    report.count = entries;
    report.outputs.push_back(folder);
    ui_.showStatus(std::to_string(entries) + " file(s) extracted to " + folder);
    return report;
}

RunReport EncryptedArchive::extractAll(const std::string& destinationText, bool keepDirs)
{
    const std::optional<std::string> folder = extractionFolder(destinationText);
    if (!folder)
        return {};
    KompakClient& control = zip();
    const std::vector<std::string> landing = entriesLanding(*folder, keepDirs);
    if (!landing.empty()) {
        // Every other entry, one by one.
        std::vector<std::size_t> others;
        for (std::size_t i = 0; i < rows_.size(); ++i)
            if (std::find(landing.begin(), landing.end(), rows_[i].entry) == landing.end())
                others.push_back(i);
        return extractRows(others, *folder, keepDirs, landing);
    }
    ui_.setBusy(true);
    control.setPreserveDirPath(keepDirs);
    control.clearErrors();
    control.showProgressOf(rows_.size());
    control.UnZipAllFiles(temporaryZip(), *folder);
    control.showProgressOf(0);
    return finishExtraction(control, *folder, static_cast<int>(rows_.size()), {});
}

std::vector<std::string> EncryptedArchive::entriesLanding(const std::string& folder, bool keepDirs) const
{
    const std::optional<FileIdentity> container = FileIdentity::of(container_);
    if (!container)
        return {};
    std::vector<std::string> names;
    for (const ArchiveRow& row : rows_)
        names.push_back(row.entry);
    return entriesLandingOn(names, folder, keepDirs, *container);
}

RunReport EncryptedArchive::extractSelected(const std::vector<std::size_t>& rowIndexes,
                                            const std::string& destinationText, bool keepDirs)
{
    const std::optional<std::string> folder = extractionFolder(destinationText);
    if (!folder)
        return {};
    if (rowIndexes.empty()) {
        ui_.message("You have not select any files!", kApplicationTitle);
        return {};
    }
    std::vector<std::string> landing;
    std::vector<std::size_t> others;
    const std::vector<std::string> guarded = entriesLanding(*folder, keepDirs);
    for (const std::size_t index : rowIndexes) {
        if (index < rows_.size() &&
            std::find(guarded.begin(), guarded.end(), rows_[index].entry) != guarded.end())
            landing.push_back(rows_[index].entry);
        else
            others.push_back(index);
    }
    return extractRows(others, *folder, keepDirs, landing);
}

RunReport EncryptedArchive::extractRows(const std::vector<std::size_t>& rowIndexes, const std::string& folder,
                                        bool keepDirs, const std::vector<std::string>& landing)
{
    KompakClient& control = zip();
    ui_.setBusy(true);
    control.setPreserveDirPath(keepDirs);
    control.clearErrors();
    int entries = 0;
    for (const std::size_t index : rowIndexes) {
        if (index >= rows_.size())
            continue;
        ui_.progress(static_cast<int>(100 * static_cast<std::size_t>(entries) / rowIndexes.size()),
                     rows_[index].entry);
        ui_.processEvents();
        if (ui_.cancelRequested())
            break;
        control.UnZipOneFile(temporaryZip(), rows_[index].entry, folder);
        ++entries;
    }
    return finishExtraction(control, folder, entries, landing);
}

RunReport EncryptedArchive::decryptSingleFile(const std::string& target)
{
    RunReport report;
    if (kind_ != Kind::SingleFile)
        return report;
    if (target.empty()) {
        ui_.message(kNoDestination, kApplicationTitle);
        return report;
    }
    report.outcome = RunReport::Outcome::Completed;
    ui_.setBusy(true);
    try {
        if (info_.trailer.contentType.find('\0') != std::string::npos)
            throw CipherError("its stored file type is damaged (it holds a NUL character)");
        decryptToFile(ui_, ciphers_.currentCipher(), container_, info_, target, password_);
    } catch (const CipherError& error) {
        ui_.setBusy(false);
        report.failures.push_back({container_, error.what()});
        ui_.message("File " + container_ + " was not decrypted: " + error.what(), kApplicationTitle,
                    UserInterface::Buttons::Ok, UserInterface::Icon::Critical);
        return report;
    } catch (const RunCancelled&) {
        ui_.setBusy(false);
        report.outcome = RunReport::Outcome::Cancelled;
        return report;
    }
    ui_.setBusy(false);
    report.outputs.push_back(target);
    report.count = 1;
    ui_.message("File " + container_ + "\r\n" + "has been decrypted as " + target, "");
    return report;
}

}  // namespace veilcraft
