#pragma once

#include "FileDescriptor.h"
#include "ChunkedDeflater.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <ctime>
#include <sys/types.h>
#include <vector>

namespace veilcraft::kompak::detail {

// Asked before every chunk; false stops the work (the user asked to stop).
using KeepGoing = std::function<bool()>;

// One file deflated ahead of being written into an archive, so that the
// files of a folder can be compressed on several cores while the archive is
// written in order. The CRC and size are of what was read. Only a Ready result may become an entry: a file that failed
// half-way is not stored with what was read of it. Small results stay in
// memory, larger ones spill into an unnamed temporary file, so memory stays
// flat whatever the file size.
struct CompressedFile {
    enum class Status { Ready, CannotOpen, ReadFailed, CannotSpool, Stopped };

    Status status = Status::CannotOpen;
    std::uint64_t statSize = 0;  // the size fstat reported when opened
    // The identity of the file read, so that a writer can tell its own
    // archive (valid unless CannotOpen).
    dev_t device = 0;
    ino_t inode = 0;
    // The file's times when it was opened (valid unless CannotOpen).
    timespec modified{};
    timespec changed{};
    std::uint64_t size = 0;      // bytes read
    std::uint32_t crc = 0;

    // Hands the deflated bytes to `write` in order; false when it failed.
    bool copyTo(const ByteSink& write) const;

    std::vector<unsigned char> memory;
    std::unique_ptr<FileDescriptor> spill;
};

// Reads and deflates the regular file at `path` (a file-system path) with
// the archive writer's settings, asking keepGoing (when given) before every
// chunk. Safe to run on any thread.
CompressedFile CompressFile(const std::string& path, int level, const KeepGoing& keepGoing = {});

// The read(2) CompressFile reads sources with; tests put one in that fails
// half-way through a file, which no real file does on demand. nullptr
// restores ::read.
using ReadFunction = ssize_t (*)(int fd, void* buffer, std::size_t size);
void SetReadFunctionForTests(ReadFunction read);

}  // namespace veilcraft::kompak::detail
