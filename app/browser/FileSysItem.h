#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>

#include <string>
#include <sys/stat.h>

namespace veilcraft {

// What folders and files of the service have in common: a path, a name that
// renames the item when it is set, the 8.3 forms (here the name and path
// themselves), the access and modification times, and the attribute bits.
//
// Attributes: ReadOnly is the owner's missing write permission (or a file
// system that refuses writing); Hidden is a name that begins with "." or the
// hidden bit of the DOS attribute word (user.DOSATTRIB); System and Archive
// are that word's bits alone. A name that begins with "." stays hidden
// whatever is written: SetAttributes refuses to clear Hidden on it.
//
// Every read and write raises FileSysError when the item is gone or the
// system refuses.
class FileSysItem {
public:
    static constexpr int ReadOnly = 1;
    static constexpr int Hidden = 2;
    static constexpr int System = 4;
    static constexpr int Archive = 32;

    [[nodiscard]] QString Path() const;
    [[nodiscard]] QString Name() const;
    // Renames the item in its folder. Refused for an empty name, a name with
    // "/", "." and "..", and when an item of the new name exists.
    void SetName(const QString& name);
    [[nodiscard]] QString ShortName() const { return Name(); }
    [[nodiscard]] QString ShortPath() const { return Path(); }
    [[nodiscard]] QDateTime DateLastAccessed() const;
    [[nodiscard]] QDateTime DateLastModified() const;
    [[nodiscard]] int Attributes() const;
    // Takes ReadOnly, Hidden, System and Archive from `value`; other bits are
    // ignored. A symbolic link has no permissions of its own, so ReadOnly
    // cannot be changed on one.
    void SetAttributes(int value);

    [[nodiscard]] const QByteArray& nativePath() const { return path_; }

protected:
    // `followLink`: a folder opened by a path that is a symbolic link shows
    // the folder behind it; a file that is a link is the link itself.
    FileSysItem(QByteArray nativePath, bool followLink);

    [[nodiscard]] struct stat status() const;

private:
    [[nodiscard]] bool nameIsHidden() const;
    // Where the DOS attribute word of the item is read and written.
    [[nodiscard]] std::string dosPath() const;

    QByteArray path_;
    bool followLink_;
};

[[nodiscard]] QDateTime fromTimespec(const timespec& time);

// The attribute bits of the item at `path` whose status has `mode`, its DOS
// attribute word read at `dosPath` (see FileSysItem for the rules).
[[nodiscard]] int attributeBits(const QByteArray& path, mode_t mode, const std::string& dosPath);
// attributeBits(...) == FileSysItem::Hidden, without the write check for the
// many items that are not hidden at all.
[[nodiscard]] bool onlyHidden(const QByteArray& path, mode_t mode, const std::string& dosPath);

} // namespace veilcraft
