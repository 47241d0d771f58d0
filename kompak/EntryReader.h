#pragma once

// Reading the current entry of an archive open in minizip, in chunks.
//
// The Debian build of minizip (1.1) does not take the zip64 values of a
// central directory record on 64-bit systems: it compares the 32-bit
// placeholder with (unsigned long)-1, which is 2^64-1 there. It then reports
// 4294967295 as the size of a 4 GiB file, stops reading at that size and
// fails the CRC, and cannot find entries that start beyond 4 GiB. Entries
// whose record carries zip64 values are therefore read here directly from
// the archive file (local header, then stored or deflated data with its CRC
// checked); all other entries go through minizip's reader.

#include <unzip.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace veilcraft::kompak::detail {

struct EntryInfo {
    unz_file_info64 info{};  // sizes corrected from the zip64 values
    std::string name;        // whole, however long
    // Offset of the local header, when the record gives it as a zip64 value.
    std::optional<std::uint64_t> zip64LocalOffset;
    bool hasZip64Values = false;
};

// The current entry's record; false when it cannot be read.
bool ReadEntryInfo(unzFile archive, EntryInfo& entry);

// Results of EntryReader, in minizip's numbering.
class EntryReader {
public:
    virtual ~EntryReader() = default;
    // Bytes read (0 at the end), UNZ_ERRNO for an input/output error, another
    // negative value for damaged data.
    virtual int read(char* buffer, unsigned size) = 0;
    // UNZ_CRCERROR when the data did not match its CRC or recorded size.
    virtual int close() = 0;
};

// Opens the current entry for reading; nullptr when it cannot be read (an
// unsupported method, encryption, a damaged header).
std::unique_ptr<EntryReader> OpenEntryReader(unzFile archive, const std::string& archivePath, const EntryInfo& entry);

}  // namespace veilcraft::kompak::detail
