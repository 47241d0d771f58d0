#include "ListedFile.h"

#include "File.h"
#include "FileSysItem.h"
#include "Folder.h"
#include "FolderHandle.h"

namespace veilcraft {

ListedFile::ListedFile(QByteArray nativePath, const struct stat& status)
    : path_(std::move(nativePath)), mode_(status.st_mode), size_(status.st_size), modified_(status.st_mtim)
{
}

QString ListedFile::Path() const
{
    return displayPath(path_);
}

QString ListedFile::Name() const
{
    return displayPath(lastComponent(path_));
}

QDateTime ListedFile::DateLastModified() const
{
    return fromTimespec(modified_);
}

bool ListedFile::isShortcut() const
{
    return veilcraft::isShortcut(Name(), mode_);
}

int ListedFile::Attributes() const
{
    return attributeBits(path_, mode_, path_.toStdString());
}

bool ListedFile::isOnlyHidden() const
{
    return onlyHidden(path_, mode_, path_.toStdString());
}

std::vector<ListedFile> listFiles(const Folder& folder)
{
    std::vector<ListedFile> files;
    for (const FolderEntry& entry : folder.entries())
        if (!S_ISDIR(entry.status.st_mode))
            files.emplace_back(joinNative(folder.nativePath(), entry.name), entry.status);
    return files;
}

} // namespace veilcraft
