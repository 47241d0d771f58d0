#include "FileCopy.h"

#include "FileSysError.h"
#include "FolderHandle.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace veilcraft::FileCopy {

namespace {

const QString kCopyAction = QStringLiteral("Cannot copy to");

[[noreturn]] void failOn(const QByteArray& path)
{
    throw FileSysError::fromErrno(kCopyAction, displayPath(path));
}

// Closes a descriptor on every way out.
struct Descriptor {
    int fd;
    ~Descriptor()
    {
        if (fd >= 0)
            ::close(fd);
    }
};

// The temporary name a copy is made under: hidden, beside the target, so
// that the final rename stays in one file system. Removed unless committed.
class PartialCopy {
public:
    explicit PartialCopy(const QByteArray& target) : target_(target)
    {
        const QByteArray name = lastComponent(target);
        path_ = target.left(target.size() - name.size()) + '.' + name.left(200) + ".XXXXXX";
        fd_ = ::mkostemp(path_.data(), O_CLOEXEC);
        if (fd_ < 0)
            failOn(target_);
    }
    ~PartialCopy()
    {
        if (fd_ >= 0)
            ::close(fd_);
        if (!committed_)
            ::unlink(path_.constData());
    }
    PartialCopy(const PartialCopy&) = delete;
    PartialCopy& operator=(const PartialCopy&) = delete;

    [[nodiscard]] int fd() const { return fd_; }
    [[nodiscard]] const QByteArray& path() const { return path_; }

    // Gives up the reserved file, for a link to take its name.
    void releaseName()
    {
        ::close(fd_);
        fd_ = -1;
        ::unlink(path_.constData());
    }

    void commit(bool overwrite, bool durable)
    {
        if (fd_ >= 0) {
            if (durable && ::fsync(fd_) != 0)
                failOn(target_);
            const int result = ::close(fd_);
            fd_ = -1;
            if (result != 0)
                failOn(target_);
        }
        const unsigned flags = overwrite ? 0 : RENAME_NOREPLACE;
        if (::renameat2(AT_FDCWD, path_.constData(), AT_FDCWD, target_.constData(), flags) != 0)
            failOn(target_);
        committed_ = true;
        if (durable) {
            const FolderHandle folder(AT_FDCWD,
                                      target_.left(target_.size() - lastComponent(target_).size()).constData(), true);
            if (folder.isOpen())
                ::fsync(folder.fd());
        }
    }

private:
    QByteArray target_;
    QByteArray path_;
    int fd_ = -1;
    bool committed_ = false;
};

void copyContent(const QByteArray& source, const QByteArray& target, int to, const Progress& progress)
{
    // Non-blocking and not following a link swapped in since the check.
    Descriptor from{::open(source.constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC)};
    if (from.fd < 0)
        throw FileSysError::fromErrno(QStringLiteral("Cannot copy"), displayPath(source));
    struct stat info {};
    if (::fstat(from.fd, &info) != 0 || !S_ISREG(info.st_mode))
        throw FileSysError(QStringLiteral("Cannot copy"), displayPath(source), errnoCode(EINVAL),
                           QStringLiteral("only files, folders and symbolic links can be copied"));
    std::vector<char> buffer(1 << 20);
    for (;;) {
        const ssize_t got = ::read(from.fd, buffer.data(), buffer.size());
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            throw FileSysError::fromErrno(QStringLiteral("Cannot copy"), displayPath(source));
        if (got == 0)
            break;
        for (ssize_t done = 0; done < got;) {
            const ssize_t put = ::write(to, buffer.data() + done, static_cast<std::size_t>(got - done));
            if (put < 0 && errno == EINTR)
                continue;
            if (put < 0)
                failOn(target);
            done += put;
        }
        if (progress)
            progress(got);
    }
    const timespec times[2] = {info.st_atim, info.st_mtim};
    ::fchmod(to, info.st_mode & 0777);
    ::futimens(to, times);
}

void copyFolderInto(const QByteArray& source, const QByteArray& target, bool overwrite, bool followLink,
                    const Progress& progress)
{
    const FolderHandle folder(AT_FDCWD, source.constData(), followLink);
    std::vector<FolderEntry> entries;
    if (!folder.isOpen() || !folder.read(entries))
        throw FileSysError::fromErrno(QStringLiteral("Cannot copy"), displayPath(source));
    struct stat info {};
    if (::fstat(folder.fd(), &info) != 0)
        throw FileSysError::fromErrno(QStringLiteral("Cannot copy"), displayPath(source));

    // Made writable for its owner while it fills; its own mode at the end.
    const bool created = ::mkdir(target.constData(), 0700) == 0;
    if (!created) {
        struct stat existing {};
        if (errno != EEXIST || ::stat(target.constData(), &existing) != 0)
            failOn(target);
        if (!S_ISDIR(existing.st_mode))
            throw FileSysError(kCopyAction, displayPath(target), errnoCode(ENOTDIR),
                               QStringLiteral("a file of that name is in the way"));
        if (!overwrite)
            throw FileSysError(kCopyAction, displayPath(target), errnoCode(EEXIST));
    }
    for (const FolderEntry& entry : entries) {
        const QByteArray from = joinNative(source, entry.name);
        const QByteArray to = joinNative(target, entry.name);
        if (S_ISDIR(entry.status.st_mode))
            copyFolderInto(from, to, overwrite, false, progress);
        else
            copyFile(from, to, overwrite, progress);
    }
    if (created && ::chmod(target.constData(), info.st_mode & 07777) != 0)
        failOn(target);
}

} // namespace

void copyFile(const QByteArray& source, const QByteArray& target, bool overwrite, const Progress& progress)
{
    struct stat info {};
    if (::lstat(source.constData(), &info) != 0)
        throw FileSysError::fromErrno(QStringLiteral("Cannot copy"), displayPath(source));
    if (S_ISDIR(info.st_mode))
        throw FileSysError(QStringLiteral("Cannot copy"), displayPath(source), errnoCode(EISDIR));
    struct stat existing {};
    const bool replacing = ::lstat(target.constData(), &existing) == 0;
    if (replacing) {
        if (!overwrite)
            throw FileSysError(kCopyAction, displayPath(target), errnoCode(EEXIST));
        if (S_ISDIR(existing.st_mode))
            throw FileSysError(kCopyAction, displayPath(target), errnoCode(EISDIR));
        if (existing.st_dev == info.st_dev && existing.st_ino == info.st_ino)
            throw FileSysError(kCopyAction, displayPath(target), errnoCode(EINVAL),
                               QStringLiteral("it is the file being copied"));
    }

    PartialCopy copy(target);
    if (S_ISLNK(info.st_mode)) {
        QByteArray link(static_cast<qsizetype>(info.st_size) + 1, '\0');
        const ssize_t length = ::readlink(source.constData(), link.data(), static_cast<std::size_t>(link.size()));
        if (length < 0)
            throw FileSysError::fromErrno(QStringLiteral("Cannot copy"), displayPath(source));
        link.truncate(length);
        copy.releaseName();
        if (::symlink(link.constData(), copy.path().constData()) != 0)
            failOn(target);
    } else {
        copyContent(source, target, copy.fd(), progress);
    }
    // A replaced file is the only copy of its old content until the rename,
    // so the new content must be on the disk first.
    copy.commit(overwrite, replacing);
}

void copyFolder(const QByteArray& source, const QByteArray& target, bool overwrite, const Progress& progress)
{
    copyFolderInto(source, target, overwrite, true, progress);
}

} // namespace veilcraft::FileCopy
