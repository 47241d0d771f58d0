#include "EntryReader.h"

#include <zlib.h>

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace veilcraft::kompak::detail {

namespace {

constexpr std::uint64_t kPlaceholder = 0xFFFFFFFFu;
constexpr std::size_t kInputChunk = 64 * 1024;

std::uint64_t littleEndian(const unsigned char* bytes, int count)
{
    std::uint64_t value = 0;
    for (int i = count - 1; i >= 0; --i)
        value = (value << 8) | bytes[i];
    return value;
}

// minizip's own reader: open, read, close (which checks the CRC).
class MinizipReader final : public EntryReader {
public:
    explicit MinizipReader(unzFile archive) : archive_(archive) {}
    ~MinizipReader() override
    {
        if (open_)
            unzCloseCurrentFile(archive_);
    }
    MinizipReader(const MinizipReader&) = delete;
    MinizipReader& operator=(const MinizipReader&) = delete;

    int read(char* buffer, unsigned size) override
    {
        const int got = unzReadCurrentFile(archive_, buffer, size);
        if (got > 0)
            total_ += static_cast<std::uint64_t>(got);
        return got;
    }
    int close() override
    {
        open_ = false;
        const int result = unzCloseCurrentFile(archive_);
        // minizip checks the CRC only when the recorded size was read in
        // full; data that ends early is as damaged as data with a wrong CRC.
        return result == UNZ_CRCERROR || total_ != expected_ ? UNZ_CRCERROR : result;
    }
    void expect(std::uint64_t size) { expected_ = size; }

private:
    unzFile archive_;
    bool open_ = true;
    std::uint64_t total_ = 0;
    std::uint64_t expected_ = 0;
};

// Stored or deflated data read straight from the archive file.
class DirectReader final : public EntryReader {
public:
    ~DirectReader() override
    {
        if (inflating_)
            inflateEnd(&stream_);
        if (fd_ >= 0)
            ::close(fd_);
    }
    DirectReader() = default;
    DirectReader(const DirectReader&) = delete;
    DirectReader& operator=(const DirectReader&) = delete;

    // dataStart: where the entry's data begins, or, when only the local
    // header's offset is known, nullopt and that offset.
    bool open(const std::string& archivePath, std::optional<std::uint64_t> dataStart, std::uint64_t headerOffset,
              const unz_file_info64& info)
    {
        if (info.compression_method != 0 && info.compression_method != Z_DEFLATED)
            return false;
        // Non-blocking and regular only: a FIFO put in the archive's place
        // since it was opened must not hang the read.
        fd_ = ::open(archivePath.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
        struct stat file {};
        if (fd_ < 0 || ::fstat(fd_, &file) != 0 || !S_ISREG(file.st_mode))
            return false;
        if (dataStart) {
            position_ = *dataStart;
        } else {
            unsigned char header[30];
            if (!readAt(header, sizeof header, headerOffset) || littleEndian(header, 4) != 0x04034b50)
                return false;
            position_ = headerOffset + 30 + littleEndian(header + 26, 2) + littleEndian(header + 28, 2);
        }
        remaining_ = info.compressed_size;
        expectedSize_ = info.uncompressed_size;
        expectedCrc_ = info.crc;
        stored_ = info.compression_method == 0;
        if (!stored_) {
            if (inflateInit2(&stream_, -MAX_WBITS) != Z_OK)
                return false;
            inflating_ = true;
            input_.resize(kInputChunk);
        }
        return true;
    }

    int read(char* buffer, unsigned size) override
    {
        unsigned produced = 0;
        if (stored_) {
            produced = static_cast<unsigned>(std::min<std::uint64_t>(size, remaining_));
            if (produced > 0 && !readAt(buffer, produced, position_))
                return UNZ_ERRNO;
            position_ += produced;
            remaining_ -= produced;
        } else {
            stream_.next_out = reinterpret_cast<Bytef*>(buffer);
            stream_.avail_out = size;
            while (stream_.avail_out > 0 && !ended_) {
                if (stream_.avail_in == 0 && remaining_ > 0) {
                    const auto want = static_cast<unsigned>(std::min<std::uint64_t>(input_.size(), remaining_));
                    if (!readAt(input_.data(), want, position_))
                        return UNZ_ERRNO;
                    position_ += want;
                    remaining_ -= want;
                    stream_.next_in = reinterpret_cast<Bytef*>(input_.data());
                    stream_.avail_in = want;
                }
                const int status = inflate(&stream_, Z_NO_FLUSH);
                if (status == Z_STREAM_END)
                    ended_ = true;
                else if (status == Z_BUF_ERROR && stream_.avail_in == 0 && remaining_ == 0)
                    break;  // the data ends before the stream does: caught by close()
                else if (status != Z_OK)
                    return Z_DATA_ERROR;
            }
            produced = size - stream_.avail_out;
        }
        crc_ = crc32_z(crc_, reinterpret_cast<const Bytef*>(buffer), produced);
        total_ += produced;
        return static_cast<int>(produced);
    }

    int close() override
    {
        const bool complete = total_ == expectedSize_ && (stored_ || ended_);
        return complete && crc_ == expectedCrc_ ? UNZ_OK : UNZ_CRCERROR;
    }

private:
    bool readAt(void* buffer, std::size_t size, std::uint64_t offset) const
    {
        auto* bytes = static_cast<char*>(buffer);
        while (size > 0) {
            const ssize_t got = ::pread(fd_, bytes, size, static_cast<off_t>(offset));
            if (got < 0 && errno == EINTR)
                continue;
            if (got <= 0)
                return false;
            bytes += got;
            size -= static_cast<std::size_t>(got);
            offset += static_cast<std::uint64_t>(got);
        }
        return true;
    }

    int fd_ = -1;
    z_stream stream_{};
    bool inflating_ = false;
    bool stored_ = true;
    bool ended_ = false;
    std::vector<char> input_;
    std::uint64_t position_ = 0, remaining_ = 0, total_ = 0, expectedSize_ = 0;
    uLong crc_ = crc32(0L, Z_NULL, 0);
    uLong expectedCrc_ = 0;
};

}  // namespace

bool ReadEntryInfo(unzFile archive, EntryInfo& entry)
{
    unz_file_info64& info = entry.info;
    // Ask for the lengths first: a fixed buffer would cut long names.
    if (unzGetCurrentFileInfo64(archive, &info, nullptr, 0, nullptr, 0, nullptr, 0) != UNZ_OK)
        return false;
    std::vector<char> name(info.size_filename + 1);
    std::vector<unsigned char> extra(info.size_file_extra + 1);
    if (unzGetCurrentFileInfo64(archive, &info, name.data(), name.size(), extra.data(), extra.size(), nullptr, 0) !=
        UNZ_OK)
        return false;
    entry.name.assign(name.data(), info.size_filename);
    entry.zip64LocalOffset.reset();
    entry.hasZip64Values = false;

    // The zip64 block holds, in this order, the uncompressed size, the
    // compressed size and the header offset, each only when its 32-bit field
    // holds the placeholder.
    std::size_t at = 0;
    while (at + 4 <= info.size_file_extra) {
        const auto id = littleEndian(&extra[at], 2);
        const auto size = static_cast<std::size_t>(littleEndian(&extra[at + 2], 2));
        const std::size_t start = at + 4;
        at = start + size;
        if (id != 0x0001 || at > info.size_file_extra)
            continue;
        std::size_t field = start;
        const auto take = [&](ZPOS64_T& value) {
            if (value == kPlaceholder && field + 8 <= at) {
                value = littleEndian(&extra[field], 8);
                field += 8;
                entry.hasZip64Values = true;
            }
        };
        take(info.uncompressed_size);
        take(info.compressed_size);
        if (field + 8 <= at) {
            entry.zip64LocalOffset = littleEndian(&extra[field], 8);
            entry.hasZip64Values = true;
        }
    }
    return true;
}

std::unique_ptr<EntryReader> OpenEntryReader(unzFile archive, const std::string& archivePath, const EntryInfo& entry)
{
    if ((entry.info.flag & 1u) != 0)  // encrypted: there is no password to give
        return nullptr;
    if (!entry.hasZip64Values) {
        if (unzOpenCurrentFile(archive) != UNZ_OK)
            return nullptr;
        auto reader = std::make_unique<MinizipReader>(archive);
        reader->expect(entry.info.uncompressed_size);
        return reader;
    }
    // An offset that fits 32 bits is right in minizip, which then finds the
    // data's start; a larger one only the zip64 block gives.
    std::optional<std::uint64_t> dataStart;
    if (!entry.zip64LocalOffset) {
        if (unzOpenCurrentFile2(archive, nullptr, nullptr, 1) != UNZ_OK)
            return nullptr;
        dataStart = unzGetCurrentFileZStreamPos64(archive);
        unzCloseCurrentFile(archive);
    }
    auto reader = std::make_unique<DirectReader>();
    if (!reader->open(archivePath, dataStart, entry.zip64LocalOffset.value_or(0), entry.info))
        return nullptr;
    return reader;
}

}  // namespace veilcraft::kompak::detail
