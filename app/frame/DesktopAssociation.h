#pragma once

#include <string>

namespace veilcraft {

// The freedesktop side of a file association, under one data folder
// ($XDG_DATA_HOME):
//   mime/packages/veilcraft-<fileType>.xml   files named "*<extension>" are of
//                                            the type "application/x-<fileType>"
//   applications/veilcraft-<fileType>.desktop  a hidden entry that opens that
//                                            type with the executable
// Files are replaced only when their content changes, so that a start of
// the program costs no writes. The MIME and desktop databases are rebuilt by
// their tools, where installed, whenever a file is newer than its database.
class DesktopAssociation {
public:
    explicit DesktopAssociation(std::string dataHome = defaultDataHome());

    // $XDG_DATA_HOME, else $HOME/.local/share.
    [[nodiscard]] static std::string defaultDataHome();

    // `extraParameters` replace the file argument, with "%1" standing for
    // it; the executable is passed as one argument, however it is named.
    // False when the file type or the extension cannot name files and
    // patterns (nothing is then written) or a file could not be written.
    bool install(const std::string& fileType, const std::string& extension, const std::string& description,
                 const std::string& executable, const std::string& extraParameters) const;

    [[nodiscard]] std::string mimePackagePath(const std::string& fileType) const;
    [[nodiscard]] std::string desktopEntryPath(const std::string& fileType) const;

private:
    std::string dataHome_;
};

}  // namespace veilcraft
