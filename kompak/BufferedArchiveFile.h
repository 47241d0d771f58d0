#pragma once

#include <ioapi.h>

#include <cstddef>
#include <cstdint>
#include <vector>

namespace veilcraft::kompak::detail {

// An archive file as minizip reads or writes it, over a descriptor with a
// buffer of its own. minizip seeks before nearly every access (to each
// directory record, each local header, back to a header to write its sizes);
// through stdio each of those costs a system call or a flush. Here a seek
// only moves a position, reads are served from the last two blocks read with
// pread (extraction goes back and forth between the directory and the
// entries' data), and writes gather until the buffer is full, a write lands
// outside it, or the file is closed.
class BufferedArchiveFile {
public:
    enum class Mode { Read, Write };

    // Takes ownership of `fd`.
    BufferedArchiveFile(int fd, Mode mode);
    ~BufferedArchiveFile();
    BufferedArchiveFile(const BufferedArchiveFile&) = delete;
    BufferedArchiveFile& operator=(const BufferedArchiveFile&) = delete;

    std::size_t read(void* data, std::size_t size);
    std::size_t write(const void* data, std::size_t size);
    [[nodiscard]] std::uint64_t tell() const { return position_; }
    // `origin` is one of minizip's ZLIB_FILEFUNC_SEEK_* values; 0 on success.
    long seek(std::uint64_t offset, int origin);
    // Writes what is gathered and closes; 0, or -1 when anything failed.
    int close();
    [[nodiscard]] bool failed() const { return failed_; }

private:
    struct Block {
        std::vector<unsigned char> bytes;
        std::uint64_t start = 0;  // file offset of bytes[0]
        std::size_t length = 0;   // valid bytes
        std::uint64_t lastUse = 0;
    };

    bool flush();
    [[nodiscard]] std::uint64_t end() const;
    // The read block holding position_, or nullptr.
    Block* cached();

    int fd_;
    Mode mode_;
    std::vector<unsigned char> buffer_;  // writing: the bytes gathered
    std::uint64_t bufferStart_ = 0;      // file offset of buffer_[0]
    std::size_t length_ = 0;             // gathered bytes
    Block blocks_[2];                    // reading
    std::size_t current_ = 0;            // the block read from last
    std::uint64_t uses_ = 0;
    std::uint64_t position_ = 0;
    std::uint64_t fileEnd_ = 0;      // size at open, or the furthest write
    bool failed_ = false;
};

// minizip's file functions over BufferedArchiveFile, with `open` as the
// opening function (it returns a new BufferedArchiveFile or nullptr).
zlib_filefunc64_def BufferedArchiveFunctions(open64_file_func open, void* opaque);

}  // namespace veilcraft::kompak::detail
