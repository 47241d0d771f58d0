#include "EntryCompressor.h"

#include "ChunkedDeflater.h"
#include "WriteAll.h"

#include <libdeflate.h>
#include <zlib.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace veilcraft::kompak::detail {

namespace {

// Files too large to deflate whole are deflated in chunks of this size;
// each starts without the previous one's window, which costs well under a
// percent of size at this length.
constexpr std::size_t kStreamChunk = 1024 * 1024;
// The size of the pieces a spilled result is copied out in.
constexpr std::size_t kChunkSize = 256 * 1024;
// Deflated bytes kept in memory before they go to the spill file.
constexpr std::size_t kMemoryLimit = 4 * 1024 * 1024;
// Files up to this size are read whole and deflated in one call, which is
// about twice as fast as zlib's stream at the same level and no larger;
// bigger ones stream through zlib so that memory stays flat.
constexpr std::size_t kWholeFileLimit = 4 * 1024 * 1024;
// Below this size the whole-buffer deflater stores what zlib still packs a
// little, so zlib deflates those.
constexpr std::size_t kTinyFileLimit = 1024;

std::atomic<ReadFunction> readFunction{nullptr};

ssize_t ReadSource(int fd, void* buffer, std::size_t size)
{
    const ReadFunction read = readFunction.load(std::memory_order_relaxed);
    return read != nullptr ? read(fd, buffer, size) : ::read(fd, buffer, size);
}

// An unnamed file in the temporary folder that vanishes when closed.
int OpenSpillFile()
{
    const char* folder = std::getenv("TMPDIR");
    std::string dir = folder != nullptr && *folder != '\0' ? folder : "/tmp";
    const int fd = ::open(dir.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
    if (fd >= 0)
        return fd;
    std::string name = dir + "/kompak-XXXXXX";
    const int named = ::mkostemp(name.data(), O_CLOEXEC);
    if (named >= 0)
        ::unlink(name.c_str());
    return named;
}

// One whole-buffer compressor per thread, made on first use: making one
// costs more than deflating a small file.
libdeflate_compressor* ThreadCompressor(int level)
{
    struct Owner {
        libdeflate_compressor* compressor = nullptr;
        int level = 0;
        ~Owner() { libdeflate_free_compressor(compressor); }
    };
    thread_local Owner owner;
    // zlib's default level is 6.
    const int wanted = level == Z_DEFAULT_COMPRESSION ? 6 : level;
    if (owner.compressor == nullptr || owner.level != wanted) {
        libdeflate_free_compressor(owner.compressor);
        owner.compressor = libdeflate_alloc_compressor(wanted);
        owner.level = wanted;
    }
    return owner.compressor;
}

// Reads into `buffer` until it is full or the file ends; the bytes read, or
// -1 after a read error.
ssize_t ReadUpTo(int fd, unsigned char* buffer, std::size_t size)
{
    std::size_t total = 0;
    while (total < size) {
        const ssize_t got = ReadSource(fd, buffer + total, size - total);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return -1;
        if (got == 0)
            break;
        total += static_cast<std::size_t>(got);
    }
    return static_cast<ssize_t>(total);
}

// Deflates `size` bytes into `out` in one go: zlib for tiny inputs, the
// whole-buffer deflater otherwise.
bool DeflateWhole(const unsigned char* data, std::size_t size, int level, std::vector<unsigned char>& out)
{
    if (size < kTinyFileLimit) {
        // One zlib stream per thread, reset for every file: making one
        // clears more memory than a tiny file has.
        struct Stream {
            z_stream z{};
            int level = 0;
            bool ok = false;
            ~Stream()
            {
                if (ok)
                    deflateEnd(&z);
            }
        };
        thread_local std::unique_ptr<Stream> stream;
        if (!stream || stream->level != level) {
            stream = std::make_unique<Stream>();
            stream->level = level;
            // The archive writer's settings: raw deflate, default memory level.
            stream->ok = deflateInit2(&stream->z, level, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY) == Z_OK;
        }
        z_stream& z = stream->z;
        if (!stream->ok || deflateReset(&z) != Z_OK)
            return false;
        out.resize(deflateBound(&z, static_cast<uLong>(size)));
        z.next_in = const_cast<Bytef*>(data);
        z.avail_in = static_cast<uInt>(size);
        z.next_out = out.data();
        z.avail_out = static_cast<uInt>(out.size());
        if (deflate(&z, Z_FINISH) != Z_STREAM_END)
            return false;
        out.resize(out.size() - z.avail_out);
        return true;
    }
    libdeflate_compressor* compressor = ThreadCompressor(level);
    if (compressor == nullptr)
        return false;
    out.resize(libdeflate_deflate_compress_bound(compressor, size));
    const std::size_t packed = libdeflate_deflate_compress(compressor, data, size, out.data(), out.size());
    out.resize(packed);
    return packed != 0;
}

}  // namespace

bool CompressedFile::copyTo(const ByteSink& write) const
{
    if (!memory.empty() && !write(memory.data(), memory.size()))
        return false;
    if (!spill)
        return true;
    if (::lseek(spill->get(), 0, SEEK_SET) != 0)
        return false;
    std::vector<unsigned char> chunk(kChunkSize);
    for (;;) {
        const ssize_t got = ::read(spill->get(), chunk.data(), chunk.size());
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return false;
        if (got == 0)
            return true;
        if (!write(chunk.data(), static_cast<std::size_t>(got)))
            return false;
    }
}

void SetReadFunctionForTests(ReadFunction read) { readFunction.store(read); }

CompressedFile CompressFile(const std::string& path, int level, const KeepGoing& keepGoing)
{
    CompressedFile result;
    // Non-blocking, so that a FIFO cannot hang the run; it is refused below.
    const FileDescriptor in(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    struct stat info {};
    if (in.get() < 0 || ::fstat(in.get(), &info) != 0 || !S_ISREG(info.st_mode))
        return result;
    result.statSize = static_cast<std::uint64_t>(info.st_size);
    result.device = info.st_dev;
    result.inode = info.st_ino;
    result.modified = info.st_mtim;
    result.changed = info.st_ctim;
    result.status = CompressedFile::Status::Ready;

    // A file of the size fstat gave is read whole with one byte of room: the
    // read that finds the end proves it did not grow meanwhile.
    std::vector<unsigned char> chunk;
    std::size_t buffered = 0;
    if (result.statSize >= kWholeFileLimit)
        ::posix_fadvise(in.get(), 0, 0, POSIX_FADV_SEQUENTIAL);
    if (result.statSize < kWholeFileLimit) {
        if (keepGoing && !keepGoing()) {
            result.status = CompressedFile::Status::Stopped;
            return result;
        }
        chunk.resize(static_cast<std::size_t>(result.statSize) + 1);
        const ssize_t got = ReadUpTo(in.get(), chunk.data(), chunk.size());
        if (got < 0) {
            result.status = CompressedFile::Status::ReadFailed;
            return result;
        }
        buffered = static_cast<std::size_t>(got);
        if (buffered < chunk.size()) {
            if (!DeflateWhole(chunk.data(), buffered, level, result.memory)) {
                result.status = CompressedFile::Status::CannotSpool;
                return result;
            }
            result.size = buffered;
            result.crc = libdeflate_crc32(0, chunk.data(), buffered);
            return result;
        }
    }

    ChunkedDeflater deflater(level);
    if (!deflater.ok()) {
        result.status = CompressedFile::Status::CannotSpool;
        return result;
    }
    const ByteSink keep = [&result](const unsigned char* data, std::size_t size) {
        if (!result.spill && result.memory.size() + size <= kMemoryLimit) {
            result.memory.insert(result.memory.end(), data, data + size);
            return true;
        }
        if (!result.spill) {
            const int fd = OpenSpillFile();
            if (fd < 0)
                return false;
            result.spill = std::make_unique<FileDescriptor>(fd);
        }
        return writeAll(result.spill->get(), data, size);
    };

    // A file that grew past its whole-file buffer streams on from what was
    // read into it.
    std::uint32_t crc = libdeflate_crc32(0, chunk.data(), buffered);
    result.size = buffered;
    if (!deflater.feed(chunk.data(), buffered, keep)) {
        result.status = CompressedFile::Status::CannotSpool;
        return result;
    }
    chunk.resize(kStreamChunk);
    for (;;) {
        if (keepGoing && !keepGoing()) {
            result.status = CompressedFile::Status::Stopped;
            return result;
        }
        const ssize_t got = ReadUpTo(in.get(), chunk.data(), chunk.size());
        if (got < 0) {
            // What was read is only a part of the file; it must not pass for
            // the whole of it.
            result.status = CompressedFile::Status::ReadFailed;
            return result;
        }
        if (got == 0)
            break;
        crc = libdeflate_crc32(crc, chunk.data(), static_cast<std::size_t>(got));
        result.size += static_cast<std::uint64_t>(got);
        if (!deflater.feed(chunk.data(), static_cast<std::size_t>(got), keep)) {
            result.status = CompressedFile::Status::CannotSpool;
            return result;
        }
    }
    if (!deflater.finish(keep))
        result.status = CompressedFile::Status::CannotSpool;
    result.crc = crc;
    return result;
}

}  // namespace veilcraft::kompak::detail
