#include "ZipWorker.h"

#include "FileDescriptor.h"

#include "DirectoryWalker.h"
#include "EntryCompressor.h"
#include "EntryReader.h"
#include "ZipPaths.h"

#include <unzip.h>
#include <zip.h>
#include <zlib.h>

#include <algorithm>
#include <atomic>
#include <deque>
#include <future>
#include <thread>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
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

// The file an entry is extracted into until it is complete and its CRC
// checked: a hidden, short name beside the target (short, so that targets
// with names up to the file system's limit still get one), removed unless
// it was renamed into place.
class PartFile {
public:
    explicit PartFile(const std::string& target)
    {
        static std::atomic<unsigned> counter{0};
        const auto slash = target.rfind('/');
        const std::string folder = slash == std::string::npos ? std::string() : target.substr(0, slash + 1);
        for (int attempt = 0; attempt < 100 && fd_ < 0; ++attempt) {
            path_ = folder + ".vkpart-" + std::to_string(::getpid()) + "-" + std::to_string(counter++);
            fd_ = ::open(path_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
            if (fd_ < 0 && errno != EEXIST)
                break;
        }
        if (fd_ < 0)
            path_.clear();
    }
    ~PartFile()
    {
        if (fd_ >= 0)
            ::close(fd_);
        if (!path_.empty())
            ::unlink(path_.c_str());
    }
    PartFile(const PartFile&) = delete;
    PartFile& operator=(const PartFile&) = delete;

    [[nodiscard]] bool valid() const { return fd_ >= 0; }

    bool write(const char* data, std::size_t size)
    {
        while (size > 0) {
            const ssize_t written = ::write(fd_, data, size);
            if (written < 0) {
                if (errno == EINTR)
                    continue;
                return false;
            }
            data += written;
            size -= static_cast<std::size_t>(written);
        }
        return true;
    }

    // Closes the file and renames it to target; false leaves nothing behind.
    bool commit(const std::string& target)
    {
        const int fd = fd_;
        fd_ = -1;
        if (::close(fd) != 0 || ::rename(path_.c_str(), target.c_str()) != 0)
            return false;
        path_.clear();
        return true;
    }

private:
    std::string path_;
    int fd_ = -1;
};

// Makes every missing folder on the way to the file path (failures, such as
// an existing folder, are left to the creation of the file to report).
void CreateDirectoriesFor(const std::string& path)
{
    std::vector<std::string> parts = detail::SplitPathParts(path);
    if (parts.empty())
        return;
    parts.pop_back();
    std::string accumulated = !path.empty() && path.front() == '/' ? "/" : "";
    for (const std::string& part : parts) {
        accumulated += part;
        ::mkdir(accumulated.c_str(), 0777);
        accumulated += '/';
    }
}

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

// Opens an archive for reading. The Debian build of minizip refuses an
// archive without entries, which is well formed: empty tells that case.
unzFile OpenArchive(const std::string& path, bool& empty)
{
    empty = false;
    if (unzFile archive = unzOpen64(path.c_str()))
        return archive;
    FileDescriptor in(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    unsigned char end[22];
    struct stat info {};
    if (in.get() >= 0 && ::fstat(in.get(), &info) == 0 && ::pread(in.get(), end, sizeof end, 0) == sizeof end) {
        const bool noEntries = end[0] == 'P' && end[1] == 'K' && end[2] == 5 && end[3] == 6 &&
                               std::all_of(end + 4, end + 20, [](unsigned char b) { return b == 0; });
        empty = noEntries && info.st_size == 22 + (end[20] | (end[21] << 8));
    }
    return nullptr;
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

}  // namespace

struct ZipWorker::Impl {
    explicit Impl(const Reporter& reporter) : report(reporter) {}

    const Reporter& report;
    zipFile archive = nullptr;
    std::string archiveName;  // as the caller gave it, for messages
    // The archive's identity: it must never be added to itself, which would
    // read it while it grows.
    dev_t archiveDevice = 0;
    ino_t archiveInode = 0;
    // A write into the archive failed: it is lost and is removed when closed.
    bool archiveFailed = false;
    // The per-entry record: zero at all times, which gives every entry the
    // DOS stamp 0x00200000.
    zip_fileinfo entryInfo{};
    std::vector<char> buffer;

    bool raise(const std::string& text, ZipError code) const { return report ? report(text, code) : false; }

    char* chunkBuffer()
    {
        if (buffer.empty())
            buffer.resize(kChunkSize);
        return buffer.data();
    }

    bool isArchive(const struct stat& info) const
    {
        return info.st_dev == archiveDevice && info.st_ino == archiveInode;
    }
    bool closeArchive(bool reportFailure);
    bool addFileToZip(const std::string& source, const std::string& entryName);
    bool addCompressedFile(const std::string& source, const std::string& entryName,
                           const detail::CompressedFile& compressed);
    bool extractCurrentEntry(unzFile source, const std::string& sourcePath, const std::string& dir,
                             bool preserveDirPath);
};

// Finishes the archive; false (after a report) when it could not be
// completed, in which case no partial archive is left behind.
bool ZipWorker::Impl::closeArchive(bool reportFailure)
{
    const bool closed = zipClose(archive, nullptr) == ZIP_OK;
    const bool failedBefore = archiveFailed;
    archive = nullptr;
    archiveFailed = false;
    if (closed && !failedBefore)
        return true;
    ::unlink(detail::ToFileSystemPath(archiveName).c_str());
    if (!failedBefore && reportFailure)
        raise(archiveName + " can not be created", ZipError::CannotCreate);
    return false;
}

ZipWorker::ZipWorker(Reporter reporter) : report_(std::move(reporter)) { impl_ = std::make_unique<Impl>(report_); }

ZipWorker::~ZipWorker()
{
    // Nobody is left to hear about a failure here; an archive that cannot be
    // finished is still removed.
    if (impl_->archive)
        impl_->closeArchive(false);
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
        const int existing = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
        if (existing >= 0) {
            ::close(existing);
            return impl_->raise(zipfilename + " can not be overwritten, overwrite flag off", ZipError::NoOverwrite);
        }
    }
    impl_->archive = zipOpen64(path.c_str(), APPEND_STATUS_CREATE);
    if (!impl_->archive)
        return impl_->raise(zipfilename + " can not be created", ZipError::CannotCreate);
    impl_->archiveName = zipfilename;
    impl_->archiveFailed = false;
    struct stat info {};
    ::stat(path.c_str(), &info);
    impl_->archiveDevice = info.st_dev;
    impl_->archiveInode = info.st_ino;
    impl_->entryInfo = zip_fileinfo{};
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

// Streams one file into a new entry of the open archive.
bool ZipWorker::Impl::addFileToZip(const std::string& source, const std::string& entryName)
{
    // Non-blocking, so that a FIFO met in a folder cannot hang the run; it is
    // refused below like any other file that is not a regular file.
    FileDescriptor in(::open(detail::ToFileSystemPath(source).c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    struct stat info {};
    if (in.get() < 0 || ::fstat(in.get(), &info) != 0 || !S_ISREG(info.st_mode))
        return raise(source + " could not be read", ZipError::CannotRead);
    if (isArchive(info))
        return raise(source + " is the archive being written and was not added to it", ZipError::CannotRead);
    ::posix_fadvise(in.get(), 0, 0, POSIX_FADV_SEQUENTIAL);

    const int zip64 = static_cast<std::uint64_t>(info.st_size) >= kZip64Threshold ? 1 : 0;
    if (zipOpenNewFileInZip64(archive, entryName.c_str(), &entryInfo, nullptr, 0, nullptr, 0, nullptr,
                              Z_DEFLATED, Z_DEFAULT_COMPRESSION, zip64) != ZIP_OK)
        return raise("new file could not be opened in zip", ZipError::CannotCreate);

    char* chunk = chunkBuffer();
    bool readFailed = false;
    bool writeFailed = false;
    for (;;) {
        const ssize_t got = ::read(in.get(), chunk, kChunkSize);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0) {
            readFailed = true;
            break;
        }
        if (got == 0)
            break;
        if (zipWriteInFileInZip(archive, chunk, static_cast<unsigned>(got)) != ZIP_OK) {
            writeFailed = true;
            break;
        }
    }
    // Closing also writes CRC and sizes; it must happen even after a failure
    // so that the writer is ready for the next entry.
    const bool closed = zipCloseFileInZip(archive) == ZIP_OK;
    if (writeFailed || !closed) {
        archiveFailed = true;
        return raise(archiveName + " can not be created", ZipError::CannotCreate);
    }
    if (readFailed)
        return raise(source + " could not be read", ZipError::CannotRead);
    return true;
}

// Writes a file deflated ahead of time as a new entry: the same entry, byte
// for byte, that addFileToZip makes of it.
bool ZipWorker::Impl::addCompressedFile(const std::string& source, const std::string& entryName,
                                        const detail::CompressedFile& compressed)
{
    using Status = detail::CompressedFile::Status;
    if (compressed.status == Status::CannotOpen)
        return raise(source + " could not be read", ZipError::CannotRead);
    if (compressed.status == Status::CannotSpool)
        return raise(source + " could not be compressed: no room for temporary data", ZipError::CannotCreate);

    // The writer would have marked text itself while deflating.
    zip_fileinfo info = entryInfo;
    info.internal_fa = compressed.text ? Z_TEXT : 0;
    const int zip64 = compressed.statSize >= kZip64Threshold ? 1 : 0;
    if (zipOpenNewFileInZip2_64(archive, entryName.c_str(), &info, nullptr, 0, nullptr, 0, nullptr, Z_DEFLATED,
                                Z_DEFAULT_COMPRESSION, 1, zip64) != ZIP_OK)
        return raise("new file could not be opened in zip", ZipError::CannotCreate);
    const bool written = compressed.copyTo([this](const unsigned char* data, std::size_t size) {
        return zipWriteInFileInZip(archive, data, static_cast<unsigned>(size)) == ZIP_OK;
    });
    const bool closed = zipCloseFileInZipRaw64(archive, compressed.size, compressed.crc) == ZIP_OK;
    if (!written || !closed) {
        archiveFailed = true;
        return raise(archiveName + " can not be created", ZipError::CannotCreate);
    }
    if (compressed.status == Status::ReadFailed)
        return raise(source + " could not be read", ZipError::CannotRead);
    return true;
}

bool ZipWorker::ZipOneFile(const std::string& filetozip, const std::string& /*filename_in_zip*/,
                           const std::string& dirpath_in_zip, std::int16_t trimtolastdir)
{
    if (!impl_->archive)
        return impl_->raise("you must first open a new zip file to write in", ZipError::NoArchiveOpen);
    std::string name, dir;
    zippath::SplitEntryPath(filetozip, name, dir);
    const std::string prefix = trimtolastdir != 0 ? zippath::TrimToLastDir(dir) : std::string();
    const std::string entryDir = PreserveDirPath ? PreservedEntryDir(dir, prefix)
                                                 : detail::CleanEntryDir(zippath::NormalizeZipDir(dirpath_in_zip));
    return impl_->addFileToZip(filetozip, entryDir + name);
}

bool ZipWorker::ZipEntireDirectory(const std::string& directorytozip, std::int16_t include_subdirs,
                                   std::int16_t trimtolastdir)
{
    if (!impl_->archive)
        return impl_->raise("you must first open a new zip file to write in", ZipError::NoArchiveOpen);
    std::string root = directorytozip;
    const std::string prefix = trimtolastdir != 0 ? zippath::TrimToLastDir(root) : std::string();
    if (!root.empty() && isSeparator(root.back()))
        root.pop_back();

    const detail::WalkResult walk = detail::WalkDirectory(root, include_subdirs != 0);
    if (!walk.rootReadable)
        return impl_->raise(directorytozip + " could not be read", ZipError::CannotRead);
    for (const std::string& folder : walk.unreadableFolders)
        impl_->raise(folder + " could not be read", ZipError::CannotRead);
    std::vector<std::string> files;
    for (const std::string& path : walk.files) {
        // The archive may be written inside the folder; it is not part of it.
        struct stat info {};
        if (::stat(detail::ToFileSystemPath(path).c_str(), &info) != 0 || !impl_->isArchive(info))
            files.push_back(path);
    }
    // The files are deflated on several cores, a few ahead of the one being
    // written; the archive still receives them in the walk's order.
    const std::size_t ahead = std::clamp(2 * std::thread::hardware_concurrency(), 2U, 8U);
    std::deque<std::future<detail::CompressedFile>> pending;
    std::size_t queued = 0;
    for (const std::string& path : files) {
        while (queued < files.size() && pending.size() < ahead)
            pending.push_back(std::async(std::launch::async, detail::CompressFile,
                                         detail::ToFileSystemPath(files[queued++]), Z_DEFAULT_COMPRESSION));
        const detail::CompressedFile compressed = pending.front().get();
        pending.pop_front();
        std::string name, dir;
        zippath::SplitEntryPath(path, name, dir);
        const std::string entryDir = PreserveDirPath ? PreservedEntryDir(dir, prefix) : std::string();
        impl_->addCompressedFile(path, entryDir + name, compressed);
        // After a failed write the archive is lost; the rest would fail too.
        // (The files still being deflated are waited for and dropped.)
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
    unzFile archive = OpenArchive(detail::ToFileSystemPath(filename), empty);
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

bool ZipWorker::Impl::extractCurrentEntry(unzFile source, const std::string& sourcePath, const std::string& dir,
                                          bool preserveDirPath)
{
    detail::EntryInfo entry;
    if (!detail::ReadEntryInfo(source, entry))
        return raise("current file in zip can not be read", ZipError::CannotRead);
    std::unique_ptr<detail::EntryReader> reader = detail::OpenEntryReader(source, sourcePath, entry);
    if (!reader)
        return raise("current file in zip can not be read", ZipError::CannotRead);
    const std::string& name = entry.name;
    if (!name.empty() && isSeparator(name.back())) {  // a directory entry: nothing to write
        if (reader->close() == UNZ_CRCERROR)
            return raise("current file in zip can not be closed", ZipError::IoError);
        return false;
    }

    const std::optional<std::string> target = detail::ExtractionTarget(name, preserveDirPath);
    if (!target)
        return raise(name + " is outside the target folder and was not extracted", ZipError::CannotCreate);
    const std::string full = dir + *target;
    const std::string fsFull = detail::ToFileSystemPath(full);
    CreateDirectoriesFor(fsFull);
    PartFile part(fsFull);
    if (!part.valid())
        return raise(full + " Could Not be Created", ZipError::CannotCreate);

    char* chunk = chunkBuffer();
    for (;;) {
        const int got = reader->read(chunk, static_cast<unsigned>(kChunkSize));
        if (got == UNZ_ERRNO)
            return raise("UnZip IO Error", ZipError::IoError);
        if (got < 0)  // damaged compressed data
            return raise("current file in zip can not be read", ZipError::CannotRead);
        if (got == 0)
            break;
        if (!part.write(chunk, static_cast<std::size_t>(got)))
            return raise(full + " Could Not be Created", ZipError::CannotCreate);
    }
    if (reader->close() == UNZ_CRCERROR)
        return raise("current file in zip can not be closed", ZipError::IoError);
    if (!part.commit(fsFull))
        return raise(full + " Could Not be Created", ZipError::CannotCreate);
    return true;
}

bool ZipWorker::UnZipAllFiles(const std::string& zipfilename, const std::string& uzip_to_dir)
{
    const std::string dir = ExtractionFolder(uzip_to_dir);
    const std::string path = detail::ToFileSystemPath(zipfilename);
    bool empty = false;
    unzFile archive = OpenArchive(path, empty);
    if (!archive)
        return empty ? false : impl_->raise(zipfilename + " can not be opened", ZipError::CannotRead);
    int status = GoToFirstEntry(archive);
    if (status == UNZ_END_OF_LIST_OF_FILE) {  // no entries: fails quietly
        unzClose(archive);
        return false;
    }
    while (status == UNZ_OK) {
        impl_->extractCurrentEntry(archive, path, dir, PreserveDirPath);
        status = unzGoToNextFile(archive);
    }
    unzClose(archive);
    // A central directory that breaks off means entries were missed, which
    // must not pass for success.
    if (status != UNZ_END_OF_LIST_OF_FILE)
        return impl_->raise(zipfilename + " can not be read", ZipError::CannotRead);
    return true;
}

bool ZipWorker::UnZipOneFile(const std::string& zipfilename, const std::string& filetounzip,
                             const std::string& uzip_to_dir)
{
    const std::string dir = ExtractionFolder(uzip_to_dir);
    const std::string path = detail::ToFileSystemPath(zipfilename);
    bool empty = false;
    unzFile archive = OpenArchive(path, empty);
    if (!archive && !empty)
        return impl_->raise(zipfilename + " can not be opened", ZipError::CannotRead);
    // The library's own lookup compares names cut to 256 bytes; this one
    // compares whole names, letter case ignored as the lookup does.
    int status = archive ? GoToFirstEntry(archive) : UNZ_END_OF_LIST_OF_FILE;
    while (status == UNZ_OK) {
        detail::EntryInfo entry;
        if (!detail::ReadEntryInfo(archive, entry)) {
            status = UNZ_BADZIPFILE;
            break;
        }
        if (EqualsIgnoringCase(entry.name, filetounzip)) {
            const bool result = impl_->extractCurrentEntry(archive, path, dir, PreserveDirPath);
            unzClose(archive);
            return result;
        }
        status = unzGoToNextFile(archive);
    }
    if (archive)
        unzClose(archive);
    if (status != UNZ_END_OF_LIST_OF_FILE)
        return impl_->raise(zipfilename + " can not be read", ZipError::CannotRead);
    return impl_->raise("Could Not Locate " + filetounzip + " in " + zipfilename, ZipError::NotFound);
}

}  // namespace veilcraft::kompak
