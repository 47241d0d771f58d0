#pragma once

#include "BackgroundReader.h"
#include "ByteStream.h"

#include <memory>
#include <string>

namespace veilcraft {

// Reads a regular file, or only its first `limit` bytes, as a ByteSource.
// The size is taken when the file is opened; a file that shrinks while it is
// read is reported instead of yielding short output. A large file read from
// its start is read ahead on a second thread.
class FileSource final : public ByteSource {
public:
    // Throws CipherError naming the path and the cause when the file cannot be opened.
    explicit FileSource(const std::string& path, std::uint64_t limit = UINT64_MAX);
    ~FileSource() override;
    FileSource(const FileSource&) = delete;
    FileSource& operator=(const FileSource&) = delete;

    [[nodiscard]] std::uint64_t size() const override { return size_; }
    std::size_t read(std::uint8_t* buffer, std::size_t length) override;

    // Reads `length` bytes at `offset` without moving the stream position.
    void readAt(std::uint64_t offset, std::uint8_t* buffer, std::size_t length) const;

private:
    std::string path_;
    int fd_ = -1;
    std::uint64_t size_ = 0;
    std::uint64_t position_ = 0;
    std::unique_ptr<BackgroundReader> ahead_;
};

}  // namespace veilcraft
