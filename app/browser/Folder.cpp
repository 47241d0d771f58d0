#include "Folder.h"

#include "File.h"
#include "FileSysError.h"
#include "FolderHandle.h"

#include <QMimeDatabase>

#include <fcntl.h>

namespace veilcraft {

Folder::Folder(QByteArray nativePath, bool followLink) : FileSysItem(std::move(nativePath), followLink) {}

double Folder::Size() const
{
    return Size([] { return false; });
}

double Folder::Size(const std::function<bool()>& stop) const
{
    const FolderHandle handle(AT_FDCWD, nativePath().constData(), true);
    if (!handle.isOpen())
        throw FileSysError::fromErrno(QStringLiteral("Cannot read the folder"), Path());
    return handle.sizeOfFiles(stop);
}

QString Folder::Type() const
{
    return QMimeDatabase().mimeTypeForName(QStringLiteral("inode/directory")).comment();
}

std::vector<Folder> Folder::SubFolders() const
{
    std::vector<Folder> folders;
    for (const FolderEntry& entry : entries())
        if (S_ISDIR(entry.status.st_mode))
            folders.emplace_back(joinNative(nativePath(), entry.name), false);
    return folders;
}

std::vector<File> Folder::Files() const
{
    std::vector<File> files;
    for (const FolderEntry& entry : entries())
        if (!S_ISDIR(entry.status.st_mode))
            files.emplace_back(joinNative(nativePath(), entry.name));
    return files;
}

std::vector<FolderEntry> Folder::entries() const
{
    const FolderHandle handle(AT_FDCWD, nativePath().constData(), true);
    std::vector<FolderEntry> entries;
    if (!handle.isOpen() || !handle.read(entries))
        throw FileSysError::fromErrno(QStringLiteral("Cannot read the folder"), Path());
    return entries;
}

} // namespace veilcraft
