#include "File.h"

#include <QMimeDatabase>

namespace veilcraft {

File::File(QByteArray nativePath) : FileSysItem(std::move(nativePath), false) {}

double File::Size() const
{
    return static_cast<double>(status().st_size);
}

QString File::Type() const
{
    return fileTypeText(Name(), status().st_mode);
}

bool isShortcut(const QString& name, mode_t mode)
{
    return S_ISLNK(mode) || name.endsWith(QStringLiteral(".desktop"));
}

QString fileTypeText(const QString& name, mode_t mode)
{
    if (isShortcut(name, mode))
        return kShortcutType;
    // By the name alone: opening every file of a folder to look at its
    // content would make listing a large folder slow, and reading a pipe or
    // a device could block.
    return QMimeDatabase().mimeTypeForFile(name, QMimeDatabase::MatchExtension).comment();
}

} // namespace veilcraft
