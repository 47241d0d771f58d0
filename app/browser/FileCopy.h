#pragma once

#include <QByteArray>

#include <functional>

namespace veilcraft::FileCopy {

// Told the number of bytes just written, after every piece of a file's
// content. It may throw to stop the copy: the file being copied is then
// removed, what was copied before it stays.
using Progress = std::function<void(qint64 bytes)>;

// Copies a file to `target`, a symbolic link as a link. The copy is made
// under a temporary name beside the target and renamed over it only when
// complete, so an existing target is kept whole or replaced whole, never left
// half-written. The copy keeps the source's permissions and times. Refused
// (FileSysError) for folders, pipes and devices, for the file itself as its
// target, and for an existing target unless `overwrite`.
void copyFile(const QByteArray& source, const QByteArray& target, bool overwrite, const Progress& progress);

// Copies a folder's content into `target`, which is created when missing and
// merged into when it exists (an existing target is refused unless
// `overwrite`). Subfolders are copied in turn; symbolic links are copied as
// links, never followed. Stops at the first failure with FileSysError. The
// caller makes sure that `target` is not inside `source`.
void copyFolder(const QByteArray& source, const QByteArray& target, bool overwrite, const Progress& progress);

} // namespace veilcraft::FileCopy
