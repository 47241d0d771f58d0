#include "DriveSource.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStorageInfo>

#include <algorithm>
#include <array>
#include <string_view>

namespace veilcraft {

namespace {

constexpr std::array<std::string_view, 22> kPseudoFileSystems = {
    "autofs",    "binfmt_misc", "bpf",      "cgroup",          "cgroup2",    "configfs",
    "debugfs",   "devpts",      "devtmpfs", "efivarfs",        "fusectl",    "hugetlbfs",
    "mqueue",    "nsfs",        "proc",     "pstore",          "rpc_pipefs", "securityfs",
    "selinuxfs", "sysfs",       "tracefs",  "fuse.gvfsd-fuse",
};

constexpr std::array<std::string_view, 12> kNetworkFileSystems = {
    "nfs", "nfs4", "cifs", "smb3", "smbfs", "9p", "afs", "ceph", "glusterfs", "fuse.sshfs", "davfs", "fuse.glusterfs",
};

bool isOneOf(const QByteArray& name, const auto& names)
{
    const std::string_view text(name.constData(), static_cast<std::size_t>(name.size()));
    return std::find(names.begin(), names.end(), text) != names.end();
}

// The block device's "removable" flag; a partition carries it on its disk,
// the folder above its own in /sys.
bool isRemovable(const QByteArray& device, const QString& blockDevices)
{
    // /dev/disk/by-label/... and the like are links to the device itself.
    const QFileInfo node(QFile::decodeName(device));
    const QString name = (node.exists() ? node.canonicalFilePath() : node.filePath()).section(QLatin1Char('/'), -1);
    if (name.isEmpty())
        return false;
    const QString folder = QFileInfo(blockDevices + QLatin1Char('/') + name).canonicalFilePath();
    if (folder.isEmpty())
        return false;
    for (const QString& candidate : {folder, QFileInfo(folder).path()}) {
        QFile flag(candidate + QStringLiteral("/removable"));
        if (flag.open(QIODevice::ReadOnly))
            return flag.readAll().trimmed() == "1";
    }
    return false;
}

} // namespace

int driveTypeOf(const QByteArray& device, const QByteArray& fileSystem, const QString& blockDevices)
{
    if (isOneOf(fileSystem, kNetworkFileSystems) || device.startsWith("//"))
        return kNetworkDrive;
    if (fileSystem == "tmpfs" || fileSystem == "ramfs")
        return kRamDisk;
    if (fileSystem == "iso9660" || fileSystem == "udf" || device.startsWith("/dev/sr") ||
        device.startsWith("/dev/cdrom"))
        return kCdRomDrive;
    if (device.startsWith("/dev/") && isRemovable(device, blockDevices))
        return kRemovableDrive;
    return kFixedDrive;
}

std::vector<Volume> MountedVolumes::volumes() const
{
    std::vector<Volume> result;
    for (const QStorageInfo& storage : QStorageInfo::mountedVolumes()) {
        if (!storage.isValid() || isOneOf(storage.fileSystemType(), kPseudoFileSystems))
            continue;
        Volume volume;
        volume.mountPoint = storage.rootPath();
        volume.label = storage.name();
        volume.fileSystem = QString::fromUtf8(storage.fileSystemType());
        volume.type = driveTypeOf(storage.device(), storage.fileSystemType());
        volume.ready = storage.isReady();
        volume.totalSize = static_cast<double>(storage.bytesTotal());
        volume.freeSpace = static_cast<double>(storage.bytesFree());
        volume.availableSpace = static_cast<double>(storage.bytesAvailable());
        result.push_back(volume);
    }
    return result;
}

} // namespace veilcraft
