// The settings record on any file: reading never fails hard, fields read
// whole are kept and the rest left empty, and a complete record is written
// back byte for byte and reads again the same.

#include "DefaultConfig.h"
#include "FuzzScratch.h"

#include <cstring>
#include <string>

using namespace veilcraft;

namespace {

// The stored length of a record: each field is 2 length bytes and its latin-1 text.
std::size_t storedLength(const std::uint8_t* data, std::size_t size, int fields)
{
    std::size_t at = 0;
    for (int i = 0; i < fields; ++i)
        at += 2 + (data[at] | static_cast<std::size_t>(data[at + 1]) << 8);
    if (at > size)
        fuzz::fail("more fields were read than the file holds");
    return at;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string path = fuzz::scratchFolder() / "Cfgdefault.cfg";
    const std::string written = fuzz::scratchFolder() / "written" / "Cfgdefault.cfg";
    fuzz::writeFile(path, data, size);

    const DefaultConfigRead read = readDefaultConfig(path);
    using State = DefaultConfigRead::State;
    switch (read.state) {
    case State::Empty:
        if (size != 0)
            fuzz::fail("a file with content was read as empty");
        return 0;
    case State::Unreadable:
        fuzz::fail("a readable file was reported unreadable");
    case State::Damaged: {
        if (read.wholeFields < 0 || read.wholeFields >= DefaultConfig::kFieldCount || read.problem.empty())
            fuzz::fail("a damaged record is described wrongly");
        storedLength(data, size, read.wholeFields);
        DefaultConfig partial;
        std::string* fields[] = {&partial.algorithm, &partial.saveTo, &partial.lockFlag, &partial.reserved4,
                                 &partial.reserved5};
        const std::string* readFields[] = {&read.record.algorithm, &read.record.saveTo, &read.record.lockFlag,
                                           &read.record.reserved4, &read.record.reserved5};
        for (int i = 0; i < read.wholeFields; ++i)
            *fields[i] = *readFields[i];
        if (!(partial == read.record))
            fuzz::fail("a field that was not read whole is not empty");
        return 0;
    }
    case State::Complete:
        break;
    }
    if (read.wholeFields != DefaultConfig::kFieldCount)
        fuzz::fail("a complete record without five fields");

    if (const std::optional<std::string> problem = writeDefaultConfig(written, read.record)) {
        std::fprintf(stderr, "%s\n", problem->c_str());
        fuzz::fail("a record that was read cannot be written");
    }
    // The same bytes as the record in the input; anything after it is dropped.
    const std::string bytes = fuzz::readFile(written);
    const std::size_t length = storedLength(data, size, DefaultConfig::kFieldCount);
    if (bytes.size() != length || std::memcmp(bytes.data(), data, length) != 0)
        fuzz::fail("the record written back differs from the one read");
    const DefaultConfigRead again = readDefaultConfig(written);
    if (again.state != State::Complete || !(again.record == read.record))
        fuzz::fail("the record written back reads differently");
    return 0;
}
