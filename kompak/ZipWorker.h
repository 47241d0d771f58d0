#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace veilcraft::kompak {

// Error codes of ReportError and the status codes the control reports them with.
enum class ZipError : int {
    NoArchiveOpen = 1,   // 0x800A0005: "you must first open a new zip file to write in", the busy refusal
    CannotCreate = 2,    // 0x800A02DF: " can not be created", " Could Not be Created", "new file could not be opened in zip"
    NoOverwrite = 3,     // 0x800A003A: " can not be overwritten, overwrite flag off"
    NotFound = 4,        // 0x800A0035: "Could Not Locate " ... " in " ...
    CannotRead = 5,      // 0x800A004B: " can not be opened", " can not be read", " could not be read", "current file in zip can not be read"
    IoError = 6,         // 0x800A0039: "UnZip IO Error", "current file in zip can not be closed"
};

// The zip work of the control: writing, listing and extracting archives
// through the zip library. It knows nothing of threads, dispatch or the
// host; every failure goes to the reporter given at construction, which is
// the control's ReportError (text, code) and returns false.
//
// Paths are 8-bit strings; "/" and "\" are both accepted as separators in
// every path argument. Entries are written and read in chunks, so memory does
// not grow with entry size; files of 4 GiB and more get zip64 extensions.
//
// Nothing is ever half written under a final name: an archive is built under
// a temporary name beside its target and renamed over it by ZipClose;
// extracted files fill a part file in the destination folder and are renamed
// into place once complete and checked. Extraction never follows a symbolic
// link inside the destination and never writes over the archive it reads.
//
// The continue check (optional) is asked between files and entries and
// between chunks of one, from whichever thread does the work. When it says
// stop, the operation returns false at once without a report; a stopped
// archive being written is doomed, and ZipClose removes it.
//
// The progress report (optional) is told after each file entry
// UnZipAllFiles handled -- extracted, refused or handed to its workers --
// with the count so far and the entry's stored name, on the calling thread.
class ZipWorker {
public:
    using Reporter = std::function<bool(const std::string& text, ZipError code)>;
    using ContinueCheck = std::function<bool()>;
    using ProgressReport = std::function<void(std::uint64_t filesDone, const std::string& name)>;

    explicit ZipWorker(Reporter reporter, ContinueCheck continueCheck = {}, ProgressReport progress = {});
    ~ZipWorker();
    ZipWorker(const ZipWorker&) = delete;
    ZipWorker& operator=(const ZipWorker&) = delete;

    // Options (properties of the control).
    bool PreserveDirPath = false;
    bool Notify = false;

    // Writing.
    bool NewZipFile(const std::string& zipfilename, std::int16_t overwrite);
    bool ZipOneFile(const std::string& filetozip, const std::string& filename_in_zip,
                    const std::string& dirpath_in_zip, std::int16_t trimtolastdir);
    // Announces the files the next ZipOneFile calls will name, in that order
    // (separated by NUL characters), so that they are deflated ahead on
    // several cores. Each call still zips its file as it is when called; a
    // call for a file not announced, or out of order, just gains nothing.
    // Holds until the archive is closed or another list is announced.
    bool ZipNextFiles(const std::string& filelist);
    bool ZipEntireDirectory(const std::string& directorytozip, std::int16_t include_subdirs,
                            std::int16_t trimtolastdir);
    bool ZipClose();
    [[nodiscard]] bool hasOpenArchive() const;

    // Reading.
    bool GetZipFileInfo(const std::string& filename);
    bool UnZipAllFiles(const std::string& zipfilename, const std::string& uzip_to_dir);
    bool UnZipOneFile(const std::string& zipfilename, const std::string& filetounzip,
                      const std::string& uzip_to_dir);

    // The listing of the last GetZipFileInfo: "|"-separated, one element per
    // entry that is not a directory entry.
    [[nodiscard]] const std::string& LongFileNameArray() const { return longNames_; }
    [[nodiscard]] const std::string& ShortFileNameArray() const { return shortNames_; }
    [[nodiscard]] const std::string& FilePathArray() const { return paths_; }
    [[nodiscard]] const std::string& FileDateModifiedArray() const { return dates_; }
    [[nodiscard]] const std::string& FileCompressedSizeArray() const { return compressedSizes_; }
    [[nodiscard]] const std::string& FileUnCompressedSizeArray() const { return uncompressedSizes_; }
    // 0 before any listing, else the entries visited capped at 2.
    [[nodiscard]] std::int16_t MultipleFiles() const { return multipleFiles_; }

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
    Reporter report_;
    std::string longNames_, shortNames_, paths_, dates_, compressedSizes_, uncompressedSizes_;
    std::int16_t multipleFiles_ = 0;
};

// Path routines of entry naming, exposed for tests.
namespace zippath {
// Splits at the last "/" or "\": (name, directory including the separator).
void SplitEntryPath(const std::string& path, std::string& name, std::string& directory);
std::string NormalizeZipDir(const std::string& text);
std::string MakeRelativeZipDir(const std::string& text);
std::string TrimToLastDir(const std::string& dir);
}  // namespace zippath

}  // namespace veilcraft::kompak
