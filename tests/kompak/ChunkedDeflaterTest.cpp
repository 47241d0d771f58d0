// Chunks deflated one at a time must join into one valid deflate stream
// that inflates to exactly what was fed, whatever bit each chunk's last
// block ends on and whether a chunk was deflated or stored.
#include "ChunkedDeflater.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <zlib.h>

#include <string>
#include <vector>

namespace {

using veilcraft::kompak::detail::ChunkedDeflater;
using veilcraft::kompak::detail::LooksIncompressible;
using veilcraft::test::randomBytes;

std::string inflateRaw(const std::vector<unsigned char>& packed)
{
    z_stream stream{};
    EXPECT_EQ(inflateInit2(&stream, -MAX_WBITS), Z_OK);
    stream.next_in = const_cast<Bytef*>(packed.data());
    stream.avail_in = static_cast<uInt>(packed.size());
    std::string out;
    int status = Z_OK;
    while (status == Z_OK) {
        char chunk[1 << 16];
        stream.next_out = reinterpret_cast<Bytef*>(chunk);
        stream.avail_out = sizeof chunk;
        status = inflate(&stream, Z_NO_FLUSH);
        out.append(chunk, sizeof chunk - stream.avail_out);
    }
    EXPECT_EQ(status, Z_STREAM_END);
    EXPECT_EQ(stream.avail_in, 0u) << "bytes after the end of the stream";
    inflateEnd(&stream);
    return out;
}

TEST(ChunkedDeflater, ChunksOfEveryKindJoinIntoOneStream)
{
    std::vector<std::string> chunks;
    for (int i = 0; i < 6; ++i) {
        std::string text;
        while (text.size() < 100'000u + static_cast<std::size_t>(i) * 777)
            text += "line " + std::to_string(text.size() * (i + 3)) + " of a text that repeats itself\n";
        chunks.push_back(text);
    }
    chunks.insert(chunks.begin() + 2, randomBytes(200'000, 5));
    chunks.push_back("a");
    chunks.push_back(randomBytes(70'000, 6));  // stored in more than one block
    ASSERT_TRUE(LooksIncompressible(reinterpret_cast<const unsigned char*>(chunks[2].data()), chunks[2].size()));

    ChunkedDeflater deflater(Z_DEFAULT_COMPRESSION);
    ASSERT_TRUE(deflater.ok());
    std::vector<unsigned char> packed;
    const auto keep = [&packed](const unsigned char* data, std::size_t size) {
        packed.insert(packed.end(), data, data + size);
        return true;
    };
    std::string whole;
    for (const std::string& chunk : chunks) {
        ASSERT_TRUE(deflater.feed(reinterpret_cast<const unsigned char*>(chunk.data()), chunk.size(), keep));
        whole += chunk;
    }
    ASSERT_TRUE(deflater.finish(keep));
    EXPECT_LT(packed.size(), whole.size());
    EXPECT_EQ(inflateRaw(packed), whole);
}

}  // namespace
