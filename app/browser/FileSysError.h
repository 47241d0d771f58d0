#pragma once

#include <QString>

#include <stdexcept>
#include <system_error>

namespace veilcraft {

// Every failure of the file-system service: what could not be done, the
// path it concerned and the operating system's cause (ENOENT for a missing
// path, EACCES for refused access, EBUSY for an item in use, ...).
// what() reads "<action> <path>: <cause>", or "<action> <path>: <reason>
// (<cause>)" where the service knows better than the cause's text.
class FileSysError : public std::runtime_error {
public:
    FileSysError(const QString& action, const QString& path, std::error_code cause, const QString& reason = {});

    // From errno as the failing call left it.
    [[nodiscard]] static FileSysError fromErrno(const QString& action, const QString& path);

    [[nodiscard]] const QString& path() const noexcept { return path_; }
    [[nodiscard]] std::error_code cause() const noexcept { return cause_; }

private:
    QString path_;
    std::error_code cause_;
};

// A shorthand for a cause given by its errno value.
[[nodiscard]] inline std::error_code errnoCode(int error)
{
    return {error, std::generic_category()};
}

} // namespace veilcraft
