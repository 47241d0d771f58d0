#pragma once

#include <cstdint>

namespace veilcraft::kompak::detail {

// The zip library writes the end of the central directory with zip64
// records only when the archive passes 4 GiB; with more than 65,534 entries
// in a smaller archive it writes the count 0xFFFF, which readers take as
// "see the zip64 record", and no such record, so that no reader finds the
// entries past the 65,535th. This puts a zip64 end record and its locator,
// with the whole count, before the end record of the finished archive open
// for reading and writing as `fd` (whose end record has no comment). True
// when done or when the archive has its zip64 records already.
bool WriteZip64End(int fd, std::uint64_t entries);

}  // namespace veilcraft::kompak::detail
