#include "ChunkedDeflater.h"

#include <libdeflate.h>
#include <zlib.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <memory>

namespace veilcraft::kompak::detail {

namespace {

// Bits per byte above which data is worth a trial deflate to see whether
// it is incompressible; text and code stay well below.
constexpr double kEntropyThreshold = 7.9;
// The most a stored block holds.
constexpr std::size_t kStoredBlock = 65535;

double BitsPerByte(const unsigned char* data, std::size_t size)
{
    std::array<std::uint64_t, 256> counts{};
    for (std::size_t i = 0; i < size; ++i)
        ++counts[data[i]];
    double bits = 0;
    for (const std::uint64_t count : counts) {
        if (count == 0)
            continue;
        const double p = static_cast<double>(count) / static_cast<double>(size);
        bits -= p * std::log2(p);
    }
    return bits;
}

// Finds, in a complete raw deflate stream, the bit where its last block's
// header starts and the bit where the stream ends, by inflating it and
// stopping at every block boundary.
bool LocateLastBlock(const unsigned char* data, std::size_t size, std::uint64_t& lastHeader, std::uint64_t& end)
{
    z_stream stream{};
    if (inflateInit2(&stream, -MAX_WBITS) != Z_OK)
        return false;
    stream.next_in = const_cast<Bytef*>(data);
    stream.avail_in = static_cast<uInt>(size);
    thread_local std::array<unsigned char, 64 * 1024> scratch;
    const auto bitPosition = [&stream] { return stream.total_in * 8 - static_cast<unsigned>(stream.data_type & 7); };
    lastHeader = 0;
    bool found = false;
    for (;;) {
        stream.next_out = scratch.data();
        stream.avail_out = static_cast<uInt>(scratch.size());
        const int status = inflate(&stream, Z_BLOCK);
        if (status == Z_STREAM_END) {
            end = bitPosition();
            found = true;
            break;
        }
        if (status != Z_OK)
            break;
        // Stopped just after a block ended: after the final one (its header
        // was read) the stream ends here, after any other the next header
        // starts here.
        if ((stream.data_type & 128) != 0 && (stream.data_type & 64) != 0) {
            end = bitPosition();
            found = true;
            break;
        }
        if ((stream.data_type & 128) != 0)
            lastHeader = bitPosition();
    }
    inflateEnd(&stream);
    return found;
}

}  // namespace

bool LooksIncompressible(const unsigned char* data, std::size_t size)
{
    if (size == 0 || BitsPerByte(data, size) < kEntropyThreshold)
        return false;
    struct Free {
        void operator()(libdeflate_compressor* c) const { libdeflate_free_compressor(c); }
    };
    thread_local std::unique_ptr<libdeflate_compressor, Free> fast(libdeflate_alloc_compressor(1));
    thread_local std::vector<unsigned char> trial;
    if (!fast)
        return false;
    trial.resize(libdeflate_deflate_compress_bound(fast.get(), size));
    const std::size_t packed = libdeflate_deflate_compress(fast.get(), data, size, trial.data(), trial.size());
    return packed == 0 || packed > size - size / 200;
}

ChunkedDeflater::ChunkedDeflater(int level)
    : compressor_(libdeflate_alloc_compressor(level == Z_DEFAULT_COMPRESSION ? 6 : level))
{
}

ChunkedDeflater::~ChunkedDeflater() { libdeflate_free_compressor(compressor_); }

bool ChunkedDeflater::store(const unsigned char* data, std::size_t size, const ByteSink& sink)
{
    while (size > 0) {
        const std::size_t part = std::min(size, kStoredBlock);
        // Not final, type stored; the stream is at a byte boundary here.
        const unsigned char header[5] = {0, static_cast<unsigned char>(part & 0xFF),
                                         static_cast<unsigned char>(part >> 8),
                                         static_cast<unsigned char>(~part & 0xFF),
                                         static_cast<unsigned char>((~part >> 8) & 0xFF)};
        if (!sink(header, sizeof header) || !sink(data, part))
            return false;
        data += part;
        size -= part;
    }
    return true;
}

bool ChunkedDeflater::feed(const unsigned char* data, std::size_t size, const ByteSink& sink)
{
    if (compressor_ == nullptr)
        return false;
    if (size == 0)
        return true;
    if (LooksIncompressible(data, size))
        return store(data, size, sink);
    out_.resize(libdeflate_deflate_compress_bound(compressor_, size) + 5);
    const std::size_t packed = libdeflate_deflate_compress(compressor_, data, size, out_.data(), out_.size() - 5);
    std::uint64_t lastHeader = 0;
    std::uint64_t end = 0;
    if (packed == 0 || !LocateLastBlock(out_.data(), packed, lastHeader, end))
        return false;
    out_[lastHeader / 8] &= static_cast<unsigned char>(~(1U << (lastHeader % 8)));
    // An empty stored block, not final: three zero bits of header, padding to
    // the byte, then its length 0 and that length's complement.
    const std::uint64_t headerEnd = end + 3;
    const auto bytes = static_cast<std::size_t>((headerEnd + 7) / 8);
    out_.resize(std::max(out_.size(), bytes + 4));
    if (end % 8 != 0)
        out_[end / 8] &= static_cast<unsigned char>((1U << (end % 8)) - 1);
    for (std::size_t i = static_cast<std::size_t>((end + 7) / 8); i < bytes; ++i)
        out_[i] = 0;
    const unsigned char emptyLength[4] = {0, 0, 0xFF, 0xFF};
    std::copy(emptyLength, emptyLength + 4, out_.begin() + static_cast<std::ptrdiff_t>(bytes));
    return sink(out_.data(), bytes + 4);
}

bool ChunkedDeflater::finish(const ByteSink& sink)
{
    // An empty final stored block.
    const unsigned char last[5] = {1, 0, 0, 0xFF, 0xFF};
    return sink(last, sizeof last);
}

}  // namespace veilcraft::kompak::detail
