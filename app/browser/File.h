#pragma once

#include "FileSysItem.h"

namespace veilcraft {

// The type text of shortcuts, which the file list leaves out: symbolic
// links and desktop launchers (*.desktop) have it.
inline const QString kShortcutType = QStringLiteral("快捷方式");

// A file of the file-system service: anything in a folder that is not a
// folder, symbolic links included (as the links themselves).
class File : public FileSysItem {
public:
    // The file at `nativePath`; FileSys checks that it exists.
    explicit File(QByteArray nativePath);

    // Bytes; for a symbolic link the length of the link itself.
    [[nodiscard]] double Size() const;
    // kShortcutType for a link or launcher, otherwise the description of the
    // file's MIME type, e.g. "plain text document".
    [[nodiscard]] QString Type() const;
};

// Whether a file named `name` whose status has `mode` is a shortcut: a
// symbolic link or a desktop launcher.
[[nodiscard]] bool isShortcut(const QString& name, mode_t mode);
// The type text of such a file (see File::Type).
[[nodiscard]] QString fileTypeText(const QString& name, mode_t mode);

} // namespace veilcraft
