// The container reader on any file: the trailer is split off as stored, its
// cipher number survives being written again, and a small payload decrypts
// and encrypts back to the very same file.

#include "CipherError.h"
#include "FuzzScratch.h"
#include "VkfContainer.h"
#include "clsRC4.h"

#include <algorithm>
#include <cstring>

using namespace veilcraft;

namespace {

// Decryption and re-encryption run for payloads up to this size: enough to
// cross the engine's chunks a few times without slowing the fuzzer down.
constexpr std::size_t kLongestRoundTrip = 4096;

void checkCipherNumber(const vkf::Trailer& trailer)
{
    const std::optional<int> number = trailer.cipherNumber();
    if (!number || *number < 0)
        return;
    // A number read from the field is written back as the same number.
    const vkf::TrailerBytes again = vkf::encodeTrailer(trailer.contentType, *number);
    vkf::Trailer reread;
    reread.contentType.assign(again.begin(), again.begin() + 4);
    reread.cipherField.assign(again.begin() + 4, again.begin() + 7);
    if (reread.cipherNumber() != number || reread.contentType != trailer.contentType)
        fuzz::fail("a cipher number does not survive encodeTrailer");
}

void checkRoundTrip(const std::string& container, const vkf::ContainerInfo& info, const std::uint8_t* data,
                    std::size_t size)
{
    const std::string plain = fuzz::scratchFolder() / "plain";
    const std::string again = fuzz::scratchFolder() / "again.vkf";
    clsRC4 engine;
    vkf::decryptPayload(engine, container, info, plain, "fuzz key", AtomicFile::Durability::WhenReplacing, 0600);
    if (fuzz::readFile(plain).size() != info.payloadLength)
        fuzz::fail("the decrypted payload has another length than the payload");
    vkf::TrailerBytes trailer;
    std::copy(data + size - vkf::kTrailerSize, data + size, trailer.begin());
    clsRC4 other;
    vkf::writeContainer(other, plain, again, "fuzz key", trailer);
    const std::string written = fuzz::readFile(again);
    if (written.size() != size || std::memcmp(written.data(), data, size) != 0)
        fuzz::fail("decrypting and encrypting again does not give back the container");
    // New targets each time: replacing a file would sync it to the disk.
    std::filesystem::remove(plain);
    std::filesystem::remove(again);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string container = fuzz::scratchFolder() / "input.vkf";
    fuzz::writeFile(container, data, size);
    vkf::ContainerInfo info;
    try {
        info = vkf::readContainer(container);
    } catch (const CipherError&) {
        if (size >= vkf::kTrailerSize)
            fuzz::fail("a file long enough for a trailer was refused");
        return 0;
    }
    if (size < vkf::kTrailerSize)
        fuzz::fail("a file shorter than a trailer was read");
    if (info.payloadLength != size - vkf::kTrailerSize)
        fuzz::fail("wrong payload length");
    const std::uint8_t* trailer = data + info.payloadLength;
    if (info.trailer.contentType != std::string(trailer, trailer + 4) ||
        info.trailer.cipherField != std::string(trailer + 4, trailer + 7))
        fuzz::fail("the trailer fields are not the stored bytes");
    if (info.trailer.isArchive() != (std::memcmp(trailer, ".zip", 4) == 0))
        fuzz::fail("isArchive disagrees with the content type");
    checkCipherNumber(info.trailer);
    if (info.payloadLength > 0 && info.payloadLength <= kLongestRoundTrip)
        checkRoundTrip(container, info, data, size);
    return 0;
}
