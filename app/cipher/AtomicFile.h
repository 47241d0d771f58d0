#pragma once

#include "BackgroundWriter.h"
#include "ByteStream.h"

#include <memory>
#include <string>

namespace veilcraft {

// Writes a file so that it appears complete or not at all: the bytes go to a
// uniquely named temporary file in the target's folder, and commit() renames
// it over the target. Destroying an uncommitted AtomicFile removes the
// temporary file, so a failure, a full disk or an exception leaves the target
// as it was. The target may be the file that is being read: it is replaced
// only at commit().
class AtomicFile final : public ByteSink {
public:
    enum class Durability {
        // fsync the file and its folder before and after the rename only when
        // an existing file is replaced.
        WhenReplacing,
        // Always fsync: the caller is about to delete the data's only other copy.
        Always,
        // Never fsync: a work file removed at the end of the run, such as a
        // decrypted archive being read. Flushing it would only put plaintext
        // on the disk sooner, at the cost of a disk write of its whole size.
        Never,
    };

    // Throws CipherError naming the target and the cause when the temporary
    // file cannot be created (missing or unwritable folder). `mode` is the
    // new target's permission bits before the umask; the file is private
    // until commit().
    explicit AtomicFile(std::string target, int mode = 0666);
    ~AtomicFile() override;
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;

    void write(const std::uint8_t* data, std::size_t length) override;
    void commit(Durability durability = Durability::WhenReplacing);

    [[nodiscard]] const std::string& target() const { return target_; }

private:
    void discard() noexcept;

    std::string target_;
    std::string temporary_;
    int mode_;
    int fd_ = -1;
    std::unique_ptr<BackgroundWriter> writer_;
};

// fsync of a folder, so that a rename or an unlink in it is on disk.
void syncFolderOf(const std::string& path);

// Finishes a private file written in the target's folder: gives it the
// permissions of the file it replaces, or `mode` less the umask for a new
// one, flushes it as `durability` asks, closes `fd` (always) and renames the
// file to `target`. Throws CipherError naming the target; the file is then
// still under `temporary`.
void commitTemporary(int fd, const std::string& temporary, const std::string& target, int mode,
                     AtomicFile::Durability durability);

}  // namespace veilcraft
