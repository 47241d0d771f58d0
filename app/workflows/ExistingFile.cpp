#include "ExistingFile.h"

#include <sys/stat.h>

namespace veilcraft {

std::optional<FileIdentity> FileIdentity::of(const std::string& path)
{
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0)
        return std::nullopt;
    return FileIdentity{info.st_dev, info.st_ino};
}

bool confirmReplace(UserInterface& ui, const std::string& path)
{
    return ui.message(path + " already exists.\nDo you want to replace it?", kApplicationTitle,
                      UserInterface::Buttons::YesNo, UserInterface::Icon::Question) == UserInterface::Answer::Yes;
}

}  // namespace veilcraft
