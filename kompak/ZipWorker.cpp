#include "ZipWorker.h"

#include "FileDescriptor.h"
#include "TemporaryNames.h"

#include "BufferedArchiveFile.h"
#include "CompressionQueue.h"
#include "DirectoryWalker.h"
#include "EntryCompressor.h"
#include "EntryReader.h"
#include "EntryTarget.h"
#include "ExtractionFolders.h"
#include "FilesAhead.h"
#include "ParallelExtraction.h"
#include "ExtractedFile.h"
#include "Zip64End.h"
#include "ZipPaths.h"

#include <unzip.h>
#include <zip.h>
#include <zlib.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <deque>
#include <fcntl.h>
#include <future>
#include <memory>
#include <optional>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace veilcraft::kompak {

namespace {

// Entries stream through one buffer of this size in both directions, so
// memory stays flat whatever the entry size.
constexpr std::size_t kChunkSize = 256 * 1024;

// Sizes from here on cannot be described without zip64 extensions.
constexpr std::uint64_t kZip64Threshold = 0xFFFFFFFFu;

bool isSeparator(char c) { return c == '/' || c == '\\'; }

using detail::ArchiveIdentity;
using detail::Printable;

bool EqualsIgnoringCase(const std::string& a, const std::string& b)
{
    const auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; };
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [&](char x, char y) { return lower(x) == lower(y); });
}

// "d/m/yyyy h:mm AM|PM" of a DOS date/time (date word in the high half).
std::string DateElement(std::uint32_t dosDateTime)
{
    const unsigned day = (dosDateTime >> 16) & 0x1F;
    const unsigned month = (dosDateTime >> 21) & 0x0F;
    const unsigned year = ((dosDateTime >> 25) & 0x7F) + 1980;
    const unsigned hour = (dosDateTime >> 11) & 0x1F;
    const unsigned minute = (dosDateTime >> 5) & 0x3F;
    const unsigned hour12 = hour == 0 ? 12 : (hour > 12 ? hour - 12 : hour);
    std::string text = std::to_string(day) + "/" + std::to_string(month) + "/" + std::to_string(year) + " " +
                       std::to_string(hour12) + ":" + (minute < 10 ? "0" : "") + std::to_string(minute) +
                       (hour < 12 ? " AM" : " PM");
    return text;
}

// Opens a file for reading only when it is a regular file: a FIFO or a device
// given as an archive would block or never end. O_NONBLOCK makes the open
// itself return at once; it is cleared again for the reads.
int OpenRegularForReading(const char* path, struct stat& info)
{
    const int fd = ::open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return -1;
    const int flags = ::fcntl(fd, F_GETFL);
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || flags < 0 ||
        ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

// minizip's open function for every archive the control reads.
voidpf ZCALLBACK OpenArchiveFile(voidpf opaque, const void* filename, int mode)
{
    if (filename == nullptr || (mode & ZLIB_FILEFUNC_MODE_READWRITEFILTER) != ZLIB_FILEFUNC_MODE_READ)
        return nullptr;
    struct stat info {};
    const int fd = OpenRegularForReading(static_cast<const char*>(filename), info);
    if (fd < 0)
        return nullptr;
    auto* identity = static_cast<ArchiveIdentity*>(opaque);
    identity->device = info.st_dev;
    identity->inode = info.st_ino;
    return new detail::BufferedArchiveFile(fd, detail::BufferedArchiveFile::Mode::Read);
}

// Opens an archive for reading. The Debian build of minizip refuses an
// archive without entries, which is well formed: empty tells that case.
// `identity` must outlive the call only.
unzFile OpenArchive(const std::string& path, bool& empty, ArchiveIdentity& identity)
{
    empty = false;
    zlib_filefunc64_def functions = detail::BufferedArchiveFunctions(OpenArchiveFile, &identity);
    if (unzFile archive = unzOpen2_64(path.c_str(), &functions))
        return archive;
    struct stat info {};
    FileDescriptor in(OpenRegularForReading(path.c_str(), info));
    unsigned char end[22];
    if (in.get() >= 0 && ::pread(in.get(), end, sizeof end, 0) == sizeof end) {
        const bool noEntries = end[0] == 'P' && end[1] == 'K' && end[2] == 5 && end[3] == 6 &&
                               std::all_of(end + 4, end + 20, [](unsigned char b) { return b == 0; });
        empty = noEntries && info.st_size == 22 + (end[20] | (end[21] << 8));
    }
    return nullptr;
}

// A directory entry without data (its CRC that of no bytes), which
// extraction skips.
bool IsEmptyFolderEntry(const detail::EntryInfo& entry)
{
    return !entry.name.empty() && isSeparator(entry.name.back()) && entry.info.compressed_size == 0 &&
           entry.info.uncompressed_size == 0 && entry.info.crc == 0;
}

// minizip reads the end record as a damaged entry when there is none.
int GoToFirstEntry(unzFile archive)
{
    unz_global_info64 global{};
    if (unzGetGlobalInfo64(archive, &global) == UNZ_OK && global.number_entry == 0)
        return UNZ_END_OF_LIST_OF_FILE;
    return unzGoToFirstFile(archive);
}

std::string ExtractionFolder(const std::string& uzip_to_dir)
{
    if (!uzip_to_dir.empty() && !isSeparator(uzip_to_dir.back()))
        return uzip_to_dir + "/";
    return uzip_to_dir;
}

// The folder part of a file-system path ("" for a bare name).
std::string FolderOf(const std::string& path)
{
    const auto slash = path.rfind('/');
    if (slash == std::string::npos)
        return {};
    return slash == 0 ? "/" : path.substr(0, slash);
}

// minizip's open function for the archive being written: it writes through
// the temporary file already made (and locked), never opening a name again.
voidpf ZCALLBACK OpenTemporaryArchive(voidpf opaque, const void* /*filename*/, int /*mode*/)
{
    const int fd = ::fcntl(*static_cast<const int*>(opaque), F_DUPFD_CLOEXEC, 0);
    if (fd < 0)
        return nullptr;
    return new detail::BufferedArchiveFile(fd, detail::BufferedArchiveFile::Mode::Write);
}

void SyncFolder(const std::string& folder)
{
    const FileDescriptor fd(::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (fd.get() >= 0)
        ::fsync(fd.get());
}

}  // namespace

// What became of one entry being extracted.
enum class Extracted { Written, Skipped, Failed, Stopped };

struct ZipWorker::Impl {
    Impl(const Reporter& reporter, ContinueCheck check, ProgressReport progress)
        : report(reporter), continueCheck(std::move(check)), progressReport(std::move(progress))
    {
    }

    const Reporter& report;
    const ContinueCheck continueCheck;
    const ProgressReport progressReport;
    zipFile archive = nullptr;
    std::string archiveName;  // as the caller gave it, for messages
    std::string targetPath;   // where the archive goes when it is closed
    std::string temporaryPath;
    int temporaryFd = -1;  // holds the temporary's lock while it exists
    // The archive's identity (its temporary file's): it must never be added
    // to itself, which would read it while it grows.
    dev_t archiveDevice = 0;
    ino_t archiveInode = 0;
    // A write into the archive failed or the work was stopped: it is lost and
    // is removed when closed.
    bool archiveFailed = false;
    // The per-entry record: zero at all times, which gives every entry the
    // DOS stamp 0x00200000.
    zip_fileinfo entryInfo{};
    std::uint64_t entriesWritten = 0;
    std::vector<char> buffer;
    // Files announced for the next ZipOneFile calls, deflating ahead.
    std::unique_ptr<detail::FilesAhead> ahead;

    bool raise(const std::string& text, ZipError code) const { return report ? report(text, code) : false; }
    [[nodiscard]] bool keepGoing() const { return !continueCheck || continueCheck(); }
    void progressed(std::uint64_t filesDone, const std::string& name) const
    {
        if (progressReport)
            progressReport(filesDone, name);
    }

    char* chunkBuffer()
    {
        if (buffer.empty())
            buffer.resize(kChunkSize);
        return buffer.data();
    }

    bool isArchive(dev_t device, ino_t inode) const { return device == archiveDevice && inode == archiveInode; }
    bool closeArchive(bool reportFailure);
    void discardArchive();
    void forgetTemporary();
    bool addCompressedFile(const std::string& source, const std::string& entryName,
                           const detail::CompressedFile& compressed);
    Extracted extractCurrentEntry(unzFile source, const detail::EntryInfo& entry, const std::string& sourcePath,
                                  const ArchiveIdentity& identity,
                                  const detail::Destination& destination, detail::TargetFolders& folders, const std::string& dir,
                                  bool preserveDirPath);
};

void ZipWorker::Impl::forgetTemporary()
{
    // Unlinked before the lock goes, so no sweep meets it unlocked.
    if (!temporaryPath.empty())
        ::unlink(temporaryPath.c_str());
    if (temporaryFd >= 0)
        ::close(temporaryFd);
    temporaryFd = -1;
    temporaryPath.clear();
}

// Finishes the archive and renames it over its target; false (after a
// report, unless the archive was already known lost) when it could not be
// completed, in which case the temporary is removed and an older file of the
// target's name is left as it was.
bool ZipWorker::Impl::closeArchive(bool reportFailure)
{
    ahead.reset();
    // More entries than the end record can count need the zip64 records
    // the zip library leaves out below 4 GiB.
    const bool closed = zipClose(archive, nullptr) == ZIP_OK &&
                        (entriesWritten < 0xFFFF || detail::WriteZip64End(temporaryFd, entriesWritten));
    const bool failedBefore = archiveFailed;
    archive = nullptr;
    archiveFailed = false;
    bool committed = false;
    // The temporary is private while it fills; the archive gets the
    // permissions of the file it replaces, or those of a new file.
    struct stat replaced {};
    const mode_t mode = ::stat(targetPath.c_str(), &replaced) == 0 && S_ISREG(replaced.st_mode)
                            ? (replaced.st_mode & 01777)
                            : detail::NewFileMode();
    if (closed && !failedBefore && ::fchmod(temporaryFd, mode) == 0 && ::fsync(temporaryFd) == 0 &&
        ::rename(temporaryPath.c_str(), targetPath.c_str()) == 0) {
        temporaryPath.clear();
        SyncFolder(FolderOf(targetPath));
        committed = true;
    }
    forgetTemporary();
    if (!committed && !failedBefore && reportFailure)
        raise(archiveName + " can not be created", ZipError::CannotCreate);
    return committed;
}

// Drops the archive being written without finishing it.
void ZipWorker::Impl::discardArchive()
{
    ahead.reset();
    zipClose(archive, nullptr);
    archive = nullptr;
    archiveFailed = false;
    forgetTemporary();
}

ZipWorker::ZipWorker(Reporter reporter, ContinueCheck continueCheck, ProgressReport progress)
    : report_(std::move(reporter))
{
    impl_ = std::make_unique<Impl>(report_, std::move(continueCheck), std::move(progress));
}

ZipWorker::~ZipWorker()
{
    // Only ZipClose or the next NewZipFile finish an archive; one still open
    // here was never completed by its caller and must not replace anything.
    if (impl_->archive)
        impl_->discardArchive();
}

bool ZipWorker::hasOpenArchive() const { return impl_->archive != nullptr; }

// ---------------------------------------------------------------------------
// Writing

bool ZipWorker::NewZipFile(const std::string& zipfilename, std::int16_t overwrite)
{
    if (impl_->archive)
        impl_->closeArchive(true);

    const std::string path = detail::ToFileSystemPath(zipfilename);
    if (overwrite == 0) {
        // Non-blocking: a FIFO of that name exists as much as a file does.
        const int existing = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
        if (existing >= 0) {
            ::close(existing);
            return impl_->raise(zipfilename + " can not be overwritten, overwrite flag off", ZipError::NoOverwrite);
        }
    }
    const std::string folder = FolderOf(path);
    const std::string fileName = path.substr(path.rfind('/') == std::string::npos ? 0 : path.rfind('/') + 1);
    if (fileName.empty())
        return impl_->raise(zipfilename + " can not be created", ZipError::CannotCreate);
    tempnames::removeLeftovers(folder);
    tempnames::Created temporary = tempnames::create(folder, "." + fileName, ".tmp", O_RDWR);
    if (temporary.fd < 0)
        return impl_->raise(zipfilename + " can not be created", ZipError::CannotCreate);
    impl_->temporaryFd = temporary.fd;
    impl_->temporaryPath = temporary.path;
    impl_->targetPath = path;

    zlib_filefunc64_def functions = detail::BufferedArchiveFunctions(OpenTemporaryArchive, &impl_->temporaryFd);
    struct stat info {};
    impl_->archive = ::fstat(temporary.fd, &info) == 0
                         ? zipOpen2_64(temporary.path.c_str(), APPEND_STATUS_CREATE, nullptr, &functions)
                         : nullptr;
    if (!impl_->archive) {
        impl_->forgetTemporary();
        return impl_->raise(zipfilename + " can not be created", ZipError::CannotCreate);
    }
    impl_->archiveName = zipfilename;
    impl_->archiveFailed = false;
    impl_->archiveDevice = info.st_dev;
    impl_->archiveInode = info.st_ino;
    impl_->entryInfo = zip_fileinfo{};
    impl_->entriesWritten = 0;
    return true;
}

namespace {

// The directory part of an entry name for a source folder when the
// directory structure is kept.
std::string PreservedEntryDir(std::string dir, const std::string& prefix)
{
    std::replace(dir.begin(), dir.end(), '\\', '/');
    dir = detail::RemoveLeadingPrefix(dir, prefix);
    return detail::CleanEntryDir(zippath::MakeRelativeZipDir(dir));
}

}  // namespace

// Writes a file deflated ahead of time as a new entry. Only a file read
// whole becomes an entry; a stop dooms the archive without a report.
bool ZipWorker::Impl::addCompressedFile(const std::string& source, const std::string& entryName,
                                        const detail::CompressedFile& compressed)
{
    using Status = detail::CompressedFile::Status;
    if (compressed.status == Status::Stopped) {
        archiveFailed = true;
        return false;
    }
    if (compressed.status == Status::CannotOpen || compressed.status == Status::ReadFailed)
        return raise(source + " could not be read", ZipError::CannotRead);
    if (compressed.status == Status::CannotSpool)
        return raise(source + " could not be compressed: no room for temporary data", ZipError::CannotCreate);
    if (isArchive(compressed.device, compressed.inode))
        return raise(source + " is the archive being written and was not added to it", ZipError::CannotRead);

    zip_fileinfo info = entryInfo;
    const int zip64 = compressed.statSize >= kZip64Threshold ? 1 : 0;
    if (zipOpenNewFileInZip2_64(archive, entryName.c_str(), &info, nullptr, 0, nullptr, 0, nullptr, Z_DEFLATED,
                                Z_DEFAULT_COMPRESSION, 1, zip64) != ZIP_OK)
        return raise("new file could not be opened in zip", ZipError::CannotCreate);
    const bool written = compressed.copyTo([this](const unsigned char* data, std::size_t size) {
        return zipWriteInFileInZip(archive, data, static_cast<unsigned>(size)) == ZIP_OK;
    });
    // Closing also writes CRC and sizes; it must happen even after a failure
    // so that the writer is ready for the next entry.
    const bool closed = zipCloseFileInZipRaw64(archive, compressed.size, compressed.crc) == ZIP_OK;
    if (!written || !closed) {
        archiveFailed = true;
        return raise(archiveName + " can not be created", ZipError::CannotCreate);
    }
    ++entriesWritten;
    return true;
}

bool ZipWorker::ZipOneFile(const std::string& filetozip, const std::string& /*filename_in_zip*/,
                           const std::string& dirpath_in_zip, std::int16_t trimtolastdir)
{
    if (!impl_->archive)
        return impl_->raise("you must first open a new zip file to write in", ZipError::NoArchiveOpen);
    if (impl_->archiveFailed)  // lost already: nothing more goes into it
        return false;
    std::string name, dir;
    zippath::SplitEntryPath(filetozip, name, dir);
    const std::string prefix = trimtolastdir != 0 ? zippath::TrimToLastDir(dir) : std::string();
    const std::string entryDir = PreserveDirPath ? PreservedEntryDir(dir, prefix)
                                                 : detail::CleanEntryDir(zippath::NormalizeZipDir(dirpath_in_zip));
    const std::string path = detail::ToFileSystemPath(filetozip);
    std::optional<detail::CompressedFile> ready;
    if (impl_->ahead)
        ready = impl_->ahead->take(path);
    const detail::CompressedFile compressed =
        ready ? std::move(*ready)
              : detail::CompressFile(path, Z_DEFAULT_COMPRESSION, [this] { return impl_->keepGoing(); });
    return impl_->addCompressedFile(filetozip, entryDir + name, compressed);
}

bool ZipWorker::ZipNextFiles(const std::string& filelist)
{
    if (!impl_->archive)
        return impl_->raise("you must first open a new zip file to write in", ZipError::NoArchiveOpen);
    std::vector<std::string> paths;
    for (std::size_t start = 0; start < filelist.size();) {
        std::size_t end = filelist.find('\0', start);
        if (end == std::string::npos)
            end = filelist.size();
        if (end > start)
            paths.push_back(detail::ToFileSystemPath(filelist.substr(start, end - start)));
        start = end + 1;
    }
    impl_->ahead.reset();
    if (!paths.empty())
        impl_->ahead = std::make_unique<detail::FilesAhead>(paths, Z_DEFAULT_COMPRESSION, impl_->continueCheck);
    return true;
}

bool ZipWorker::ZipEntireDirectory(const std::string& directorytozip, std::int16_t include_subdirs,
                                   std::int16_t trimtolastdir)
{
    if (!impl_->archive)
        return impl_->raise("you must first open a new zip file to write in", ZipError::NoArchiveOpen);
    if (impl_->archiveFailed)
        return false;
    std::string root = directorytozip;
    const std::string prefix = trimtolastdir != 0 ? zippath::TrimToLastDir(root) : std::string();
    if (!root.empty() && isSeparator(root.back()))
        root.pop_back();

    const detail::WalkResult walk = detail::WalkDirectory(root, include_subdirs != 0);
    if (!walk.rootReadable)
        return impl_->raise(directorytozip + " could not be read", ZipError::CannotRead);
    for (const std::string& folder : walk.unreadableFolders)
        impl_->raise(folder + " could not be read", ZipError::CannotRead);
    // The archive may be written inside the folder; it is not part of it,
    // and neither are the temporary files of a run working there.
    std::vector<std::string> files;
    std::vector<std::string> fsPaths;
    for (const std::string& path : walk.files) {
        std::string fsPath = detail::ToFileSystemPath(path);
        if (tempnames::isTemporaryName(fsPath.substr(fsPath.rfind('/') + 1)))
            continue;
        files.push_back(path);
        fsPaths.push_back(std::move(fsPath));
    }
    // The files are deflated on several cores, a few ahead of the one being
    // written; the archive still receives them in the walk's order.
    detail::CompressionQueue queue(std::move(fsPaths), Z_DEFAULT_COMPRESSION, impl_->continueCheck);
    for (const std::string& path : files) {
        if (!impl_->keepGoing()) {
            impl_->archiveFailed = true;
            return false;
        }
        const detail::CompressedFile compressed = queue.next();
        // A link to the archive under another name is skipped as well.
        if (compressed.status != detail::CompressedFile::Status::CannotOpen &&
            impl_->isArchive(compressed.device, compressed.inode))
            continue;
        std::string name, dir;
        zippath::SplitEntryPath(path, name, dir);
        const std::string entryDir = PreserveDirPath ? PreservedEntryDir(dir, prefix) : std::string();
        impl_->addCompressedFile(path, entryDir + name, compressed);
        // After a failed write or a stop the archive is lost; the rest would
        // go nowhere.
        if (impl_->archiveFailed)
            return false;
    }
    return true;
}

bool ZipWorker::ZipClose()
{
    if (!impl_->archive)
        return true;
    return impl_->closeArchive(true);
}

// ---------------------------------------------------------------------------
// Reading

bool ZipWorker::GetZipFileInfo(const std::string& filename)
{
    bool empty = false;
    ArchiveIdentity identity;
    unzFile archive = OpenArchive(detail::ToFileSystemPath(filename), empty, identity);
    const auto clear = [this] {
        multipleFiles_ = 0;
        for (std::string* text : {&longNames_, &shortNames_, &paths_, &dates_, &compressedSizes_, &uncompressedSizes_})
            text->clear();
    };
    clear();
    if (!archive)
        return empty ? false : impl_->raise(filename + " can not be read", ZipError::CannotRead);
    int status = GoToFirstEntry(archive);
    if (status != UNZ_OK) {
        unzClose(archive);
        // An archive without entries fails quietly; a damaged one is named.
        return status == UNZ_END_OF_LIST_OF_FILE ? false : impl_->raise(filename + " can not be read", ZipError::CannotRead);
    }
    int count = 0;
    bool first = true;
    while (status == UNZ_OK) {
        ++count;
        detail::EntryInfo entry;
        if (!detail::ReadEntryInfo(archive, entry)) {
            status = UNZ_BADZIPFILE;
            break;
        }
        const std::string& name = entry.name;
        const unz_file_info64& info = entry.info;
        if (name.empty() || name.back() != '/') {
            std::string shortName, path;
            zippath::SplitEntryPath(name, shortName, path);
            if (!first)
                for (std::string* text :
                     {&longNames_, &shortNames_, &paths_, &dates_, &compressedSizes_, &uncompressedSizes_})
                    *text += '|';
            first = false;
            longNames_ += name;
            shortNames_ += shortName;
            paths_ += path;
            dates_ += DateElement(static_cast<std::uint32_t>(info.dosDate));
            // Unsigned 64-bit: zip64 sizes and sizes of 2 GiB and more print as
            // they are, never as negative numbers.
            compressedSizes_ += std::to_string(static_cast<std::uint64_t>(info.compressed_size));
            uncompressedSizes_ += std::to_string(static_cast<std::uint64_t>(info.uncompressed_size));
        }
        status = unzGoToNextFile(archive);
    }
    unzClose(archive);
    if (status != UNZ_END_OF_LIST_OF_FILE) {
        clear();
        return impl_->raise(filename + " can not be read", ZipError::CannotRead);
    }
    multipleFiles_ = static_cast<std::int16_t>(std::min(count, 2));
    return true;
}

Extracted ZipWorker::Impl::extractCurrentEntry(unzFile source, const detail::EntryInfo& entry,
                                               const std::string& sourcePath, const ArchiveIdentity& identity,
                                               const detail::Destination& destination,
                                               detail::TargetFolders& folders, const std::string& dir,
                                               bool preserveDirPath)
{
    const auto failed = [this](const detail::EntryFailure& failure) {
        raise(failure.text, failure.code);
        return Extracted::Failed;
    };
    const std::string& name = entry.name;
    const std::string shownName = Printable(name);
    std::unique_ptr<detail::EntryReader> reader = detail::OpenEntryReader(source, sourcePath, entry);
    if (!reader)
        return failed({"current file in zip can not be read: " + shownName, ZipError::CannotRead});
    if (!name.empty() && isSeparator(name.back())) {  // a directory entry: nothing to write
        if (reader->close() == UNZ_CRCERROR)
            return failed({"current file in zip can not be closed: " + shownName, ZipError::IoError});
        return Extracted::Skipped;
    }

    detail::EntryTarget target;
    if (std::optional<detail::EntryFailure> failure = detail::TargetOf(name, dir, preserveDirPath, destination, target))
        return failed(*failure);
    detail::EnteredTarget entered;
    if (std::optional<detail::EntryFailure> failure = detail::Enter(target, folders, identity, entered))
        return failed(*failure);
    const std::string& cannotCreate = target.cannotCreate;
    const int folder = entered.folder;
    const std::string& fileName = target.fileName;
    const bool exists = entered.exists;
    const struct stat& existing = entered.existing;

    detail::ExtractedFile part(destination.fd(), folder, fileName, exists ? &existing : nullptr,
                               destination.newFileMode());
    if (!part.valid())
        return failed({cannotCreate, ZipError::CannotCreate});

    // Never more than one byte beyond the declared size is taken: an entry
    // that inflates further is damaged (or hostile) and is refused there.
    const std::uint64_t declared = entry.info.uncompressed_size;
    std::uint64_t total = 0;
    char* chunk = chunkBuffer();
    for (;;) {
        if (!keepGoing())
            return Extracted::Stopped;
        const std::uint64_t left = declared - total;
        const auto want = static_cast<unsigned>(left >= kChunkSize ? kChunkSize : left + 1);
        const int got = reader->read(chunk, want);
        if (got == UNZ_ERRNO)
            return failed({"UnZip IO Error: " + shownName, ZipError::IoError});
        if (got < 0)  // damaged compressed data
            return failed({"current file in zip can not be read: " + shownName, ZipError::CannotRead});
        if (got == 0)
            break;
        total += static_cast<std::uint64_t>(got);
        if (total > declared)
            return failed({"current file in zip can not be closed: " + shownName, ZipError::IoError});
        if (!part.write(chunk, static_cast<std::size_t>(got)))
            return failed({cannotCreate, ZipError::CannotCreate});
    }
    if (reader->close() == UNZ_CRCERROR)
        return failed({"current file in zip can not be closed: " + shownName, ZipError::IoError});
    if (!part.commit())
        return failed({cannotCreate, ZipError::CannotCreate});
    return Extracted::Written;
}

bool ZipWorker::UnZipAllFiles(const std::string& zipfilename, const std::string& uzip_to_dir)
{
    const std::string dir = ExtractionFolder(uzip_to_dir);
    const std::string path = detail::ToFileSystemPath(zipfilename);
    bool empty = false;
    ArchiveIdentity identity;
    unzFile archive = OpenArchive(path, empty, identity);
    if (!archive)
        return empty ? false : impl_->raise(zipfilename + " can not be opened", ZipError::CannotRead);
    int status = GoToFirstEntry(archive);
    if (status == UNZ_END_OF_LIST_OF_FILE) {  // no entries: fails quietly
        unzClose(archive);
        return false;
    }
    const detail::Destination destination(dir);
    detail::TargetFolders folders(destination);
    bool allExtracted = true;
    // Small entries are read here and written by workers; everything else is
    // extracted here, after the workers are done with what came before it,
    // so that reports keep the archive's order.
    detail::ParallelExtraction workers(destination, identity);
    const auto settle = [this, &workers, &allExtracted](bool all) {
        for (const detail::PackedOutcome& outcome : workers.finished(all)) {
            if (outcome.failure)
                impl_->raise(outcome.failure->text, outcome.failure->code);
            allExtracted &= outcome.written;
        }
    };
    const auto failed = [this, &settle, &allExtracted](const detail::EntryFailure& failure) {
        settle(true);
        impl_->raise(failure.text, failure.code);
        allExtracted = false;
    };
    std::uint64_t filesHandled = 0;
    while (status == UNZ_OK) {
        if (!impl_->keepGoing()) {
            unzClose(archive);
            return false;
        }
        detail::EntryInfo entry;
        const bool readable = detail::ReadEntryInfo(archive, entry);
        if (!readable) {
            failed({"current file in zip can not be read", ZipError::CannotRead});
        } else if (IsEmptyFolderEntry(entry)) {
            // Nothing to write and nothing to check: no reason to wait for
            // the workers.
        } else if (!entry.name.empty() && !isSeparator(entry.name.back()) && detail::SuitsWorkers(entry)) {
            detail::PackedEntry packed;
            std::optional<detail::EntryFailure> failure =
                detail::TargetOf(entry.name, dir, PreserveDirPath, destination, packed.target);
            if (!failure)
                failure = detail::ReadPacked(archive, entry, packed);
            if (failure) {
                failed(*failure);
            } else {
                if (workers.clashes(packed.target))
                    settle(true);
                workers.add(std::move(packed));
            }
            settle(false);
        } else {
            settle(true);
            const Extracted outcome = impl_->extractCurrentEntry(archive, entry, path, identity, destination,
                                                                 folders, dir, PreserveDirPath);
            if (outcome == Extracted::Stopped) {
                unzClose(archive);
                return false;
            }
            // Every failed entry was reported; the run still does not pass
            // for a success when one is missing.
            allExtracted &= outcome != Extracted::Failed;
        }
        // Counted as the listing counts: every entry but directory entries.
        if (readable && (entry.name.empty() || entry.name.back() != '/'))
            impl_->progressed(++filesHandled, entry.name);
        status = unzGoToNextFile(archive);
    }
    unzClose(archive);
    settle(true);
    // A central directory that breaks off means entries were missed, which
    // must not pass for success.
    if (status != UNZ_END_OF_LIST_OF_FILE)
        return impl_->raise(zipfilename + " can not be read", ZipError::CannotRead);
    return allExtracted;
}

bool ZipWorker::UnZipOneFile(const std::string& zipfilename, const std::string& filetounzip,
                             const std::string& uzip_to_dir)
{
    const std::string dir = ExtractionFolder(uzip_to_dir);
    const std::string path = detail::ToFileSystemPath(zipfilename);
    bool empty = false;
    ArchiveIdentity identity;
    unzFile archive = OpenArchive(path, empty, identity);
    if (!archive && !empty)
        return impl_->raise(zipfilename + " can not be opened", ZipError::CannotRead);
    // The library's own lookup compares names cut to 256 bytes; this one
    // compares whole names, letter case ignored as the lookup does, except
    // that an entry named exactly so wins over one that differs in case.
    int status = archive ? GoToFirstEntry(archive) : UNZ_END_OF_LIST_OF_FILE;
    std::optional<unz64_file_pos> found;
    bool exact = false;
    while (status == UNZ_OK && !exact) {
        detail::EntryInfo entry;
        if (!detail::ReadEntryInfo(archive, entry)) {
            status = UNZ_BADZIPFILE;
            break;
        }
        if (EqualsIgnoringCase(entry.name, filetounzip) && (!found || entry.name == filetounzip)) {
            unz64_file_pos position{};
            if (unzGetFilePos64(archive, &position) != UNZ_OK) {
                status = UNZ_BADZIPFILE;
                break;
            }
            found = position;
            exact = entry.name == filetounzip;
        }
        if (!exact)
            status = unzGoToNextFile(archive);
    }
    if (found && (exact || status == UNZ_END_OF_LIST_OF_FILE)) {
        if (unzGoToFilePos64(archive, &*found) != UNZ_OK) {
            unzClose(archive);
            return impl_->raise(zipfilename + " can not be read", ZipError::CannotRead);
        }
        detail::EntryInfo entry;
        if (!detail::ReadEntryInfo(archive, entry)) {
            unzClose(archive);
            return impl_->raise("current file in zip can not be read", ZipError::CannotRead);
        }
        const detail::Destination destination(dir);
        detail::TargetFolders folders(destination);
        const Extracted outcome = impl_->extractCurrentEntry(archive, entry, path, identity, destination, folders,
                                                             dir, PreserveDirPath);
        unzClose(archive);
        return outcome == Extracted::Written;
    }
    if (archive)
        unzClose(archive);
    if (status != UNZ_END_OF_LIST_OF_FILE)
        return impl_->raise(zipfilename + " can not be read", ZipError::CannotRead);
    return impl_->raise("Could Not Locate " + filetounzip + " in " + zipfilename, ZipError::NotFound);
}

}  // namespace veilcraft::kompak
