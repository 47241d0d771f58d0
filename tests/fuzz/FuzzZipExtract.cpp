// Extraction of any archive: it returns, never writes outside the target
// folder (whatever the entry names say) and leaves no partial files. The
// first input byte chooses PreserveDirPath, the rest is the archive.
//
// Layout of the scratch folder, checked after every run:
//   input.zip
//   sentinel/                 must stay empty
//   d1/d2/d3/d4/out/          the target folder, emptied after every run
// so that an entry that climbs out of the target lands somewhere it is seen.

#include "FuzzScratch.h"
#include "TemporaryNames.h"
#include "ZipWorker.h"

#include <unzip.h>

#include <algorithm>
#include <set>
#include <string>

using namespace veilcraft;
namespace fs = std::filesystem;

namespace {

// Output of one archive is capped here: an archive of 64 KiB can describe
// entries that inflate to gigabytes, which would only test the disk.
constexpr std::uint64_t kLargestOutput = 256u << 20;
// Deflate cannot expand more than about 1032 to 1.
constexpr std::uint64_t kLargestExpansion = 1100;

struct Layout {
    fs::path sentinel;
    fs::path chain;  // d1
    fs::path out;
};

const Layout& layout()
{
    static const Layout made = [] {
        const fs::path& scratch = fuzz::scratchFolder();
        Layout folders{scratch / "sentinel", scratch / "d1", scratch / "d1" / "d2" / "d3" / "d4" / "out"};
        fs::create_directories(folders.sentinel);
        fs::create_directories(folders.out);
        return folders;
    }();
    return made;
}

void expectOnly(const fs::path& dir, const std::set<std::string>& names)
{
    std::set<std::string> found;
    for (const fs::directory_entry& entry : fs::directory_iterator(dir))
        found.insert(entry.path().filename().string());
    if (found != names) {
        std::string list;
        for (const std::string& name : found)
            list += " " + name;
        std::fprintf(stderr, "%s holds:%s\n", dir.c_str(), list.c_str());
        fuzz::fail("extraction wrote outside its target folder");
    }
}

// What the zip library sees in the archive before it is extracted.
struct Scan {
    // The most its entries can produce.
    std::uint64_t possibleOutput = 0;
    // The last part of every entry name: files the archive itself names.
    std::set<std::string> fileNames;
};

Scan scan(const std::string& archive, std::size_t archiveSize)
{
    Scan result;
    unzFile zip = unzOpen64(archive.c_str());
    if (zip == nullptr)
        return result;
    const std::uint64_t perEntry = kLargestExpansion * archiveSize + 65536;
    for (int status = unzGoToFirstFile(zip); status == UNZ_OK && result.possibleOutput <= kLargestOutput;
         status = unzGoToNextFile(zip)) {
        unz_file_info64 info{};
        char name[1024];
        if (unzGetCurrentFileInfo64(zip, &info, name, sizeof name, nullptr, 0, nullptr, 0) != UNZ_OK)
            break;
        result.possibleOutput += std::min<std::uint64_t>(info.uncompressed_size, perEntry);
        const std::string whole(name, std::min<std::size_t>(info.size_filename, sizeof name));
        result.fileNames.insert(whole.substr(whole.find_last_of("/\\") + 1));
    }
    unzClose(zip);
    return result;
}

// Partial files carry the temporary-name marker; an entry called like one
// is refused by the control, but an archive may still name one.
void checkNoPartFiles(const fs::path& dir, const std::set<std::string>& entryNames)
{
    for (const fs::directory_entry& entry : fs::recursive_directory_iterator(dir)) {
        const std::string name = entry.path().filename().string();
        if (veilcraft::tempnames::isTemporaryName(name) && entryNames.count(name) == 0)
            fuzz::fail("a partial file was left behind");
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    const Layout& folders = layout();
    const fs::path& out = folders.out;

    const std::string archive = fuzz::scratchFolder() / "input.zip";
    fuzz::writeFile(archive, data + 1, size - 1);
    const Scan seen = scan(archive, size - 1);
    if (seen.possibleOutput > kLargestOutput)
        return -1;  // not worth keeping in the corpus

    kompak::ZipWorker worker([](const std::string& text, kompak::ZipError code) {
        if (text.empty() || static_cast<int>(code) < 1 || static_cast<int>(code) > 6)
            fuzz::fail("a failure was reported without text or with an unknown code");
        return false;
    });
    worker.PreserveDirPath = (data[0] & 1) != 0;
    worker.UnZipAllFiles(archive, out.string());

    expectOnly(fuzz::scratchFolder(), {"input.zip", "sentinel", "d1"});
    expectOnly(folders.sentinel, {});
    expectOnly(folders.chain, {"d2"});
    expectOnly(folders.chain / "d2", {"d3"});
    expectOnly(folders.chain / "d2" / "d3", {"d4"});
    expectOnly(folders.chain / "d2" / "d3" / "d4", {"out"});
    checkNoPartFiles(out, seen.fileNames);

    std::error_code error;
    fs::remove_all(out, error);
    if (error || !fs::create_directory(out))
        fuzz::fail("the target folder cannot be emptied");
    return 0;
}
