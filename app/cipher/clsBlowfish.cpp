#include "clsBlowfish.h"

#include "CipherError.h"
#include "ProgressMeter.h"

#include <sys/random.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <vector>

namespace veilcraft {

namespace {

using blowfish::Tables;

constexpr std::size_t kBlock = 8;
constexpr std::size_t kHeader = 12;  // random prefix (8) + size descriptor (4)
constexpr std::int64_t kMinOverhead = 12;
constexpr std::int64_t kMaxOverhead = 19;

// Chunks hold whole blocks, and the first one at least the two blocks that
// carry the size descriptor.
static_assert(kStreamChunkSize % kBlock == 0 && kStreamChunkSize >= 2 * kBlock);

// The unkeyed tables. The 1024 pi words are dealt out round-robin over the
// four boxes, Box[i][j] = word 4*j + i, not box after box as in the
// published cipher; stored data depends on this layout.
const Tables& initialTables()
{
    static const Tables tables = [] {
        Tables t{};
        t.p = blowfish::kInitialP;
        for (std::size_t j = 0; j < blowfish::kBoxEntries; ++j)
            for (std::size_t i = 0; i < blowfish::kBoxes; ++i)
                t.box[i][j] = blowfish::kInitialBoxWords[4 * j + i];
        return t;
    }();
    return tables;
}

inline std::uint32_t loadWordBE(const std::uint8_t* at)
{
    std::uint32_t word;
    std::memcpy(&word, at, sizeof word);
    return __builtin_bswap32(word);
}

inline void storeWordBE(std::uint8_t* at, std::uint32_t word)
{
    word = __builtin_bswap32(word);
    std::memcpy(at, &word, sizeof word);
}

inline std::uint32_t loadWordLE(const std::uint8_t* at)
{
    return static_cast<std::uint32_t>(at[0]) | static_cast<std::uint32_t>(at[1]) << 8 |
           static_cast<std::uint32_t>(at[2]) << 16 | static_cast<std::uint32_t>(at[3]) << 24;
}

inline void storeWordLE(std::uint8_t* at, std::uint32_t word)
{
    at[0] = static_cast<std::uint8_t>(word);
    at[1] = static_cast<std::uint8_t>(word >> 8);
    at[2] = static_cast<std::uint8_t>(word >> 16);
    at[3] = static_cast<std::uint8_t>(word >> 24);
}

// The round function. Box 0 takes the least significant byte (the published
// cipher gives its first box the most significant one).
[[gnu::always_inline]] inline std::uint32_t roundF(const Tables& t, std::uint32_t x)
{
    return ((t.box[0][x & 0xFF] + t.box[1][(x >> 8) & 0xFF]) ^ t.box[2][(x >> 16) & 0xFF]) + t.box[3][x >> 24];
}

// Pins a value so that the compiler cannot reassociate the XOR chain around
// it: the half computed from P (and, in the first round, the chaining value)
// is ready while F's lookups are under way, and F's result meets one XOR.
[[gnu::always_inline]] inline std::uint32_t settled(std::uint32_t x)
{
    asm("" : "+r"(x));
    return x;
}

// The 16 rounds: for r = 0..7, L ^= P[2r]; R ^= F(L) ^ P[2r+1]; L ^= F(R);
// then (L, R) = (R ^ P[17], L ^ P[16]). Each P word is XORed in ahead of the
// F it meets, so that one XOR follows each table lookup on the critical path.
[[gnu::always_inline]] inline void encryptBlock(const Tables& t, std::uint32_t& left, std::uint32_t& right)
{
    std::uint32_t l = left ^ t.p[0];
    std::uint32_t r = right;
#pragma GCC unroll 8
    for (int round = 0; round < 8; ++round) {
        r = settled(r ^ t.p[2 * round + 1]) ^ roundF(t, l);
        l = settled(l ^ t.p[2 * round + 2]) ^ roundF(t, r);
    }
    left = r ^ t.p[17];
    right = l;
}

// The exact inverse of encryptBlock, on `lanes` independent blocks at once:
// CBC decryption has no dependency between blocks, and interleaving their
// rounds keeps several table lookups in flight.
template <std::size_t lanes>
[[gnu::always_inline]] inline void decryptBlocksInterleaved(const Tables& t, std::uint32_t* left, std::uint32_t* right)
{
    std::uint32_t l[lanes];
    std::uint32_t r[lanes];
#pragma GCC unroll 8
    for (std::size_t k = 0; k < lanes; ++k) {
        l[k] = right[k];
        r[k] = left[k] ^ t.p[17];
    }
#pragma GCC unroll 8
    for (int round = 7; round >= 0; --round) {
#pragma GCC unroll 8
        for (std::size_t k = 0; k < lanes; ++k)
            l[k] = (l[k] ^ t.p[2 * round + 2]) ^ roundF(t, r[k]);
#pragma GCC unroll 8
        for (std::size_t k = 0; k < lanes; ++k)
            r[k] = (r[k] ^ t.p[2 * round + 1]) ^ roundF(t, l[k]);
    }
#pragma GCC unroll 8
    for (std::size_t k = 0; k < lanes; ++k) {
        left[k] = l[k] ^ t.p[0];
        right[k] = r[k];
    }
}

// The CBC chaining value: the previous ciphertext block.
struct Chain {
    std::uint32_t l = 0;
    std::uint32_t r = 0;
};

void encryptBlocks(const Tables& t, std::uint8_t* data, std::size_t length, Chain& chain)
{
    std::uint32_t cl = chain.l;
    std::uint32_t cr = chain.r;
    for (std::size_t o = 0; o < length; o += kBlock) {
        std::uint32_t l = loadWordBE(data + o) ^ cl;
        std::uint32_t r = loadWordBE(data + o + 4) ^ cr;
        encryptBlock(t, l, r);
        storeWordBE(data + o, l);
        storeWordBE(data + o + 4, r);
        cl = l;
        cr = r;
    }
    chain = {cl, cr};
}

void writeHeader(std::uint8_t* at, const std::array<std::uint8_t, 8>& prefix, std::uint64_t dataSize)
{
    std::copy(prefix.begin(), prefix.end(), at);
    storeWordLE(at + 8, static_cast<std::uint32_t>(dataSize));
}

// CBC encryption of a buffer that still holds the bare data at its start
// (zeros after it up to the padded size), producing in place the ciphertext
// of header + data + padding without first moving the data up by 12 bytes.
// The plaintext words run prefix, prefix, N, data word 0, 1, ...; block k
// encrypts words 2k and 2k+1, which are behind the block in the buffer and
// may already be overwritten, so the three words due next are kept here and
// each block first takes the two data words it is about to overwrite.
class ShiftedEncryption {
public:
    ShiftedEncryption(const std::array<std::uint8_t, 8>& prefix, std::uint32_t dataSize)
    {
        std::uint8_t header[kHeader];
        writeHeader(header, prefix, dataSize);
        due_[0] = loadWordBE(header);
        due_[1] = loadWordBE(header + 4);
        due_[2] = loadWordBE(header + 8);
    }

    // Encrypts blocks [from, to) of the buffer at `data`, in order.
    void run(const Tables& t, std::uint8_t* data, std::uint64_t from, std::uint64_t to)
    {
        std::uint32_t a = due_[0];
        std::uint32_t b = due_[1];
        std::uint32_t c = due_[2];
        std::uint32_t cl = chain_.l;
        std::uint32_t cr = chain_.r;
        for (std::uint64_t o = from; o < to; o += kBlock) {
            const std::uint32_t next1 = loadWordBE(data + o);
            const std::uint32_t next2 = loadWordBE(data + o + 4);
            std::uint32_t l = a ^ cl;
            std::uint32_t r = b ^ cr;
            encryptBlock(t, l, r);
            storeWordBE(data + o, l);
            storeWordBE(data + o + 4, r);
            cl = l;
            cr = r;
            a = c;
            b = next1;
            c = next2;
        }
        due_[0] = a;
        due_[1] = b;
        due_[2] = c;
        chain_ = {cl, cr};
    }

private:
    std::uint32_t due_[3] = {};
    Chain chain_;
};

void decryptBlocks(const Tables& t, std::uint8_t* data, std::size_t length, Chain& chain)
{
    constexpr std::size_t kLanes = 4;
    std::uint32_t cl = chain.l;
    std::uint32_t cr = chain.r;
    std::size_t o = 0;
    for (; o + kLanes * kBlock <= length; o += kLanes * kBlock) {
        std::uint32_t cipherL[kLanes];
        std::uint32_t cipherR[kLanes];
        std::uint32_t l[kLanes];
        std::uint32_t r[kLanes];
        for (std::size_t k = 0; k < kLanes; ++k) {
            l[k] = cipherL[k] = loadWordBE(data + o + k * kBlock);
            r[k] = cipherR[k] = loadWordBE(data + o + k * kBlock + 4);
        }
        decryptBlocksInterleaved<kLanes>(t, l, r);
        for (std::size_t k = 0; k < kLanes; ++k) {
            storeWordBE(data + o + k * kBlock, l[k] ^ cl);
            storeWordBE(data + o + k * kBlock + 4, r[k] ^ cr);
            cl = cipherL[k];
            cr = cipherR[k];
        }
    }
    for (; o < length; o += kBlock) {
        const std::uint32_t c1 = loadWordBE(data + o);
        const std::uint32_t c2 = loadWordBE(data + o + 4);
        std::uint32_t l = c1;
        std::uint32_t r = c2;
        decryptBlocksInterleaved<1>(t, &l, &r);
        storeWordBE(data + o, l ^ cl);
        storeWordBE(data + o + 4, r ^ cr);
        cl = c1;
        cr = c2;
    }
    chain = {cl, cr};
}

// Walks the block offsets start, start+8, ... below end as a block-by-block
// loop would, raising Progress after every block that reaches the meter's
// next threshold. The blocks in between are handed to process(from, to) in
// whole runs, so the per-block cost is the cipher alone. With a process that
// does nothing this raises the events of blocks that are skipped.
template <class Process>
void walkBlocks(ProgressMeter& meter, std::uint64_t start, std::uint64_t end, Process&& process)
{
    std::uint64_t o = start;
    while (o < end) {
        const std::uint64_t threshold = meter.next();
        const std::uint64_t hit = threshold <= o ? o : o + (threshold - o + kBlock - 1) / kBlock * kBlock;
        if (hit >= end) {
            process(o, end);
            return;
        }
        process(o, hit + kBlock);
        meter.after(hit);
        o = hit + kBlock;
    }
}

void raiseSkipped(ProgressMeter& meter, std::uint64_t start, std::uint64_t end)
{
    walkBlocks(meter, start, end, [](std::uint64_t, std::uint64_t) {});
}

[[noreturn]] void throwIndexError()
{
    throw CipherError(kIndexErrorCode, kMsgSubscriptOutOfRange);
}

[[noreturn]] void throwBadSizeDescriptor()
{
    throw CipherError(kCipherErrorCode, kMsgBadSizeDescriptor);
}

void checkEncryptable(std::uint64_t size)
{
    if (size > clsBlowfish::kMaxDataSize)
        throw CipherError("The data is too large for Blowfish encryption (" + std::to_string(size) +
                          " bytes; at most " + std::to_string(clsBlowfish::kMaxDataSize) + ").");
}

std::uint64_t paddedSize(std::uint64_t dataSize)
{
    return (dataSize + kHeader + kBlock - 1) / kBlock * kBlock;
}

// Whole blocks, at least the header: anything else stops the block loop or
// the descriptor read with an index error.
bool decryptableLength(std::uint64_t size)
{
    return size % kBlock == 0 && size >= kHeader;
}

// The descriptor is read as a signed value. A negative one can still pass
// the distance test on short input; it is as wrong as any other.
bool validSizeDescriptor(std::uint64_t totalSize, std::int32_t dataSize)
{
    if (dataSize < 0)
        return false;
    const std::int64_t overhead = static_cast<std::int64_t>(totalSize) - dataSize;
    return overhead >= kMinOverhead && overhead <= kMaxOverhead;
}

void readExactly(ByteSource& source, std::uint8_t* buffer, std::size_t length)
{
    while (length > 0) {
        const std::size_t got = source.read(buffer, length);
        if (got == 0)
            throw CipherError("The input ended before its announced size.");
        buffer += got;
        length -= got;
    }
}

std::array<std::uint8_t, 8> systemRandomPrefix()
{
    std::uint32_t values[2];
    auto* bytes = reinterpret_cast<std::uint8_t*>(values);
    std::size_t filled = 0;
    while (filled < sizeof values) {
        const ssize_t got = ::getrandom(bytes + filled, sizeof values - filled, 0);
        if (got < 0) {
            if (errno == EINTR)
                continue;
            throw CipherError(std::string("No random data for the Blowfish prefix: ") + std::strerror(errno));
        }
        filled += static_cast<std::size_t>(got);
    }
    // Two values in 0..2^31-1, little-endian.
    std::array<std::uint8_t, 8> prefix{};
    storeWordLE(prefix.data(), values[0] & 0x7FFFFFFFu);
    storeWordLE(prefix.data() + 4, values[1] & 0x7FFFFFFFu);
    return prefix;
}

}  // namespace

clsBlowfish::clsBlowfish(PrefixSource prefixSource)
    : tables_(initialTables()), prefixSource_(std::move(prefixSource))
{
    if (!prefixSource_)
        prefixSource_ = systemRandomPrefix;
}

void clsBlowfish::setKey(std::string_view newValue)
{
    if (newValue == key_)
        return;
    key_.assign(newValue);
    tables_ = initialTables();
    if (key_.empty())
        return;  // a new instance's tables: nothing to mix in

    // Key bytes are packed with the engine's own rule: shifting a word left
    // keeps its low byte, so each byte of D is the OR of the key bytes so far.
    const std::size_t n = key_.size();
    std::size_t j = 0;
    for (std::uint32_t& word : tables_.p) {
        std::uint32_t d = 0;
        for (int step = 0; step < 4; ++step) {
            d = (d << 8) | (d & 0xFF);
            d |= static_cast<std::uint8_t>(key_[j]);
            j = (j + 1) % n;
        }
        word ^= d;
    }

    std::uint32_t l = 0;
    std::uint32_t r = 0;
    for (std::size_t i = 0; i < blowfish::kPWords; i += 2) {
        encryptBlock(tables_, l, r);
        tables_.p[i] = l;
        tables_.p[i + 1] = r;
    }
    for (auto& box : tables_.box) {
        for (std::size_t entry = 0; entry < blowfish::kBoxEntries; entry += 2) {
            encryptBlock(tables_, l, r);
            box[entry] = l;
            box[entry + 1] = r;
        }
    }
    ++keyScheduleRuns_;
}

void clsBlowfish::useKey(std::string_view key)
{
    if (!key.empty())
        setKey(key);
}

void clsBlowfish::EncryptByte(ByteArray& bytes, std::string_view key)
{
    useKey(key);
    const std::size_t dataSize = bytes.size();
    checkEncryptable(dataSize);
    const std::size_t total = paddedSize(dataSize);
    const auto prefix = prefixSource_();

    // Growing zero-fills the tail, which is the padding; the data moves into
    // its place behind the header as the blocks are encrypted.
    bytes.reserve(total);
    bytes.resize(total);
    ProgressMeter meter(Progress(), total);
    ShiftedEncryption encryption(prefix, static_cast<std::uint32_t>(dataSize));
    walkBlocks(meter, 0, total, [&](std::uint64_t from, std::uint64_t to) {
        encryption.run(tables_, bytes.data(), from, to);
    });
    meter.finish();
}

void clsBlowfish::DecryptByte(ByteArray& bytes, std::string_view key)
{
    useKey(key);
    const std::size_t total = bytes.size();
    ProgressMeter meter(Progress(), total);
    if (!decryptableLength(total)) {
        // The block loop would report its whole blocks and then fail; the
        // buffer is left as it was.
        raiseSkipped(meter, 0, total / kBlock * kBlock);
        throwIndexError();
    }

    Chain chain;
    walkBlocks(meter, 0, total, [&](std::uint64_t from, std::uint64_t to) {
        decryptBlocks(tables_, bytes.data() + from, to - from, chain);
    });

    const auto dataSize = static_cast<std::int32_t>(loadWordLE(bytes.data() + 8));
    if (!validSizeDescriptor(total, dataSize))
        throwBadSizeDescriptor();  // the buffer keeps the raw decryption

    const auto size = static_cast<std::size_t>(dataSize);
    std::memmove(bytes.data(), bytes.data() + kHeader, size);
    bytes.resize(size);
    meter.finish();
}

void clsBlowfish::encryptStream(ByteSource& source, ByteSink& sink, std::string_view key)
{
    useKey(key);
    const std::uint64_t dataSize = source.size();
    checkEncryptable(dataSize);
    const std::uint64_t total = paddedSize(dataSize);
    const auto prefix = prefixSource_();

    // The output is the plaintext layout encrypted chunk by chunk: the first
    // chunk starts with the header, the last ends with the padding. Chunks
    // hold whole blocks, so the chaining value carries straight over.
    std::vector<std::uint8_t> buffer(static_cast<std::size_t>(std::min<std::uint64_t>(total, kStreamChunkSize)));
    writeHeader(buffer.data(), prefix, dataSize);
    std::size_t filled = kHeader;
    std::uint64_t dataRead = 0;
    std::uint64_t base = 0;

    ProgressMeter meter(Progress(), total);
    Chain chain;
    while (base < total) {
        const auto take =
            static_cast<std::size_t>(std::min<std::uint64_t>(dataSize - dataRead, buffer.size() - filled));
        readExactly(source, buffer.data() + filled, take);
        dataRead += take;
        filled += take;
        std::size_t length = filled;
        if (dataRead == dataSize) {
            // Zero padding; a chunk that ends the data exactly at its end
            // is already whole blocks, so this never outgrows the buffer.
            length = static_cast<std::size_t>(total - base);
            std::fill(buffer.begin() + static_cast<std::ptrdiff_t>(filled),
                      buffer.begin() + static_cast<std::ptrdiff_t>(length), std::uint8_t{0});
        }
        walkBlocks(meter, base, base + length, [&](std::uint64_t from, std::uint64_t to) {
            encryptBlocks(tables_, buffer.data() + (from - base), to - from, chain);
        });
        sink.write(buffer.data(), length);
        base += length;
        filled = 0;
    }
    meter.finish();
}

void clsBlowfish::decryptStream(ByteSource& source, ByteSink& sink, std::string_view key)
{
    useKey(key);
    const std::uint64_t total = source.size();
    ProgressMeter meter(Progress(), total);
    if (!decryptableLength(total)) {
        raiseSkipped(meter, 0, total / kBlock * kBlock);
        throwIndexError();
    }

    std::vector<std::uint8_t> buffer(static_cast<std::size_t>(std::min<std::uint64_t>(total, kStreamChunkSize)));
    std::uint64_t base = 0;  // stream offset of buffer[0]
    Chain chain;
    const auto decrypt = [&](std::uint64_t from, std::uint64_t to) {
        decryptBlocks(tables_, buffer.data() + (from - base), to - from, chain);
    };

    // The first two blocks hold the size descriptor. When it is wrong, the
    // rest is not worth reading: report what the block loop would have
    // reported and stop before anything reaches the sink.
    auto length = static_cast<std::size_t>(std::min<std::uint64_t>(total, buffer.size()));
    readExactly(source, buffer.data(), length);
    constexpr std::uint64_t kDescriptorEnd = 2 * kBlock;
    walkBlocks(meter, 0, kDescriptorEnd, decrypt);
    const auto dataSize = static_cast<std::int32_t>(loadWordLE(buffer.data() + 8));
    if (!validSizeDescriptor(total, dataSize)) {
        meter.skipThrough(kDescriptorEnd, kBlock);
        throwBadSizeDescriptor();
    }

    // Output is plaintext bytes 12 .. 12+N-1.
    const std::uint64_t outEnd = kHeader + static_cast<std::uint64_t>(dataSize);
    std::uint64_t from = kDescriptorEnd;
    for (;;) {
        walkBlocks(meter, from, base + length, decrypt);
        const std::uint64_t first = std::max<std::uint64_t>(base, kHeader);
        const std::uint64_t last = std::min<std::uint64_t>(base + length, outEnd);
        if (first < last)
            sink.write(buffer.data() + (first - base), static_cast<std::size_t>(last - first));
        base += length;
        if (base >= total)
            break;
        length = static_cast<std::size_t>(std::min<std::uint64_t>(total - base, buffer.size()));
        readExactly(source, buffer.data(), length);
        from = base;
    }
    meter.finish();
}

}  // namespace veilcraft
