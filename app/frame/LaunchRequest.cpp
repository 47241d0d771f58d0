#include "LaunchRequest.h"

#include "FolderHandle.h"

#include <filesystem>

namespace veilcraft {

namespace {

constexpr char kEncryptOption[] = "--encrypt";
constexpr char kDecryptOption[] = "--decrypt";

bool isFilesOption(const QByteArray& argument)
{
    return argument == kEncryptOption || argument == kDecryptOption;
}

QByteArray absolute(const QByteArray& path, const QByteArray& folder)
{
    if (path.isEmpty() || path.startsWith('/'))
        return path;
    return joinNative(folder, path);
}

}  // namespace

LaunchRequest LaunchRequest::fromArguments(const QList<QByteArray>& arguments)
{
    LaunchRequest request;
    if (arguments.isEmpty())
        return request;
    if (isFilesOption(arguments.front())) {
        request.kind = arguments.front() == kEncryptOption ? Kind::Encrypt : Kind::Decrypt;
        for (qsizetype i = 1; i < arguments.size(); ++i)
            request.files << displayPath(arguments[i]);
        return request;
    }
    // The archive's path is the whole text, as the shell passed it.
    QStringList texts;
    for (const QByteArray& argument : arguments)
        texts << QString::fromLocal8Bit(argument);
    request.archive = texts.join(' ');
    if (!request.archive.isEmpty())
        request.kind = Kind::Archive;
    return request;
}

QList<QByteArray> absoluteArguments(const QList<QByteArray>& arguments)
{
    std::error_code error;
    const std::filesystem::path current = std::filesystem::current_path(error);
    if (error || arguments.isEmpty())
        return arguments;
    const QByteArray folder = QByteArray::fromStdString(current.native());
    QList<QByteArray> result;
    if (!isFilesOption(arguments.front())) {
        // One path, whatever blanks split it into arguments.
        result << absolute(arguments.front(), folder);
        result.append(arguments.mid(1));
        return result;
    }
    result << arguments.front();
    for (qsizetype i = 1; i < arguments.size(); ++i)
        result << absolute(arguments[i], folder);
    return result;
}

}  // namespace veilcraft
