#pragma once

// Helpers of the zip tests: a recorder of reported errors, archives crafted
// with minizip (chosen names, stamps and methods), a parser of the records an
// archive holds, and a runner for the peer tools.

#include "ZipWorker.h"

#include <cstdint>
#include <functional>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

namespace veilcraft::kompak::test {

struct Reports {
    std::vector<std::pair<std::string, ZipError>> list;
    ZipWorker::Reporter reporter()
    {
        return [this](const std::string& text, ZipError code) {
            list.emplace_back(text, code);
            return false;
        };
    }
};

struct CraftedEntry {
    std::string name;
    std::string data;
    std::uint32_t dosDateTime = 0x00200000;
    int method = 8;  // 0 stored, 8 deflated
};
// Writes an archive with minizip, each entry in one call.
void craftArchive(const std::string& path, const std::vector<CraftedEntry>& entries);

// One entry written byte by byte, for what minizip refuses to write: names
// holding a NUL byte, sizes that lie. `payload` is stored as given (deflated
// already when method is 8); the records declare `declaredSize` with the CRC
// of `content`, in a zip64 block when `zip64`.
struct RawEntry {
    std::string name;
    std::string content;
    std::string payload;
    int method = 0;
    std::uint64_t declaredSize = 0;
    bool zip64 = false;
};
std::string rawArchive(const RawEntry& entry);
// Raw deflate of data, as zip entries hold it.
std::string deflateRaw(const std::string& data);

// Runs body in a child process whose files may not grow beyond limit bytes
// (a stand-in for a full disk); returns the reports as "code:text" lines
// followed by what body returned.
std::string underFileSizeLimit(std::uint64_t limit, const std::function<std::string(ZipWorker&)>& body);

// DOS date/time of a day and a time of day.
std::uint32_t dosStamp(int year, int month, int day, int hour, int minute);

// One entry as its central directory record and local header describe it.
struct ParsedEntry {
    std::string name;
    unsigned versionMadeBy = 0, versionNeeded = 0, flags = 0, method = 0, time = 0, date = 0;
    unsigned extraLength = 0, commentLength = 0, internalAttributes = 0;
    std::uint32_t externalAttributes = 0;
    unsigned localVersionNeeded = 0, localFlags = 0, localMethod = 0, localTime = 0, localDate = 0,
             localExtraLength = 0;
    std::string localName;
};
struct ParsedArchive {
    std::vector<ParsedEntry> entries;
    unsigned globalCommentLength = 0;
};
// Throws when the archive does not have the expected structure.
ParsedArchive parseArchive(const std::string& bytes);
// The stored names of the archive file at `archive`, in order.
std::vector<std::string> entryNames(const std::string& archive);

// Runs a shell command; returns its exit status and fills output with its
// standard output and error.
int runShell(const std::string& command, std::string& output);
bool haveTool(const std::string& name);
std::string quote(const std::string& text);

// Changes the current folder for its lifetime.
class ScopedCwd {
public:
    explicit ScopedCwd(const std::string& path);
    ~ScopedCwd();
    ScopedCwd(const ScopedCwd&) = delete;
    ScopedCwd& operator=(const ScopedCwd&) = delete;

private:
    std::string old_;
};

// The six listing strings and MultipleFiles in one value, for comparisons.
struct Listing {
    std::string longNames, shortNames, paths, dates, compressed, uncompressed;
    int multipleFiles;
    friend bool operator==(const Listing&, const Listing&) = default;
};
void PrintTo(const Listing& listing, std::ostream* out);
Listing listingOf(const ZipWorker& worker);

}  // namespace veilcraft::kompak::test
