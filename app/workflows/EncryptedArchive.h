#pragma once

#include "CipherTable.h"
#include "RunReport.h"
#include "TemporaryFile.h"
#include "UserInterface.h"
#include "VkfContainer.h"

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace veilcraft {

class KompakClient;

// One row of the archive window's list, in the order the archive lists its
// entries. `entry` is the stored name that extraction asks the control for.
struct ArchiveRow {
    std::string name;      // "Name": the entry's file name
    std::string modified;  // "Modified"
    std::string size;      // "Size": uncompressed
    std::string packed;    // "Packed": compressed
    std::string path;      // "Path": the stored folder part
    std::string entry;
};

// The archive window's work on one .vkf file opened from the shell: the
// password, the archive decrypted into a private temporary zip that lives as
// long as the window, its listing, and extraction of every entry or of the
// rows the user selected. A container of the single-file kind shows one row
// and decrypts into the file its destination text names.
//
// Rows are addressed by their index in rows(), the order in which they were
// added, so that sorting the window's list never changes which entry a row
// extracts. The temporary zip is private (0600), uniquely named, so that two
// windows never share one, and removed by close() or when the object goes.
class EncryptedArchive {
public:
    enum class Kind { None, Archive, SingleFile };

    EncryptedArchive(UserInterface& ui, CipherTable& ciphers);
    ~EncryptedArchive();
    EncryptedArchive(const EncryptedArchive&) = delete;
    EncryptedArchive& operator=(const EncryptedArchive&) = delete;

    // Asks for the password and opens the container. False when there is
    // nothing to show: the password was not given, or the file cannot be
    // opened (which was reported).
    bool open(const std::string& containerPath);

    [[nodiscard]] Kind kind() const { return kind_; }
    [[nodiscard]] const std::vector<ArchiveRow>& rows() const { return rows_; }
    // The destination box's first text: the container's folder, or for a
    // single file the file it decrypts into.
    [[nodiscard]] const std::string& destinationText() const { return destinationText_; }
    // The caption of the window's close button: "Decrypt" for a single file.
    [[nodiscard]] std::string closeCaption() const;
    // The decrypted archive while it is open; empty otherwise.
    [[nodiscard]] std::string temporaryZip() const;

    // Extract into destinationFolder(destinationText), keeping the stored
    // folders when `keepDirs`. Failures are reported together, by entry.
    RunReport extractAll(const std::string& destinationText, bool keepDirs);
    RunReport extractSelected(const std::vector<std::size_t>& rowIndexes, const std::string& destinationText,
                              bool keepDirs);
    // Decrypts a single-file container into `target`.
    RunReport decryptSingleFile(const std::string& target);

    // Removes the temporary zip; the window calls it when it unloads.
    void close();

private:
    bool openArchive();
    void listEntries(KompakClient& zip);
    // The checks every extraction makes first; the folder, or nothing.
    std::optional<std::string> extractionFolder(const std::string& destinationText);
    // Extracts the rows given one by one; `landing` are entries left out
    // because they would replace the container.
    RunReport extractRows(const std::vector<std::size_t>& rowIndexes, const std::string& folder, bool keepDirs,
                          const std::vector<std::string>& landing);
    RunReport finishExtraction(KompakClient& zip, const std::string& folder, int entries,
                               const std::vector<std::string>& landing);
    // The entries whose extraction into `folder` would replace the container.
    [[nodiscard]] std::vector<std::string> entriesLanding(const std::string& folder, bool keepDirs) const;
    KompakClient& zip();

    UserInterface& ui_;
    CipherTable& ciphers_;
    std::unique_ptr<KompakClient> zip_;  // SelZip
    std::string container_;
    std::string password_;
    vkf::ContainerInfo info_;
    std::optional<TemporaryFile> temporary_;
    std::vector<ArchiveRow> rows_;
    std::string destinationText_;
    Kind kind_ = Kind::None;
};

// The destination rule of the window: a text ending in ".vkf" stands for its
// folder, any other text is the folder itself.
[[nodiscard]] std::string destinationFolder(const std::string& destinationText);

// False, after "Zip File Does Not Exist At Specified Location", when `name`
// is empty or names no existing file.
bool verifyzipfile(UserInterface& ui, const std::string& name);

}  // namespace veilcraft
