#pragma once

#include "DriveSource.h"
#include "Folder.h"

namespace veilcraft {

// A drive of the file-system service: a mounted volume, whose "letter" and
// path are its mount point. The values are those of the moment the drive
// was taken from the service; take it again for fresh sizes.
class Drive {
public:
    explicit Drive(Volume volume);

    [[nodiscard]] QString Path() const { return volume_.mountPoint; }
    [[nodiscard]] QString DriveLetter() const { return volume_.mountPoint; }
    // A DriveTypeCode, 0 to 5.
    [[nodiscard]] int DriveType() const { return volume_.type; }
    [[nodiscard]] bool IsReady() const { return volume_.ready; }

    // These raise FileSysError (ENOMEDIUM) on a drive that is not ready.
    [[nodiscard]] QString VolumeName() const;
    [[nodiscard]] Folder RootFolder() const;
    [[nodiscard]] double TotalSize() const;
    [[nodiscard]] double FreeSpace() const;
    [[nodiscard]] double AvailableSpace() const;
    [[nodiscard]] QString FileSystem() const;

    // Setting the label it has does nothing. Any other label raises
    // FileSysError (EPERM): on Linux a file-system label is changed by the
    // file system's own tools with administrator rights, mostly unmounted,
    // which this program does not do behind the user's back.
    void SetVolumeName(const QString& name) const;

private:
    // The volume, or FileSysError when the drive is not ready.
    [[nodiscard]] const Volume& ready() const;

    Volume volume_;
};

} // namespace veilcraft
