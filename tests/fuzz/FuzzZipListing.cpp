// The archive listing on any file: it returns, reports failures with one of
// the control's codes, and a failed listing leaves nothing behind.

#include "FuzzScratch.h"
#include "ZipWorker.h"

#include <algorithm>
#include <string>

using namespace veilcraft;
using kompak::ZipError;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string archive = fuzz::scratchFolder() / "input.zip";
    fuzz::writeFile(archive, data, size);
    kompak::ZipWorker worker([](const std::string& text, ZipError code) {
        if (text.empty() || static_cast<int>(code) < 1 || static_cast<int>(code) > 6)
            fuzz::fail("a failure was reported without text or with an unknown code");
        return false;
    });
    const bool listed = worker.GetZipFileInfo(archive);
    const std::string* lists[] = {&worker.LongFileNameArray(),        &worker.ShortFileNameArray(),
                                  &worker.FilePathArray(),            &worker.FileDateModifiedArray(),
                                  &worker.FileCompressedSizeArray(), &worker.FileUnCompressedSizeArray()};
    if (!listed) {
        for (const std::string* list : lists)
            if (!list->empty())
                fuzz::fail("a failed listing left elements behind");
        if (worker.MultipleFiles() != 0)
            fuzz::fail("a failed listing left MultipleFiles set");
        return 0;
    }
    if (worker.MultipleFiles() < 1 || worker.MultipleFiles() > 2)
        fuzz::fail("MultipleFiles out of range after a listing");
    // Names may hold "|" themselves, dates and sizes never do: these three
    // lists have one element per listed entry each.
    const auto elements = [](const std::string& list) { return std::count(list.begin(), list.end(), '|'); };
    const auto dates = elements(worker.FileDateModifiedArray());
    if (elements(worker.FileCompressedSizeArray()) != dates || elements(worker.FileUnCompressedSizeArray()) != dates)
        fuzz::fail("the date and size lists have different lengths");
    return 0;
}
