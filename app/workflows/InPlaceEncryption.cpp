#include "InPlaceEncryption.h"

#include "CipherError.h"
#include "FileSource.h"
#include "WriteAll.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace veilcraft {

// Writes the engine's output over the bytes it was read from, counting them.
// A failed write may have changed part of its chunk, which leaves the file
// beyond exact repair.
class InPlaceEncryption::Overwrite final : public ByteSink {
public:
    Overwrite(InPlaceEncryption& owner, std::uint64_t& position) : owner_(owner), position_(position) {}

    void write(const std::uint8_t* data, std::size_t length) override
    {
        if (!pwriteAll(owner_.fd_, data, length, static_cast<off_t>(position_))) {
            owner_.damaged_ = true;
            throw CipherError("Cannot write " + owner_.outPath_ + ": " + std::strerror(errno));
        }
        position_ += length;
    }

private:
    InPlaceEncryption& owner_;
    std::uint64_t& position_;
};

InPlaceEncryption::InPlaceEncryption(TemporaryFile& content, std::string outPath)
    : content_(content), outPath_(std::move(outPath))
{
    openForWriting();
}

InPlaceEncryption::~InPlaceEncryption()
{
    if (fd_ >= 0)
        ::close(fd_);
}

void InPlaceEncryption::openForWriting()
{
    const int fd = ::open(content_.path().c_str(), O_WRONLY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        throw CipherError("Cannot write " + outPath_ + ": " + std::strerror(errno));
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        // Thrown from the constructor too, where no destructor would close it.
        ::close(fd);
        throw CipherError("Cannot write " + outPath_ + ": " + std::strerror(EINVAL));
    }
    fd_ = fd;
}

void InPlaceEncryption::encrypt(CipherEngine& engine, std::string_view key, const vkf::TrailerBytes& trailer)
{
    FileSource source(content_.path());
    size_ = source.size();
    if (size_ == 0)
        throw CipherError("the file is empty; there is nothing to encrypt");
    Overwrite payload(*this, encrypted_);
    engine.encryptStream(source, payload, key);
    // A trailer written only in part is cut off again by restore().
    if (!pwriteAll(fd_, trailer.data(), trailer.size(), static_cast<off_t>(size_)))
        throw CipherError("Cannot write " + outPath_ + ": " + std::strerror(errno));
}

void InPlaceEncryption::commit(AtomicFile::Durability durability)
{
    commitTemporary(std::exchange(fd_, -1), content_.path(), outPath_, 0666, durability);
    committed_ = true;
    content_.forget();
}

bool InPlaceEncryption::restore(CipherEngine& engine, std::string_view key) noexcept
{
    if (committed_ || damaged_)
        return false;
    if (size_ == 0)
        return true;  // nothing was written yet
    try {
        if (fd_ < 0)
            openForWriting();
        // The commit may have given it the output's permissions already.
        if (::fchmod(fd_, 0600) != 0 || ::ftruncate(fd_, static_cast<off_t>(size_)) != 0)
            return false;
        if (encrypted_ > 0) {
            std::uint64_t restored = 0;
            FileSource source(content_.path(), encrypted_);
            Overwrite plain(*this, restored);
            engine.decryptStream(source, plain, key);
            encrypted_ = 0;
        }
        return true;
    } catch (...) {
        // Part of it may be plain again and part not.
        damaged_ = true;
        return false;
    }
}

}  // namespace veilcraft
