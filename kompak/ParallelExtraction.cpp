#include "ParallelExtraction.h"

#include "ExtractedFile.h"

#include <libdeflate.h>

#include <algorithm>
#include <iterator>
#include <memory>

namespace veilcraft::kompak::detail {

namespace {

// Large enough for nearly every file of a source tree or a system folder,
// small enough that the pending entries and each thread's buffer stay a few
// MiB.
constexpr std::uint64_t kMostPacked = 1024 * 1024;
constexpr std::uint64_t kMostUnpacked = 4 * 1024 * 1024;
constexpr std::size_t kMostPendingEntries = 256;
constexpr std::size_t kMostPendingBytes = 16 * 1024 * 1024;

PackedOutcome Failed(const std::string& text, ZipError code) { return {false, EntryFailure{text, code}}; }

PackedOutcome Extract(const PackedEntry& entry, TargetFolders& folders, const Destination& destination,
                      const ArchiveIdentity& archive, std::vector<unsigned char>& buffer)
{
    EnteredTarget entered;
    if (std::optional<EntryFailure> failure = Enter(entry.target, folders, archive, entered))
        return {false, std::move(failure)};
    const unsigned char* data = entry.packed.data();
    std::size_t size = entry.packed.size();
    if (entry.deflated) {
        struct Free {
            void operator()(libdeflate_decompressor* d) const { libdeflate_free_decompressor(d); }
        };
        thread_local std::unique_ptr<libdeflate_decompressor, Free> inflater(libdeflate_alloc_decompressor());
        if (!inflater)
            return Failed(entry.target.cannotCreate, ZipError::CannotCreate);
        buffer.resize(static_cast<std::size_t>(entry.size));
        std::size_t actual = 0;
        const libdeflate_result result = libdeflate_deflate_decompress(inflater.get(), data, size, buffer.data(),
                                                                       buffer.size(), &actual);
        // Data that inflates beyond its declared size is refused there, as
        // the streaming reader does.
        if (result == LIBDEFLATE_INSUFFICIENT_SPACE)
            return Failed("current file in zip can not be closed: " + entry.shownName, ZipError::IoError);
        if (result != LIBDEFLATE_SUCCESS)
            return Failed("current file in zip can not be read: " + entry.shownName, ZipError::CannotRead);
        data = buffer.data();
        size = actual;
    }
    if (size != entry.size || libdeflate_crc32(0, data, size) != entry.crc)
        return Failed("current file in zip can not be closed: " + entry.shownName, ZipError::IoError);
    ExtractedFile file(destination.fd(), entered.folder, entry.target.fileName,
                       entered.exists ? &entered.existing : nullptr, destination.newFileMode());
    if (!file.valid() || !file.write(reinterpret_cast<const char*>(data), size) || !file.commit())
        return Failed(entry.target.cannotCreate, ZipError::CannotCreate);
    return {true, std::nullopt};
}

// The target's folders, each as a path from the destination, then its file.
std::vector<std::string> PathsOf(const EntryTarget& target)
{
    std::vector<std::string> paths;
    std::string path;
    for (const std::string& folder : target.folders) {
        path += folder;
        paths.push_back(path);
        path += '/';
    }
    paths.push_back(path + target.fileName);
    return paths;
}

}  // namespace

bool SuitsWorkers(const EntryInfo& entry)
{
    const unz_file_info64& info = entry.info;
    return !entry.hasZip64Values && (info.flag & 1) == 0 && (info.compression_method == 0 || info.compression_method == 8) &&
           info.compressed_size <= kMostPacked && info.uncompressed_size <= kMostUnpacked;
}

std::optional<EntryFailure> ReadPacked(unzFile archive, const EntryInfo& info, PackedEntry& entry)
{
    int method = 0;
    int level = 0;
    entry.shownName = Printable(info.name);
    if (unzOpenCurrentFile2(archive, &method, &level, 1) != UNZ_OK)
        return EntryFailure{"current file in zip can not be read: " + entry.shownName, ZipError::CannotRead};
    entry.packed.resize(static_cast<std::size_t>(info.info.compressed_size));
    std::size_t total = 0;
    int got = 0;
    while (total < entry.packed.size() &&
           (got = unzReadCurrentFile(archive, entry.packed.data() + total,
                                     static_cast<unsigned>(entry.packed.size() - total))) > 0)
        total += static_cast<std::size_t>(got);
    unzCloseCurrentFile(archive);
    if (got == UNZ_ERRNO)
        return EntryFailure{"UnZip IO Error: " + entry.shownName, ZipError::IoError};
    if (total != entry.packed.size())
        return EntryFailure{"current file in zip can not be read: " + entry.shownName, ZipError::CannotRead};
    entry.deflated = info.info.compression_method == 8;
    entry.crc = static_cast<std::uint32_t>(info.info.crc);
    entry.size = info.info.uncompressed_size;
    return std::nullopt;
}

ParallelExtraction::ParallelExtraction(const Destination& destination, const ArchiveIdentity& archive)
    : destination_(destination), archive_(archive), threads_(WorkerThreads::defaultCount(), [this] { work(); })
{
}

ParallelExtraction::~ParallelExtraction()
{
    {
        const std::lock_guard lock(mutex_);
        ending_ = true;
    }
    available_.notify_all();
}

bool ParallelExtraction::clashes(const EntryTarget& target) const
{
    const std::vector<std::string> paths = PathsOf(target);
    for (std::size_t i = 0; i + 1 < paths.size(); ++i)
        if (files_.count(paths[i]) != 0)
            return true;
    return files_.count(paths.back()) != 0 || folders_.count(paths.back()) != 0;
}

void ParallelExtraction::add(PackedEntry entry)
{
    std::vector<std::string> paths = PathsOf(entry.target);
    files_.insert(std::move(paths.back()));
    paths.pop_back();
    folders_.insert(std::make_move_iterator(paths.begin()), std::make_move_iterator(paths.end()));
    std::unique_lock lock(mutex_);
    done_.wait(lock, [this] { return unfinished_ < kMostPendingEntries && pendingBytes_ < kMostPendingBytes; });
    pendingBytes_ += entry.packed.size();
    ++unfinished_;
    slots_.push_back({std::move(entry), std::nullopt});
    lock.unlock();
    available_.notify_one();
}

std::vector<PackedOutcome> ParallelExtraction::finished(bool all)
{
    std::unique_lock lock(mutex_);
    if (all)
        done_.wait(lock, [this] { return unfinished_ == 0; });
    std::vector<PackedOutcome> outcomes;
    while (!slots_.empty() && slots_.front().outcome) {
        outcomes.push_back(std::move(*slots_.front().outcome));
        slots_.pop_front();
        ++firstIndex_;
    }
    if (unfinished_ == 0) {
        files_.clear();
        folders_.clear();
    }
    return outcomes;
}

void ParallelExtraction::work()
{
    TargetFolders folders(destination_);
    std::vector<unsigned char> buffer;
    for (;;) {
        std::unique_lock lock(mutex_);
        available_.wait(lock, [this] { return ending_ || nextToStart_ < firstIndex_ + slots_.size(); });
        if (ending_)
            return;
        // Elements of a deque stay where they are while others are added at
        // the back or taken from the front.
        Slot& slot = slots_[nextToStart_++ - firstIndex_];
        lock.unlock();
        PackedOutcome outcome = Extract(slot.entry, folders, destination_, archive_, buffer);
        lock.lock();
        pendingBytes_ -= slot.entry.packed.size();
        slot.entry.packed = {};
        slot.outcome = std::move(outcome);
        --unfinished_;
        lock.unlock();
        done_.notify_all();
    }
}

}  // namespace veilcraft::kompak::detail
