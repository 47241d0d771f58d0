#include "BufferedArchiveFile.h"

#include "WriteAll.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace veilcraft::kompak::detail {

namespace {

// Large enough to hold many directory records and small entries at once,
// small enough that reading one entry of a big archive stays cheap.
constexpr std::size_t kBufferSize = 256 * 1024;

BufferedArchiveFile* Of(voidpf stream) { return static_cast<BufferedArchiveFile*>(stream); }

uLong ZCALLBACK Read(voidpf, voidpf stream, void* data, uLong size) { return Of(stream)->read(data, size); }
uLong ZCALLBACK Write(voidpf, voidpf stream, const void* data, uLong size) { return Of(stream)->write(data, size); }
ZPOS64_T ZCALLBACK Tell(voidpf, voidpf stream) { return Of(stream)->tell(); }
long ZCALLBACK Seek(voidpf, voidpf stream, ZPOS64_T offset, int origin) { return Of(stream)->seek(offset, origin); }
int ZCALLBACK Error(voidpf, voidpf stream) { return Of(stream)->failed() ? 1 : 0; }

int ZCALLBACK Close(voidpf, voidpf stream)
{
    const int status = Of(stream)->close();
    delete Of(stream);
    return status;
}

}  // namespace

BufferedArchiveFile::BufferedArchiveFile(int fd, Mode mode) : fd_(fd), mode_(mode)
{
    struct stat info {};
    if (mode_ == Mode::Write)
        buffer_.resize(kBufferSize);
    else if (::fstat(fd_, &info) == 0)
        fileEnd_ = static_cast<std::uint64_t>(info.st_size);
}

BufferedArchiveFile::~BufferedArchiveFile() { close(); }

BufferedArchiveFile::Block* BufferedArchiveFile::cached()
{
    for (std::size_t i = 0; i < 2; ++i) {
        Block& block = blocks_[i];
        if (position_ >= block.start && position_ < block.start + block.length) {
            block.lastUse = ++uses_;
            current_ = i;
            return &block;
        }
    }
    return nullptr;
}

std::size_t BufferedArchiveFile::read(void* data, std::size_t size)
{
    auto* out = static_cast<unsigned char*>(data);
    // The zip library reads its records a few bytes at a time: those come
    // straight from the block read from last.
    const Block& last = blocks_[current_];
    if (position_ >= last.start && position_ + size <= last.start + last.length) {
        const unsigned char* from = last.bytes.data() + (position_ - last.start);
        if (size == 1)
            *out = *from;
        else
            std::memcpy(out, from, size);
        position_ += size;
        return size;
    }
    std::size_t done = 0;
    if (mode_ == Mode::Write && !flush())
        return 0;
    while (done < size && !failed_) {
        if (const Block* block = cached()) {
            const auto offset = static_cast<std::size_t>(position_ - block->start);
            const std::size_t n = std::min(size - done, block->length - offset);
            std::memcpy(out + done, block->bytes.data() + offset, n);
            position_ += n;
            done += n;
            continue;
        }
        // A read as large as a block goes straight to the caller; otherwise
        // the block used longest ago is read anew from here.
        Block& block = blocks_[0].lastUse <= blocks_[1].lastUse ? blocks_[0] : blocks_[1];
        const bool direct = size - done >= kBufferSize;
        if (!direct && block.bytes.empty())
            block.bytes.resize(kBufferSize);
        unsigned char* target = direct ? out + done : block.bytes.data();
        const std::size_t want = direct ? size - done : kBufferSize;
        const ssize_t got = ::pread(fd_, target, want, static_cast<off_t>(position_));
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            failed_ = true;
        if (got <= 0)
            break;
        if (direct) {
            position_ += static_cast<std::uint64_t>(got);
            done += static_cast<std::size_t>(got);
        } else {
            block.start = position_;
            block.length = static_cast<std::size_t>(got);
            block.lastUse = ++uses_;
            current_ = static_cast<std::size_t>(&block - blocks_);
        }
    }
    return done;
}

std::size_t BufferedArchiveFile::write(const void* data, std::size_t size)
{
    if (mode_ != Mode::Write || failed_)
        return 0;
    for (Block& block : blocks_)  // what was read back may be written over
        block.length = 0;
    const bool inside = position_ >= bufferStart_ && position_ <= bufferStart_ + length_ &&
                        position_ - bufferStart_ + size <= buffer_.size();
    if (!inside) {
        if (!flush())
            return 0;
        bufferStart_ = position_;
        if (size >= buffer_.size()) {
            if (!pwriteAll(fd_, data, size, static_cast<off_t>(position_))) {
                failed_ = true;
                return 0;
            }
            position_ += size;
            bufferStart_ = position_;
            fileEnd_ = std::max(fileEnd_, position_);
            return size;
        }
    }
    const auto offset = static_cast<std::size_t>(position_ - bufferStart_);
    std::memcpy(buffer_.data() + offset, data, size);
    length_ = std::max(length_, offset + size);
    position_ += size;
    return size;
}

long BufferedArchiveFile::seek(std::uint64_t offset, int origin)
{
    switch (origin) {
    case ZLIB_FILEFUNC_SEEK_SET:
        position_ = offset;
        return 0;
    case ZLIB_FILEFUNC_SEEK_CUR:
        position_ += offset;
        return 0;
    case ZLIB_FILEFUNC_SEEK_END:
        position_ = end() + offset;
        return 0;
    default:
        return -1;
    }
}

std::uint64_t BufferedArchiveFile::end() const
{
    return mode_ == Mode::Write ? std::max(fileEnd_, bufferStart_ + length_) : fileEnd_;
}

bool BufferedArchiveFile::flush()
{
    if (mode_ != Mode::Write || length_ == 0)
        return !failed_;
    if (!pwriteAll(fd_, buffer_.data(), length_, static_cast<off_t>(bufferStart_)))
        failed_ = true;
    fileEnd_ = std::max(fileEnd_, bufferStart_ + length_);
    length_ = 0;
    bufferStart_ = position_;
    return !failed_;
}

int BufferedArchiveFile::close()
{
    if (fd_ < 0)
        return failed_ ? -1 : 0;
    flush();
    if (::close(fd_) != 0 && mode_ == Mode::Write)
        failed_ = true;
    fd_ = -1;
    return failed_ ? -1 : 0;
}

zlib_filefunc64_def BufferedArchiveFunctions(open64_file_func open, void* opaque)
{
    zlib_filefunc64_def functions{};
    functions.zopen64_file = open;
    functions.zread_file = Read;
    functions.zwrite_file = Write;
    functions.ztell64_file = Tell;
    functions.zseek64_file = Seek;
    functions.zclose_file = Close;
    functions.zerror_file = Error;
    functions.opaque = opaque;
    return functions;
}

}  // namespace veilcraft::kompak::detail
