#pragma once

#include <cstddef>
#include <functional>
#include <vector>

struct libdeflate_compressor;

namespace veilcraft::kompak::detail {

using ByteSink = std::function<bool(const unsigned char*, std::size_t)>;

// One deflate stream made of chunks deflated one at a time, for data too
// large to deflate in one buffer. Each chunk is deflated whole (about twice
// as fast as zlib's stream at the same level) and joined to the stream
// without ending it: the final mark of its last block is cleared and an
// empty stored block brings the stream back to a byte boundary, as a sync
// flush does. A chunk that does not compress (packed or random data) goes
// into stored blocks without being searched for matches that are not there.
// The stream ends with an empty final stored block.
class ChunkedDeflater {
public:
    explicit ChunkedDeflater(int level);
    ~ChunkedDeflater();
    ChunkedDeflater(const ChunkedDeflater&) = delete;
    ChunkedDeflater& operator=(const ChunkedDeflater&) = delete;

    [[nodiscard]] bool ok() const { return compressor_ != nullptr; }
    bool feed(const unsigned char* data, std::size_t size, const ByteSink& sink);
    bool finish(const ByteSink& sink);

private:
    bool store(const unsigned char* data, std::size_t size, const ByteSink& sink);

    libdeflate_compressor* compressor_;
    std::vector<unsigned char> out_;
};

// True when `size` bytes would not shrink by deflating: their bytes are
// spread nearly evenly and a quick deflate gains less than half a percent.
bool LooksIncompressible(const unsigned char* data, std::size_t size);

}  // namespace veilcraft::kompak::detail
