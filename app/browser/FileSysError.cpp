#include "FileSysError.h"

#include <cerrno>

namespace veilcraft {

namespace {

std::string describe(const QString& action, const QString& path, std::error_code cause, const QString& reason)
{
    const std::string head = (action + QLatin1Char(' ') + path + QLatin1String(": ")).toStdString();
    if (reason.isEmpty())
        return head + cause.message();
    return head + reason.toStdString() + " (" + cause.message() + ")";
}

} // namespace

FileSysError::FileSysError(const QString& action, const QString& path, std::error_code cause, const QString& reason)
    : std::runtime_error(describe(action, path, cause, reason)), path_(path), cause_(cause)
{
}

FileSysError FileSysError::fromErrno(const QString& action, const QString& path)
{
    return FileSysError(action, path, errnoCode(errno));
}

} // namespace veilcraft
