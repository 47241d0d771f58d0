#include "VkfContainer.h"

#include "CipherError.h"
#include "FileSource.h"
#include "Latin1.h"
#include "PathText.h"

#include <charconv>

namespace veilcraft::vkf {

std::optional<int> Trailer::cipherNumber() const
{
    std::string_view field = cipherField;
    while (!field.empty() && field.front() == ' ')
        field.remove_prefix(1);
    while (!field.empty() && field.back() == ' ')
        field.remove_suffix(1);
    int value = 0;
    const auto [end, error] = std::from_chars(field.data(), field.data() + field.size(), value);
    if (field.empty() || error != std::errc() || end != field.data() + field.size())
        return std::nullopt;
    return value;
}

TrailerBytes encodeTrailer(std::string_view contentType, int cipherNumber)
{
    TrailerBytes bytes;
    bytes.fill(' ');
    for (std::size_t i = 0; i < 4 && i < contentType.size(); ++i)
        bytes[i] = static_cast<std::uint8_t>(contentType[i]);
    const std::string number = std::to_string(cipherNumber);
    for (std::size_t i = 0; i < 3 && i < number.size(); ++i)
        bytes[4 + i] = static_cast<std::uint8_t>(number[i]);
    bytes[7] = 0xFF;
    bytes[8] = 0xFF;
    return bytes;
}

bool isEncryptedName(std::string_view path)
{
    return path.size() >= kExtension.size() && path.substr(path.size() - kExtension.size()) == kExtension;
}

std::optional<std::string> contentTypeOf(std::string_view sourcePath)
{
    return utf8ToLatin1(lastCharacters(sourcePath, 4));
}

std::string encryptedFileName(std::string_view sourceFileName)
{
    const auto dot = sourceFileName.find('.');
    if (dot == std::string_view::npos)
        return std::string(sourceFileName) + ".vkf";
    return std::string(sourceFileName.substr(0, dot + 1)) + "vkf";
}

void writeContainer(CipherEngine& engine, const std::string& contentFile, const std::string& outPath,
                    std::string_view key, const TrailerBytes& trailer, AtomicFile::Durability durability)
{
    FileSource source(contentFile);
    if (source.size() == 0)
        throw CipherError("the file is empty; there is nothing to encrypt");
    AtomicFile out(outPath);
    engine.encryptStream(source, out, key);
    out.write(trailer.data(), trailer.size());
    out.commit(durability);
}

ContainerInfo readContainer(const std::string& path)
{
    FileSource file(path);
    if (file.size() < kTrailerSize)
        throw CipherError("the file is too short to be an encrypted file (" + std::to_string(file.size()) +
                          " bytes)");
    ContainerInfo info;
    info.payloadLength = file.size() - kTrailerSize;
    std::uint8_t bytes[kTrailerSize];
    file.readAt(info.payloadLength, bytes, kTrailerSize);
    info.trailer.contentType.assign(bytes, bytes + 4);
    info.trailer.cipherField.assign(bytes + 4, bytes + 7);
    return info;
}

void decryptPayload(CipherEngine& engine, const std::string& containerPath, const ContainerInfo& info,
                    const std::string& target, std::string_view key, AtomicFile::Durability durability, int mode)
{
    if (info.payloadLength == 0)
        throw CipherError("the file holds no encrypted data");
    FileSource payload(containerPath, info.payloadLength);
    AtomicFile out(target, mode);
    engine.decryptStream(payload, out, key);
    out.commit(durability);
}

}  // namespace veilcraft::vkf
