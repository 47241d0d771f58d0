#include "TemporaryFile.h"

#include "CipherError.h"
#include "PathText.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <unistd.h>

namespace veilcraft {

std::string temporaryFolder()
{
    const char* folder = std::getenv("TMPDIR");
    return folder != nullptr && *folder != '\0' ? folder : "/tmp";
}

TemporaryFile::TemporaryFile(std::string pattern, int suffixLength)
    : TemporaryFile(std::move(pattern), suffixLength, "beside it")
{
}

TemporaryFile::TemporaryFile(std::string pattern, int suffixLength, const std::string& where)
    : path_(std::move(pattern))
{
    // mkstemps creates the file with mode 0600 whatever the umask.
    const int fd = ::mkstemps(path_.data(), suffixLength);
    if (fd < 0)
        throw CipherError("a temporary file cannot be created " + where + ": " + std::strerror(errno));
    ::close(fd);
}

TemporaryFile TemporaryFile::inTemporaryFolder(const std::string& suffix)
{
    return {joinPath(temporaryFolder(), "veilcraft-XXXXXX" + suffix), static_cast<int>(suffix.size()),
            "in " + temporaryFolder()};
}

TemporaryFile::~TemporaryFile()
{
    if (!path_.empty())
        ::unlink(path_.c_str());
}

}  // namespace veilcraft
