#include "EntryCompressor.h"

#include <zlib.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace veilcraft::kompak::detail {

namespace {

constexpr std::size_t kChunkSize = 256 * 1024;
// Deflated bytes kept in memory before they go to the spill file.
constexpr std::size_t kMemoryLimit = 1024 * 1024;

std::atomic<ReadFunction> readFunction{nullptr};

ssize_t ReadSource(int fd, void* buffer, std::size_t size)
{
    const ReadFunction read = readFunction.load(std::memory_order_relaxed);
    return read != nullptr ? read(fd, buffer, size) : ::read(fd, buffer, size);
}

bool WriteAll(int fd, const unsigned char* data, std::size_t size)
{
    while (size > 0) {
        const ssize_t put = ::write(fd, data, size);
        if (put < 0 && errno == EINTR)
            continue;
        if (put <= 0)
            return false;
        data += put;
        size -= static_cast<std::size_t>(put);
    }
    return true;
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

class Deflater {
public:
    explicit Deflater(int level)
    {
        // The archive writer's settings: raw deflate, default memory level.
        ok_ = deflateInit2(&stream_, level, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY) == Z_OK;
    }
    ~Deflater() { deflateEnd(&stream_); }
    Deflater(const Deflater&) = delete;
    Deflater& operator=(const Deflater&) = delete;

    [[nodiscard]] bool ok() const { return ok_; }
    [[nodiscard]] bool text() const { return stream_.data_type == Z_TEXT; }

    // Deflates `size` bytes (all that is left when `finish`) into `sink`.
    bool feed(const unsigned char* data, std::size_t size, bool finish, const ByteSink& sink)
    {
        stream_.next_in = const_cast<Bytef*>(data);
        stream_.avail_in = static_cast<uInt>(size);
        for (;;) {
            stream_.next_out = out_;
            stream_.avail_out = sizeof out_;
            const int status = deflate(&stream_, finish ? Z_FINISH : Z_NO_FLUSH);
            if (status == Z_STREAM_ERROR)
                return false;
            const std::size_t produced = sizeof out_ - stream_.avail_out;
            if (produced > 0 && !sink(out_, produced))
                return false;
            if (finish ? status == Z_STREAM_END : stream_.avail_out != 0)
                return true;
        }
    }

private:
    z_stream stream_{};
    bool ok_ = false;
    unsigned char out_[64 * 1024];
};

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
    ::posix_fadvise(in.get(), 0, 0, POSIX_FADV_SEQUENTIAL);
    result.statSize = static_cast<std::uint64_t>(info.st_size);
    result.device = info.st_dev;
    result.inode = info.st_ino;
    result.status = CompressedFile::Status::Ready;

    Deflater deflater(level);
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
        return WriteAll(result.spill->get(), data, size);
    };

    uLong crc = crc32(0L, Z_NULL, 0);
    std::vector<unsigned char> chunk(kChunkSize);
    for (;;) {
        if (keepGoing && !keepGoing()) {
            result.status = CompressedFile::Status::Stopped;
            return result;
        }
        const ssize_t got = ReadSource(in.get(), chunk.data(), chunk.size());
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0) {
            // What was read is only a part of the file; it must not pass for
            // the whole of it.
            result.status = CompressedFile::Status::ReadFailed;
            return result;
        }
        if (got == 0)
            break;
        crc = crc32(crc, chunk.data(), static_cast<uInt>(got));
        result.size += static_cast<std::uint64_t>(got);
        if (!deflater.feed(chunk.data(), static_cast<std::size_t>(got), false, keep)) {
            result.status = CompressedFile::Status::CannotSpool;
            return result;
        }
    }
    if (!deflater.feed(nullptr, 0, true, keep))
        result.status = CompressedFile::Status::CannotSpool;
    result.crc = static_cast<std::uint32_t>(crc);
    result.text = deflater.text();
    return result;
}

}  // namespace veilcraft::kompak::detail
