#pragma once

// The names and the lock of every temporary file the program and the zip
// control make: partly written outputs, archives being built, decrypted
// archives. Such a file may hold plaintext, so none may outlive its run.
//
// A temporary name carries kMarker followed by ten random letters or digits
// and one of a few suffixes; the file is created private (0600) and its
// creator holds an exclusive flock on it for as long as it exists. What a
// kill -9 or a power cut left behind is therefore recognisable by its name
// and free of any lock, and removeLeftovers() removes exactly that: never a
// file a running process still works on, never a file of another user, never
// a link or a folder.
//
// Header-only, so that the cipher library and the zip control, which link
// nothing of each other, share one naming rule.

#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <random>
#include <string>
#include <string_view>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace veilcraft::tempnames {

inline constexpr std::string_view kMarker = ".vctmp-";
inline constexpr std::size_t kRandomLength = 10;
inline constexpr std::string_view kSuffixes[] = {"", ".part", ".tmp", ".zip"};

// A temporary file just made: its descriptor (open for writing, locked) and path.
struct Created {
    int fd = -1;
    std::string path;
};

namespace detail {

inline std::string randomPart()
{
    static thread_local std::mt19937_64 generator{std::random_device{}()};
    static constexpr char kAlphabet[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    std::string text(kRandomLength, 'x');
    for (char& c : text)
        c = kAlphabet[generator() % (sizeof kAlphabet - 1)];
    return text;
}

inline bool isRandomCharacter(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
}

}  // namespace detail

// True for a name made by create() (a file name, not a path).
[[nodiscard]] inline bool isTemporaryName(std::string_view name)
{
    const std::size_t at = name.rfind(kMarker);
    if (at == std::string_view::npos)
        return false;
    std::string_view rest = name.substr(at + kMarker.size());
    if (rest.size() < kRandomLength)
        return false;
    for (std::size_t i = 0; i < kRandomLength; ++i)
        if (!detail::isRandomCharacter(rest[i]))
            return false;
    rest.remove_prefix(kRandomLength);
    for (const std::string_view suffix : kSuffixes)
        if (rest == suffix)
            return true;
    return false;
}

// Creates prefix + kMarker + random + suffix exclusively, relative to an
// open folder (or AT_FDCWD), with mode 0600, and locks it; the path returned
// is prefix + the rest. `suffix` is one of kSuffixes. On failure fd is -1
// and errno tells why.
[[nodiscard]] inline Created createAt(int folderFd, const std::string& prefix, std::string_view suffix,
                                     int flags = O_WRONLY)
{
    for (int attempt = 0; attempt < 100; ++attempt) {
        Created made;
        made.path = prefix + std::string(kMarker) + detail::randomPart() + std::string(suffix);
        made.fd = ::openat(folderFd, made.path.c_str(), flags | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600);
        if (made.fd >= 0) {
            ::flock(made.fd, LOCK_EX);
            return made;
        }
        if (errno != EEXIST)
            break;
    }
    return {};
}

// The same in `folder`: the path returned is folder + "/" + the name.
[[nodiscard]] inline Created create(const std::string& folder, const std::string& prefix, std::string_view suffix,
                                   int flags = O_WRONLY)
{
    const std::string head = folder.empty() ? std::string() : (folder.back() == '/' ? folder : folder + "/");
    return createAt(AT_FDCWD, head + prefix, suffix, flags);
}

// Removes the temporary files of this user in `folder` that no running
// process holds (see above); returns how many went. Missing or unreadable
// folders are simply skipped.
inline int removeLeftovers(const std::string& folder)
{
    const int folderFd = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folderFd < 0)
        return 0;
    DIR* listing = ::fdopendir(::dup(folderFd));
    int removed = 0;
    if (listing != nullptr) {
        while (const dirent* entry = ::readdir(listing)) {
            const std::string_view name = entry->d_name;
            if (!isTemporaryName(name))
                continue;
            // O_NOFOLLOW and O_NONBLOCK: neither a link nor a FIFO of that
            // name can lead the removal elsewhere or hang it.
            const int fd = ::openat(folderFd, entry->d_name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
            if (fd < 0)
                continue;
            struct stat info {};
            if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && info.st_uid == ::getuid() &&
                ::flock(fd, LOCK_EX | LOCK_NB) == 0) {
                // Still the same file under that name: remove it while locked.
                struct stat now {};
                if (::fstatat(folderFd, entry->d_name, &now, AT_SYMLINK_NOFOLLOW) == 0 && now.st_ino == info.st_ino &&
                    now.st_dev == info.st_dev && ::unlinkat(folderFd, entry->d_name, 0) == 0)
                    ++removed;
            }
            ::close(fd);
        }
        ::closedir(listing);
    }
    ::close(folderFd);
    return removed;
}

}  // namespace veilcraft::tempnames
