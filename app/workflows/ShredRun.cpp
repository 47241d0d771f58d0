#include "ShredRun.h"

#include "AtomicFile.h"
#include "DosAttributes.h"
#include "PathText.h"
#include "WriteAll.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>
#include <vector>

namespace veilcraft {

namespace {

std::string errorText(int error)
{
    return std::strerror(error);
}

[[noreturn]] void fail(const std::string& what)
{
    throw std::system_error(errno, std::generic_category(), what);
}

// Closes the descriptor on every path out of the overwrite.
struct Descriptor {
    int fd;
    ~Descriptor()
    {
        if (fd >= 0)
            ::close(fd);
    }
};

// A value in another form than the text one is left alone: it does not
// stand in the way of destroying the file.
void clearDosAttributes(const std::string& path)
{
    DosAttributes word = readDosAttributes(path);
    if (word.form != DosAttributes::Form::Text)
        return;
    const unsigned kept = word.bits & ~(DosAttributes::kReadOnly | DosAttributes::kSystem | DosAttributes::kHidden);
    if (kept == word.bits)
        return;
    word.bits = kept;
    // Best effort, like every attribute step: the file is destroyed next.
    (void)writeDosAttributes(path, word);
}

bool folderAllowsDeletion(const std::string& path)
{
    const std::string folder = folderOf(path);
    return ::access(folder.empty() ? "/" : folder.c_str(), W_OK | X_OK) == 0;
}

}  // namespace

std::optional<int> parsePassCount(const std::string& text)
{
    const auto isBlank = [](char c) { return c == ' ' || c == '\t'; };
    std::size_t first = 0;
    std::size_t last = text.size();
    while (first < last && isBlank(text[first]))
        ++first;
    while (last > first && isBlank(text[last - 1]))
        --last;
    if (first < last && text[first] == '+')
        ++first;  // from_chars takes a minus sign only
    if (first == last)
        return std::nullopt;
    int value = 0;
    const char* begin = text.data() + first;
    const char* end = text.data() + last;
    const auto parsed = std::from_chars(begin, end, value);
    if (parsed.ec != std::errc() || parsed.ptr != end || value < -32768 || value > 32767)
        return std::nullopt;
    return value;
}

bool overwriteWithZeros(const std::string& path, int passes, const OverwriteProgress& keepGoing,
                        std::optional<ExpectedFile> expected)
{
    Descriptor file{::open(path.c_str(), O_WRONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC)};
    if (file.fd < 0)
        fail("cannot be opened for writing");
    struct stat info {};
    if (::fstat(file.fd, &info) != 0)
        fail("cannot be examined");
    if (!S_ISREG(info.st_mode)) {
        errno = EINVAL;
        fail("is not a regular file");
    }
    if (expected && (info.st_dev != expected->device || info.st_ino != expected->inode)) {
        errno = ESTALE;
        fail("was replaced by another file while it was being destroyed");
    }
    const auto length = static_cast<std::uint64_t>(info.st_size);
    if (length == 0)
        return true;
    // One buffer of zeros, reused for every chunk of every pass.
    static const std::vector<char> zeros(kShredChunk, '\0');
    for (int pass = 1; pass <= passes; ++pass) {
        std::uint64_t written = 0;
        while (written < length) {
            if (keepGoing && !keepGoing(pass, written, length)) {
                ::fsync(file.fd);
                return false;
            }
            const std::size_t size = static_cast<std::size_t>(std::min<std::uint64_t>(kShredChunk, length - written));
            if (!pwriteAll(file.fd, zeros.data(), size, static_cast<off_t>(written)))
                fail("cannot be overwritten");
            // The disk starts on each chunk at once rather than at the
            // pass's fsync, so writing the pass and flushing it overlap. The
            // fsync below still decides when the pass is on the disk.
            ::sync_file_range(file.fd, static_cast<off_t>(written), static_cast<off_t>(size), SYNC_FILE_RANGE_WRITE);
            written += size;
        }
        // Each pass reaches the disk before the next one starts; otherwise
        // the page cache would fold all passes into one write, or none.
        if (::fsync(file.fd) != 0)
            fail("cannot be flushed to the disk");
        if (keepGoing && !keepGoing(pass, written, length))
            return pass == passes;
    }
    return true;
}

bool clearShredAttributes(const std::string& path)
{
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0)
        return false;
    if ((info.st_mode & S_IWUSR) == 0 && ::chmod(path.c_str(), (info.st_mode & 07777) | S_IWUSR) != 0)
        return false;
    clearDosAttributes(path);
    return true;
}

ShredRun::ShredRun(UserInterface& ui) : ui_(ui) {}

RunReport ShredRun::run(const std::vector<std::string>& files, const std::string& passCountText)
{
    RunReport report;
    const std::optional<int> passes = parsePassCount(passCountText);
    // Zero or fewer passes would delete the files without overwriting them,
    // which leaves their content on the disk: refuse instead.
    if (!passes || *passes < 1) {
        ui_.message("The number of passes must be a whole number from 1 to 32767 (it is \"" + passCountText +
                        "\"). No file was destroyed.",
                    "Error!", UserInterface::Buttons::Ok, UserInterface::Icon::Information);
        return report;
    }
    if (files.empty()) {
        ui_.message("There is no file to destroy.", "Error!", UserInterface::Buttons::Ok,
                    UserInterface::Icon::Information);
        return report;
    }
    if (ui_.message("Are you sure? File will be destroyed PERMANENTLY !", "Last chance",
                    UserInterface::Buttons::YesNo, UserInterface::Icon::Information) != UserInterface::Answer::Yes)
        return report;

    ui_.setBusy(true);
    report.outcome = RunReport::Outcome::Completed;
    for (std::size_t index = 0; index < files.size(); ++index) {
        ui_.processEvents();
        if (report.outcome == RunReport::Outcome::Completed && ui_.cancelRequested())
            report.outcome = RunReport::Outcome::Cancelled;
        if (report.outcome == RunReport::Outcome::Cancelled) {
            report.failures.push_back({files[index], "was left untouched: the run was stopped before it"});
            continue;
        }
        destroy(files[index], *passes, report);
    }
    ui_.setBusy(false);

    // The success text names what succeeded; the failures follow by name.
    if (report.outcome == RunReport::Outcome::Completed && report.count > 0)
        ui_.message("File has been destroyed", "");
    if (!report.failures.empty())
        ui_.message(describeFailures("The File can not be destroyed!", report.failures), "Error!",
                    UserInterface::Buttons::Ok, UserInterface::Icon::Information);
    return report;
}

void ShredRun::destroy(const std::string& path, int passes, RunReport& report)
{
    const auto refuse = [&](const std::string& cause) { report.failures.push_back({path, cause}); };
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0)
        return refuse("cannot be found: " + errorText(errno));
    if (S_ISLNK(info.st_mode))
        return refuse("is a symbolic link; overwriting through it would destroy another file, so neither the "
                      "link nor its target was touched");
    if (S_ISDIR(info.st_mode))
        return refuse("is a folder; only files can be destroyed");
    if (!S_ISREG(info.st_mode))
        return refuse("is not a regular file");
    if (info.st_nlink > 1)
        return refuse("has " + std::to_string(info.st_nlink) +
                      " names (hard links); overwriting it would destroy the content of the other names too, so "
                      "it was kept");
    if (!folderAllowsDeletion(path))
        return refuse("cannot be deleted (its folder is not writable), so it was not overwritten either");

    // The read-only attribute is the owner's missing write permission.
    if (!clearShredAttributes(path))
        return refuse("its read-only attribute cannot be cleared: " + errorText(errno));

    const std::uint64_t totalPasses = static_cast<std::uint64_t>(passes);
    int shown = -1;
    const OverwriteProgress keepGoing = [&](int pass, std::uint64_t written, std::uint64_t length) {
        const std::uint64_t done = (static_cast<std::uint64_t>(pass) - 1) * length + written;
        const int percent = static_cast<int>(done * 100 / (totalPasses * length));
        if (percent != shown) {
            shown = percent;
            ui_.progress(percent, path);
        }
        return !ui_.cancelRequested();
    };
    try {
        if (!overwriteWithZeros(path, passes, keepGoing, ExpectedFile{info.st_dev, info.st_ino})) {
            report.outcome = RunReport::Outcome::Cancelled;
            return refuse("was left in place, partly overwritten with zeros: the run was stopped");
        }
    } catch (const std::system_error& error) {
        return refuse(error.what());
    }
    if (::unlink(path.c_str()) != 0)
        return refuse("was overwritten with zeros but cannot be deleted: " + errorText(errno));
    syncFolderOf(path);
    ++report.count;
}

}  // namespace veilcraft
