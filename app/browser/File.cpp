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
    const mode_t mode = status().st_mode;
    if (S_ISLNK(mode) || nativePath().endsWith(".desktop"))
        return kShortcutType;
    // By the name alone: opening every file of a folder to look at its
    // content would make listing a large folder slow, and reading a pipe or
    // a device could block.
    return QMimeDatabase().mimeTypeForFile(Path(), QMimeDatabase::MatchExtension).comment();
}

} // namespace veilcraft
