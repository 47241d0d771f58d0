#include "Folder.h"

#include "File.h"
#include "FileSysError.h"
#include "FolderHandle.h"

#include <QMimeDatabase>

#include <fcntl.h>

namespace veilcraft {

namespace {

std::vector<FolderEntry> entriesOf(const Folder& folder)
{
    const FolderHandle handle(AT_FDCWD, folder.nativePath().constData(), true);
    std::vector<FolderEntry> entries;
    if (!handle.isOpen() || !handle.read(entries))
        throw FileSysError::fromErrno(QStringLiteral("Cannot read the folder"), folder.Path());
    return entries;
}

} // namespace

Folder::Folder(QByteArray nativePath, bool followLink) : FileSysItem(std::move(nativePath), followLink) {}

double Folder::Size() const
{
    const FolderHandle handle(AT_FDCWD, nativePath().constData(), true);
    if (!handle.isOpen())
        throw FileSysError::fromErrno(QStringLiteral("Cannot read the folder"), Path());
    return handle.sizeOfFiles();
}

QString Folder::Type() const
{
    return QMimeDatabase().mimeTypeForName(QStringLiteral("inode/directory")).comment();
}

std::vector<Folder> Folder::SubFolders() const
{
    std::vector<Folder> folders;
    for (const FolderEntry& entry : entriesOf(*this))
        if (S_ISDIR(entry.status.st_mode))
            folders.emplace_back(joinNative(nativePath(), entry.name), false);
    return folders;
}

std::vector<File> Folder::Files() const
{
    std::vector<File> files;
    for (const FolderEntry& entry : entriesOf(*this))
        if (!S_ISDIR(entry.status.st_mode))
            files.emplace_back(joinNative(nativePath(), entry.name));
    return files;
}

} // namespace veilcraft
