#include "FileSys.h"

#include "FileCopy.h"
#include "FolderHandle.h"

#include <QDir>
#include <QFileInfo>

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace veilcraft {

namespace {

const QString kDeleteAction = QStringLiteral("Cannot delete");

bool isReadOnly(const struct stat& info)
{
    return !S_ISLNK(info.st_mode) && (info.st_mode & S_IWUSR) == 0;
}

[[noreturn]] void refuseReadOnly(const QByteArray& path)
{
    throw FileSysError(kDeleteAction, displayPath(path), errnoCode(EACCES),
                       QStringLiteral("it is read-only; deleting it needs force"));
}

// The destination of a copy: "folder/" means inside it, under the source's name.
QByteArray copyTarget(const QByteArray& source, const QString& destination)
{
    const QByteArray target = nativePath(destination);
    return target.endsWith('/') ? target + lastComponent(source) : target;
}

QString absoluteClean(const QString& path)
{
    return QDir::cleanPath(QFileInfo(path).absoluteFilePath());
}

// The path with every link resolved; for a path that does not exist yet,
// its existing part resolved and the rest kept as written.
QByteArray resolved(QByteArray path)
{
    while (path.size() > 1 && path.endsWith('/'))
        path.chop(1);
    if (char* real = ::realpath(path.constData(), nullptr)) {
        QByteArray result(real);
        std::free(real);
        return result;
    }
    const qsizetype slash = path.lastIndexOf('/');
    if (slash < 0)
        return path == "." ? path : joinNative(resolved("."), path);
    return joinNative(resolved(slash == 0 ? QByteArray("/") : path.left(slash)), path.mid(slash + 1));
}

void removeContents(const FolderHandle& folder, const QByteArray& path, bool force)
{
    std::vector<FolderEntry> entries;
    struct stat own {};
    if (!folder.read(entries) || ::fstat(folder.fd(), &own) != 0)
        throw FileSysError::fromErrno(kDeleteAction, displayPath(path));
    for (const FolderEntry& entry : entries) {
        const QByteArray child = joinNative(path, entry.name);
        if (!force && isReadOnly(entry.status))
            refuseReadOnly(child);
        if (!S_ISDIR(entry.status.st_mode)) {
            if (::unlinkat(folder.fd(), entry.name.constData(), 0) != 0)
                throw FileSysError::fromErrno(kDeleteAction, displayPath(child));
            continue;
        }
        if (entry.status.st_dev != own.st_dev)
            throw FileSysError(kDeleteAction, displayPath(child), errnoCode(EBUSY),
                               QStringLiteral("another file system is mounted there"));
        const FolderHandle sub(folder.fd(), entry.name.constData(), false);
        if (!sub.isOpen())
            throw FileSysError::fromErrno(kDeleteAction, displayPath(child));
        if (isReadOnly(entry.status))
            ::fchmod(sub.fd(), (entry.status.st_mode | S_IWUSR) & 07777);
        removeContents(sub, child, force);
        if (::unlinkat(folder.fd(), entry.name.constData(), AT_REMOVEDIR) != 0)
            throw FileSysError::fromErrno(kDeleteAction, displayPath(child));
    }
}

} // namespace

FileSys::FileSys() : FileSys(std::make_shared<MountedVolumes>()) {}

FileSys::FileSys(std::shared_ptr<const DriveSource> drives) : drives_(std::move(drives)) {}

std::vector<Drive> FileSys::Drives() const
{
    std::vector<Drive> drives;
    for (const Volume& volume : drives_->volumes())
        drives.emplace_back(volume);
    return drives;
}

Drive FileSys::GetDrive(const QString& drivePath) const
{
    const QString wanted = QDir::cleanPath(drivePath);
    for (const Volume& volume : drives_->volumes())
        if (!wanted.isEmpty() && QDir::cleanPath(volume.mountPoint) == wanted)
            return Drive(volume);
    throw FileSysError(QStringLiteral("Cannot find the drive"), drivePath, errnoCode(ENODEV));
}

QString FileSys::GetDriveName(const QString& path) const
{
    const QString wanted = absoluteClean(path);
    QString best;
    for (const Volume& volume : drives_->volumes()) {
        const QString root = QDir::cleanPath(volume.mountPoint);
        const bool holds =
            wanted == root || wanted.startsWith(root.endsWith(QLatin1Char('/')) ? root : root + QLatin1Char('/'));
        if (holds && root.size() > best.size())
            best = root;
    }
    return best;
}

QString FileSys::GetFileName(const QString& path)
{
    return displayPath(lastComponent(nativePath(path)));
}

Folder FileSys::GetFolder(const QString& path) const
{
    struct stat info {};
    if (::stat(nativePath(path).constData(), &info) != 0)
        throw FileSysError::fromErrno(QStringLiteral("Cannot find the folder"), path);
    if (!S_ISDIR(info.st_mode))
        throw FileSysError(QStringLiteral("Cannot find the folder"), path, errnoCode(ENOTDIR));
    return Folder(nativePath(path));
}

File FileSys::GetFile(const QString& path) const
{
    struct stat info {};
    if (::lstat(nativePath(path).constData(), &info) != 0)
        throw FileSysError::fromErrno(QStringLiteral("Cannot find the file"), path);
    if (S_ISDIR(info.st_mode))
        throw FileSysError(QStringLiteral("Cannot find the file"), path, errnoCode(EISDIR));
    return File(nativePath(path));
}

bool FileSys::FolderExists(const QString& path) const
{
    struct stat info {};
    return ::stat(nativePath(path).constData(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool FileSys::FileExists(const QString& path) const
{
    struct stat info {};
    return ::lstat(nativePath(path).constData(), &info) == 0 && !S_ISDIR(info.st_mode);
}

Folder FileSys::CreateFolder(const QString& path) const
{
    if (::mkdir(nativePath(path).constData(), 0777) != 0)
        throw FileSysError::fromErrno(QStringLiteral("Cannot create the folder"), path);
    return Folder(nativePath(path));
}

void FileSys::CopyFile(const QString& source, const QString& destination, bool overwrite) const
{
    CopyFile(source, destination, overwrite, {});
}

void FileSys::CopyFolder(const QString& source, const QString& destination, bool overwrite) const
{
    CopyFolder(source, destination, overwrite, {});
}

void FileSys::CopyFile(const QString& source, const QString& destination, bool overwrite,
                       const FileCopy::Progress& progress) const
{
    const QByteArray from = nativePath(source);
    FileCopy::copyFile(from, copyTarget(from, destination), overwrite, progress);
}

void FileSys::CopyFolder(const QString& source, const QString& destination, bool overwrite,
                         const FileCopy::Progress& progress) const
{
    const QByteArray from = nativePath(source);
    const QByteArray target = copyTarget(from, destination);
    if (!FolderExists(source))
        throw FileSysError(QStringLiteral("Cannot copy"), source, errnoCode(ENOENT));
    // Copying a folder into itself would never end.
    const QByteArray inner = resolved(from);
    const QByteArray outer = resolved(target);
    if (outer == inner || outer.startsWith(inner.endsWith('/') ? inner : inner + '/'))
        throw FileSysError(QStringLiteral("Cannot copy"), source, errnoCode(EINVAL),
                           QStringLiteral("a folder cannot be copied into itself or one of its subfolders"));
    FileCopy::copyFolder(from, target, overwrite, progress);
}

void FileSys::DeleteFile(const QString& path, bool force) const
{
    const QByteArray file = nativePath(path);
    struct stat info {};
    if (::lstat(file.constData(), &info) != 0)
        throw FileSysError::fromErrno(kDeleteAction, path);
    if (S_ISDIR(info.st_mode))
        throw FileSysError(kDeleteAction, path, errnoCode(EISDIR));
    if (!force && isReadOnly(info))
        refuseReadOnly(file);
    if (::unlink(file.constData()) != 0)
        throw FileSysError::fromErrno(kDeleteAction, path);
}

void FileSys::DeleteFolder(const QString& path, bool force) const
{
    const QByteArray folder = nativePath(path);
    struct stat info {};
    if (::lstat(folder.constData(), &info) != 0)
        throw FileSysError::fromErrno(kDeleteAction, path);
    if (S_ISLNK(info.st_mode)) {
        if (!FolderExists(path))
            throw FileSysError(kDeleteAction, path, errnoCode(ENOTDIR));
        if (::unlink(folder.constData()) != 0)
            throw FileSysError::fromErrno(kDeleteAction, path);
        return;
    }
    if (!S_ISDIR(info.st_mode))
        throw FileSysError(kDeleteAction, path, errnoCode(ENOTDIR));
    const QString clean = absoluteClean(path);
    if (clean == QLatin1String("/") || GetDriveName(clean) == clean)
        throw FileSysError(kDeleteAction, path, errnoCode(EBUSY), QStringLiteral("it is the root of a drive"));
    if (!force && isReadOnly(info))
        refuseReadOnly(folder);
    {
        const FolderHandle handle(AT_FDCWD, folder.constData(), false);
        if (!handle.isOpen())
            throw FileSysError::fromErrno(kDeleteAction, path);
        removeContents(handle, folder, force);
    }
    if (::rmdir(folder.constData()) != 0)
        throw FileSysError::fromErrno(kDeleteAction, path);
}

} // namespace veilcraft
