#include "Drive.h"

#include "FileSysError.h"
#include "FolderHandle.h"

#include <cerrno>

namespace veilcraft {

Drive::Drive(Volume volume) : volume_(std::move(volume)) {}

const Volume& Drive::ready() const
{
    if (!volume_.ready)
        throw FileSysError(QStringLiteral("Cannot read the drive"), Path(), errnoCode(ENOMEDIUM));
    return volume_;
}

QString Drive::VolumeName() const
{
    return ready().label;
}

Folder Drive::RootFolder() const
{
    return Folder(nativePath(ready().mountPoint));
}

double Drive::TotalSize() const
{
    return ready().totalSize;
}

double Drive::FreeSpace() const
{
    return ready().freeSpace;
}

double Drive::AvailableSpace() const
{
    return ready().availableSpace;
}

QString Drive::FileSystem() const
{
    return ready().fileSystem;
}

void Drive::SetVolumeName(const QString& name) const
{
    if (name == VolumeName())
        return;
    throw FileSysError(QStringLiteral("Cannot change the volume label of"), Path(), errnoCode(EPERM),
                       QStringLiteral("a file-system label can only be changed with the system's disk tools and "
                                      "administrator rights"));
}

} // namespace veilcraft
