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
    // Only a regular file is opened to look at its content: reading a pipe
    // or a device could block or have effects.
    const auto match = QMimeDatabase::MatchExtension;
    return QMimeDatabase().mimeTypeForFile(Path(), match).comment();
}

} // namespace veilcraft
