#include "CipherEngine.h"

#include "AtomicFile.h"
#include "CipherError.h"
#include "FileSource.h"

#include <sys/stat.h>

namespace veilcraft {

namespace {

ByteArray toBytes(std::string_view text)
{
    return ByteArray(text.begin(), text.end());
}

std::string toText(const ByteArray& bytes)
{
    return std::string(bytes.begin(), bytes.end());
}

}  // namespace

std::string CipherEngine::EncryptString(std::string_view text, std::string_view key)
{
    ByteArray bytes = toBytes(text);
    EncryptByte(bytes, key);
    return toText(bytes);
}

std::string CipherEngine::DecryptString(std::string_view text, std::string_view key)
{
    ByteArray bytes = toBytes(text);
    DecryptByte(bytes, key);
    return toText(bytes);
}

void CipherEngine::EncryptFile(const std::string& sourceFile, const std::string& destFile, std::string_view key)
{
    transformFile(Direction::Encrypt, sourceFile, destFile, key);
}

void CipherEngine::DecryptFile(const std::string& sourceFile, const std::string& destFile, std::string_view key)
{
    transformFile(Direction::Decrypt, sourceFile, destFile, key);
}

void CipherEngine::transformFile(Direction direction, const std::string& sourceFile, const std::string& destFile,
                                 std::string_view key)
{
    struct stat info {};
    if (::stat(sourceFile.c_str(), &info) != 0)
        throw CipherError(kMsgSourceMissing);
    FileSource source(sourceFile);
    if (source.size() == 0)
        throw CipherError("The file " + sourceFile + " is empty; there is nothing to process.");
    AtomicFile dest(destFile);
    if (direction == Direction::Encrypt)
        encryptStream(source, dest, key);
    else
        decryptStream(source, dest, key);
    dest.commit();
}

}  // namespace veilcraft
