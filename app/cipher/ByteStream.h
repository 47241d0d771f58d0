#pragma once

#include <cstddef>
#include <cstdint>

namespace veilcraft {

// Where a streaming engine reads its input: a known number of bytes, read in
// order. read() fills the whole buffer unless fewer bytes remain; a source
// that delivers less than it announced raises a CipherError.
class ByteSource {
public:
    virtual ~ByteSource() = default;
    [[nodiscard]] virtual std::uint64_t size() const = 0;
    virtual std::size_t read(std::uint8_t* buffer, std::size_t length) = 0;
};

// Where a streaming engine writes its output, in order.
class ByteSink {
public:
    virtual ~ByteSink() = default;
    virtual void write(const std::uint8_t* data, std::size_t length) = 0;
};

// The chunk size of every streaming file operation: memory use is a small
// multiple of it, whatever the file size. 64 KiB keeps a chunk in the
// processor cache between reading, the cipher and writing, which makes the
// kernel's copies markedly cheaper than with larger chunks.
inline constexpr std::size_t kStreamChunkSize = std::size_t{64} << 10;

}  // namespace veilcraft
