#pragma once

#include <QByteArray>
#include <QString>

#include <vector>

namespace veilcraft {

// Drive type codes.
enum DriveTypeCode : int {
    kUnknownDrive = 0,
    kRemovableDrive = 1,
    kFixedDrive = 2,
    kNetworkDrive = 3,
    kCdRomDrive = 4,
    kRamDisk = 5,
};

// One drive as its source sees it at the moment it is asked.
struct Volume {
    QString mountPoint; // the drive's path and "letter"
    QString label;      // the file system's label, often empty
    QString fileSystem; // e.g. "ext4"
    int type = kFixedDrive;
    bool ready = true; // false: a removable or CD-ROM drive without a medium
    double totalSize = 0;
    double freeSpace = 0;
    double availableSpace = 0; // free space this user may fill
};

// Where the service finds its drives. The program uses MountedVolumes; tests
// give folders of their own as drives.
class DriveSource {
public:
    virtual ~DriveSource() = default;
    // The drives in a stable order.
    [[nodiscard]] virtual std::vector<Volume> volumes() const = 0;
};

// The mounted volumes of this machine, pseudo file systems (proc, sysfs,
// cgroups, ...) left out.
class MountedVolumes final : public DriveSource {
public:
    [[nodiscard]] std::vector<Volume> volumes() const override;
};

// The drive type of a mounted device: network file systems, CD-ROMs (by
// device or file system), tmpfs and ramfs as RAM disks, devices whose block
// device (under `blockDevices`, normally /sys/class/block) says "removable",
// and everything else fixed.
[[nodiscard]] int driveTypeOf(const QByteArray& device, const QByteArray& fileSystem,
                              const QString& blockDevices = QStringLiteral("/sys/class/block"));

} // namespace veilcraft
