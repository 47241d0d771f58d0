#pragma once

#include "FileDescriptor.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace veilcraft::kompak::detail {

using ByteSink = std::function<bool(const unsigned char*, std::size_t)>;

// One file deflated ahead of being written into an archive, so that the
// files of a folder can be compressed on several cores while the archive is
// written in order. The deflated bytes and the text flag are those the
// archive's own writer would produce for the file; the CRC and size are of
// what was read. Small results stay in memory, larger ones spill into an
// unnamed temporary file, so memory stays flat whatever the file size.
struct CompressedFile {
    enum class Status { Ready, CannotOpen, ReadFailed, CannotSpool };

    Status status = Status::CannotOpen;
    std::uint64_t statSize = 0;  // the size fstat reported when opened
    std::uint64_t size = 0;      // bytes read
    std::uint32_t crc = 0;
    bool text = false;           // zlib judged the data to be text

    // Hands the deflated bytes to `write` in order; false when it failed.
    bool copyTo(const ByteSink& write) const;

    std::vector<unsigned char> memory;
    std::unique_ptr<FileDescriptor> spill;
};

// Reads and deflates the regular file at `path` (a file-system path) with
// the archive writer's settings. Safe to run on any thread.
CompressedFile CompressFile(const std::string& path, int level);

}  // namespace veilcraft::kompak::detail
