#include "Zip64End.h"

#include "WriteAll.h"

#include <algorithm>
#include <array>
#include <sys/stat.h>
#include <unistd.h>

namespace veilcraft::kompak::detail {

namespace {

constexpr std::size_t kEndSize = 22;
constexpr std::size_t kLocatorSize = 20;
constexpr std::size_t kZip64EndSize = 56;

std::uint32_t Read32(const unsigned char* p)
{
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

void Put(unsigned char*& p, std::uint64_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        *p++ = static_cast<unsigned char>(value >> (8 * i));
}

}  // namespace

bool WriteZip64End(int fd, std::uint64_t entries)
{
    struct stat info {};
    if (::fstat(fd, &info) != 0 || static_cast<std::size_t>(info.st_size) < kEndSize)
        return false;
    const off_t endAt = info.st_size - static_cast<off_t>(kEndSize);
    std::array<unsigned char, kLocatorSize + kEndSize> tail{};
    const bool hasRoom = endAt >= static_cast<off_t>(kLocatorSize);
    const off_t tailAt = hasRoom ? endAt - static_cast<off_t>(kLocatorSize) : endAt;
    const std::size_t tailSize = hasRoom ? tail.size() : kEndSize;
    if (::pread(fd, tail.data(), tailSize, tailAt) != static_cast<ssize_t>(tailSize))
        return false;
    const unsigned char* end = tail.data() + (hasRoom ? kLocatorSize : 0);
    if (Read32(end) != 0x06054b50)
        return false;
    if (hasRoom && Read32(tail.data()) == 0x07064b50)
        return true;  // the zip64 records are there already
    const std::uint64_t directorySize = Read32(end + 12);
    const std::uint64_t directoryOffset = Read32(end + 16);

    std::array<unsigned char, kZip64EndSize + kLocatorSize + kEndSize> records{};
    unsigned char* p = records.data();
    Put(p, 0x06064b50, 4);                      // zip64 end of central directory record
    Put(p, kZip64EndSize - 12, 8);              // its size after this field
    Put(p, 45, 2);                              // version made by
    Put(p, 45, 2);                              // version needed to extract
    Put(p, 0, 4);                               // this disk
    Put(p, 0, 4);                               // the disk the directory starts on
    Put(p, entries, 8);                         // entries on this disk
    Put(p, entries, 8);                         // entries in all
    Put(p, directorySize, 8);
    Put(p, directoryOffset, 8);
    Put(p, 0x07064b50, 4);                      // its locator
    Put(p, 0, 4);                               // the disk it is on
    Put(p, static_cast<std::uint64_t>(endAt), 8);  // where it starts
    Put(p, 1, 4);                               // disks in all
    std::copy(end, end + kEndSize, p);          // the end record as it was
    p[8] = p[9] = p[10] = p[11] = 0xFF;         // both counts: see the zip64 record
    return pwriteAll(fd, records.data(), records.size(), endAt);
}

}  // namespace veilcraft::kompak::detail
