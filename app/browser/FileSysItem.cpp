#include "FileSysItem.h"

#include "DosAttributes.h"
#include "FileSysError.h"
#include "FolderHandle.h"

#include <QTimeZone>

#include <cerrno>
#include <fcntl.h>
#include <stdio.h>
#include <unistd.h>

namespace veilcraft {

namespace {

constexpr unsigned kDosWordBits = DosAttributes::kHidden | DosAttributes::kSystem | DosAttributes::kArchive;

} // namespace

QDateTime fromTimespec(const timespec& time)
{
    const qint64 milliseconds = static_cast<qint64>(time.tv_sec) * 1000 + time.tv_nsec / 1000000;
    // The system's zone by Qt's own rules: local time through the C library
    // looks at the zone file again for every conversion, which shows when a
    // folder of thousands of files is listed.
    static const QTimeZone zone = QTimeZone::systemTimeZone();
    return zone.isValid() ? QDateTime::fromMSecsSinceEpoch(milliseconds, zone)
                          : QDateTime::fromMSecsSinceEpoch(milliseconds);
}

FileSysItem::FileSysItem(QByteArray nativePath, bool followLink) : path_(std::move(nativePath)), followLink_(followLink)
{
}

QString FileSysItem::Path() const
{
    return displayPath(path_);
}

QString FileSysItem::Name() const
{
    return displayPath(lastComponent(path_));
}

struct stat FileSysItem::status() const
{
    struct stat info {};
    const int result = followLink_ ? ::stat(path_.constData(), &info) : ::lstat(path_.constData(), &info);
    if (result != 0)
        throw FileSysError::fromErrno(QStringLiteral("Cannot read"), Path());
    return info;
}

void FileSysItem::SetName(const QString& name)
{
    const QByteArray newName = veilcraft::nativePath(name);
    if (newName.isEmpty() || newName.contains('/') || newName == "." || newName == "..")
        throw FileSysError(QStringLiteral("Cannot rename"), Path(), errnoCode(EINVAL),
                           QStringLiteral("\"%1\" is not a valid name").arg(name));
    const QByteArray own = lastComponent(path_);
    if (newName == own)
        return;
    const QByteArray target = path_.left(path_.size() - own.size()) + newName;
    // rename() would silently replace a file of the new name.
    if (::renameat2(AT_FDCWD, path_.constData(), AT_FDCWD, target.constData(), RENAME_NOREPLACE) != 0)
        throw FileSysError::fromErrno(QStringLiteral("Cannot rename"), Path());
    path_ = target;
}

QDateTime FileSysItem::DateLastAccessed() const
{
    return fromTimespec(status().st_atim);
}

QDateTime FileSysItem::DateLastModified() const
{
    return fromTimespec(status().st_mtim);
}

std::string FileSysItem::dosPath() const
{
    // "/." makes the extended-attribute calls, which never follow a link,
    // reach the folder behind one.
    return (followLink_ ? joinNative(path_, ".") : path_).toStdString();
}

bool FileSysItem::nameIsHidden() const
{
    return lastComponent(path_).startsWith('.');
}

int attributeBits(const QByteArray& path, mode_t mode, const std::string& dosPath)
{
    int bits = 0;
    if (!S_ISLNK(mode) &&
        ((mode & S_IWUSR) == 0 || ::faccessat(AT_FDCWD, path.constData(), W_OK, AT_EACCESS) != 0))
        bits |= FileSysItem::ReadOnly;
    const DosAttributes word = readDosAttributes(dosPath);
    if (word.form == DosAttributes::Form::Text)
        bits |= static_cast<int>(word.bits & kDosWordBits);
    if (lastComponent(path).startsWith('.'))
        bits |= FileSysItem::Hidden;
    return bits;
}

bool onlyHidden(const QByteArray& path, mode_t mode, const std::string& dosPath)
{
    const DosAttributes word = readDosAttributes(dosPath);
    const bool hidden = lastComponent(path).startsWith('.') ||
                        (word.form == DosAttributes::Form::Text && (word.bits & DosAttributes::kHidden) != 0);
    return hidden && attributeBits(path, mode, dosPath) == FileSysItem::Hidden;
}

int FileSysItem::Attributes() const
{
    return attributeBits(path_, status().st_mode, dosPath());
}

void FileSysItem::SetAttributes(int value)
{
    const QString action = QStringLiteral("Cannot change the attributes of");
    if (nameIsHidden() && (value & Hidden) == 0)
        throw FileSysError(action, Path(), errnoCode(EPERM),
                           QStringLiteral("a name that begins with \".\" is always hidden; rename it to show it"));
    DosAttributes word = readDosAttributes(dosPath());
    unsigned wanted = static_cast<unsigned>(value) & kDosWordBits;
    // On a dot name Hidden comes from the name; the word keeps what it had.
    if (nameIsHidden())
        wanted = (wanted & ~DosAttributes::kHidden) | (word.bits & DosAttributes::kHidden);
    if (word.form == DosAttributes::Form::Other && wanted != 0)
        throw FileSysError(action, Path(), errnoCode(EOPNOTSUPP),
                           QStringLiteral("its DOS attribute word (user.DOSATTRIB) is in a form this program "
                                          "cannot change"));

    const struct stat info = status();
    const bool readOnly = (value & ReadOnly) != 0;
    if (readOnly != ((info.st_mode & S_IWUSR) == 0)) {
        if (S_ISLNK(info.st_mode))
            throw FileSysError(action, Path(), errnoCode(EOPNOTSUPP),
                               QStringLiteral("a symbolic link has no permissions of its own"));
        const mode_t mode = readOnly ? (info.st_mode & ~S_IWUSR) : (info.st_mode | S_IWUSR);
        if (::chmod(path_.constData(), mode & 07777) != 0)
            throw FileSysError::fromErrno(action, Path());
    }

    // The word's own read-only bit follows the permission, so that file
    // servers that read it agree.
    const unsigned others = word.bits & ~(kDosWordBits | DosAttributes::kReadOnly);
    const unsigned bits = others | wanted | (readOnly ? DosAttributes::kReadOnly : 0);
    const bool change = word.form == DosAttributes::Form::Text
                            ? bits != word.bits
                            : word.form == DosAttributes::Form::Absent && wanted != 0;
    if (!change)
        return;
    word.bits = bits;
    if (!writeDosAttributes(dosPath(), word))
        throw FileSysError::fromErrno(action, Path());
}

} // namespace veilcraft
