// A small command-line driver of the zip work for the peer benchmark, until
// the veilcraft command offers zip creation and extraction itself. It calls
// ZipWorker the way the control's users do:
//
//   veilcraft_zip_driver create ARCHIVE PATH...   folders as folder encryption
//                                                 adds them, files as the
//                                                 one-file archive run does
//   veilcraft_zip_driver extract ARCHIVE DIR      every entry into DIR
//   veilcraft_zip_driver list ARCHIVE             name, size, packed size
//
// Reported errors go to standard error; the exit status is 1 when any call
// failed, 2 for a usage error.
#include "ZipWorker.h"

#include <cstdio>
#include <iostream>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <vector>

using veilcraft::kompak::ZipError;
using veilcraft::kompak::ZipWorker;

namespace {

std::vector<std::string> split(const std::string& text)
{
    std::vector<std::string> parts;
    std::stringstream in(text);
    for (std::string part; std::getline(in, part, '|');)
        parts.push_back(part);
    return parts;
}

}  // namespace

int main(int argc, char** argv)
{
    const std::vector<std::string> args(argv + 1, argv + argc);
    bool failed = false;
    ZipWorker worker([&failed](const std::string& text, ZipError code) {
        std::cerr << "error " << static_cast<int>(code) << ": " << text << '\n';
        failed = true;
        return false;
    });
    worker.PreserveDirPath = true;

    if (args.size() >= 3 && args[0] == "create") {
        bool ok = worker.NewZipFile(args[1], 1);
        for (std::size_t i = 2; ok && i < args.size(); ++i) {
            struct stat info {};
            if (::stat(args[i].c_str(), &info) == 0 && S_ISDIR(info.st_mode))
                ok = worker.ZipEntireDirectory(args[i], 1, 1);
            else
                ok = worker.ZipOneFile(args[i], args[i], "1111", 1);
        }
        worker.ZipClose();
        return failed ? 1 : 0;
    }
    if (args.size() == 3 && args[0] == "extract") {
        worker.UnZipAllFiles(args[1], args[2]);
        return failed ? 1 : 0;
    }
    if (args.size() == 2 && args[0] == "list") {
        if (worker.GetZipFileInfo(args[1])) {
            const auto names = split(worker.LongFileNameArray());
            const auto sizes = split(worker.FileUnCompressedSizeArray());
            const auto packed = split(worker.FileCompressedSizeArray());
            for (std::size_t i = 0; i < names.size(); ++i)
                std::cout << names[i] << '\t' << sizes[i] << '\t' << packed[i] << '\n';
        }
        return failed ? 1 : 0;
    }
    std::cerr << "usage: veilcraft_zip_driver create ARCHIVE PATH... | extract ARCHIVE DIR | list ARCHIVE\n";
    return 2;
}
