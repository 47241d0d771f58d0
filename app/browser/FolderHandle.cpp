#include "FolderHandle.h"

#include <QByteArrayView>
#include <QStringView>

#include <algorithm>
#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

namespace veilcraft {

namespace {

// Bytes that are not part of UTF-8 stand in a path's text as the lone
// surrogates U+DC80..U+DCFF: such a name shows (with marks for those bytes)
// and turns back into exactly its own bytes. Decoding them to U+FFFD would
// make different names one text, and an operation on one of them reach
// another file -- or the file whose name really holds U+FFFD.
constexpr char16_t kEscapeBase = 0xDC00;

bool isEscapedByte(char16_t unit)
{
    return unit >= kEscapeBase + 0x80 && unit <= kEscapeBase + 0xFF;
}

} // namespace

QString displayPath(const QByteArray& nativePath)
{
    const QByteArrayView bytes(nativePath);
    if (bytes.isValidUtf8())
        return QString::fromUtf8(nativePath);
    QString text;
    text.reserve(nativePath.size());
    for (qsizetype at = 0; at < bytes.size();) {
        // The shortest valid prefix is the next character, if any is.
        qsizetype length = 1;
        while (length <= 4 && at + length <= bytes.size() && !bytes.sliced(at, length).isValidUtf8())
            ++length;
        if (length <= 4 && at + length <= bytes.size()) {
            text += QString::fromUtf8(bytes.sliced(at, length));
            at += length;
        } else {
            text += QChar(static_cast<char16_t>(kEscapeBase + static_cast<unsigned char>(bytes[at])));
            ++at;
        }
    }
    return text;
}

QByteArray nativePath(const QString& path)
{
    QByteArray bytes;
    bytes.reserve(path.size());
    qsizetype runStart = 0;
    for (qsizetype at = 0; at < path.size(); ++at) {
        const char16_t unit = path[at].unicode();
        // A low surrogate after a high one is half of a real character.
        if (!isEscapedByte(unit) || (at > 0 && QChar::isHighSurrogate(path[at - 1].unicode())))
            continue;
        bytes += QStringView(path).sliced(runStart, at - runStart).toUtf8();
        bytes += static_cast<char>(unit - kEscapeBase);
        runStart = at + 1;
    }
    bytes += QStringView(path).sliced(runStart).toUtf8();
    return bytes;
}

QByteArray joinNative(const QByteArray& folder, const QByteArray& name)
{
    if (folder.endsWith('/'))
        return folder + name;
    return folder + '/' + name;
}

QByteArray lastComponent(const QByteArray& path)
{
    qsizetype end = path.size();
    while (end > 1 && path[end - 1] == '/')
        --end;
    const qsizetype slash = path.lastIndexOf('/', end - 1);
    if (slash == 0 && end == 1)
        return path.left(1);
    return path.mid(slash + 1, end - slash - 1);
}

FolderHandle::FolderHandle(int at, const char* name, bool followLink)
    : fd_(::openat(at, name, O_RDONLY | O_DIRECTORY | O_CLOEXEC | (followLink ? 0 : O_NOFOLLOW)))
{
}

FolderHandle::~FolderHandle()
{
    if (fd_ >= 0)
        ::close(fd_);
}

FolderHandle::FolderHandle(FolderHandle&& other) noexcept : fd_(other.fd_)
{
    other.fd_ = -1;
}

bool FolderHandle::read(std::vector<FolderEntry>& entries) const
{
    entries.clear();
    // The stream gets its own descriptor: closedir closes it.
    const int copy = ::openat(fd_, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (copy < 0)
        return false;
    DIR* stream = ::fdopendir(copy);
    if (stream == nullptr) {
        const int error = errno;
        ::close(copy);
        errno = error;
        return false;
    }
    errno = 0;
    while (const dirent* entry = ::readdir(stream)) {
        const QByteArray name(entry->d_name);
        if (name != "." && name != "..") {
            FolderEntry item{name, {}};
            if (::fstatat(fd_, entry->d_name, &item.status, AT_SYMLINK_NOFOLLOW) == 0)
                entries.push_back(std::move(item));
        }
        errno = 0;
    }
    const int error = errno;
    ::closedir(stream);
    std::sort(entries.begin(), entries.end(),
              [](const FolderEntry& a, const FolderEntry& b) { return a.name < b.name; });
    errno = error;
    return error == 0;
}

double FolderHandle::sizeOfFiles(const std::function<bool()>& stop) const
{
    if (stop())
        return 0;
    std::vector<FolderEntry> entries;
    (void)read(entries); // what could be read before a failure still counts
    double total = 0;
    for (const FolderEntry& entry : entries) {
        if (S_ISREG(entry.status.st_mode)) {
            total += static_cast<double>(entry.status.st_size);
        } else if (S_ISDIR(entry.status.st_mode)) {
            const FolderHandle child(fd_, entry.name.constData(), false);
            if (child.isOpen())
                total += child.sizeOfFiles(stop);
        }
    }
    return total;
}

} // namespace veilcraft
