#pragma once

#include "UserInterface.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace veilcraft {

// The zip control as the workflows drive it: an instance created from the
// class "KOMPAKLib.Kompak" through the component layer (registering the
// library beside the program when the class is unknown) and called by
// dispatch identifier, with Notify off so every operation runs on the
// caller's thread.
//
// The control asks the site whether to go on between entries and chunks;
// the client answers from the user interface's cancel request, so that
// Cancel and Ctrl-C stop zip work at once.
//
// The control reports its failures itself through its site; the client
// shows them as message boxes (unless told to keep quiet) and counts them,
// because the methods' boolean results alone do not tell every failure
// (an archive without entries fails without a report, for instance).
class KompakClient {
public:
    // Throws component::ComponentError when the control cannot be created.
    explicit KompakClient(UserInterface& ui);
    ~KompakClient();
    KompakClient(const KompakClient&) = delete;
    KompakClient& operator=(const KompakClient&) = delete;

    bool setPreserveDirPath(bool value);
    bool setNotify(bool value);

    // Each returns the method's result; false also when the call itself failed.
    bool NewZipFile(const std::string& zipFile, std::int16_t overwrite);
    bool ZipOneFile(const std::string& file, const std::string& nameInZip, const std::string& dirInZip,
                    std::int16_t trimToLastDir);
    bool ZipEntireDirectory(const std::string& folder, std::int16_t includeSubdirs, std::int16_t trimToLastDir);
    // The files the next ZipOneFile calls will name, in order: they are
    // deflated ahead on several cores.
    bool ZipNextFiles(const std::vector<std::string>& files);
    bool ZipClose();
    bool GetZipFileInfo(const std::string& zipFile);
    bool UnZipAllFiles(const std::string& zipFile, const std::string& toFolder);
    bool UnZipOneFile(const std::string& zipFile, const std::string& entry, const std::string& toFolder);

    // UnZipAllFiles shows its progress as a share of `files` (the listing's
    // count) with the name of the entry in hand; 0 shows none.
    void showProgressOf(std::uint64_t files) { progressTotal_ = files; }

    // The listing of the last GetZipFileInfo ("|"-separated when
    // multipleFiles() is 2).
    [[nodiscard]] std::string longFileNames();
    [[nodiscard]] std::string shortFileNames();
    [[nodiscard]] std::string filePaths();
    [[nodiscard]] std::string fileDatesModified();
    [[nodiscard]] std::string fileCompressedSizes();
    [[nodiscard]] std::string fileUncompressedSizes();
    [[nodiscard]] int multipleFiles();
    // The stored names of the last listing, one per entry.
    [[nodiscard]] std::vector<std::string> listedEntries();

    // Whether the control's error notifications reach the user. When off
    // they are only recorded, for a probe whose failure the caller explains
    // in its own words.
    void setShowErrors(bool show) { showErrors_ = show; }
    // Notifications (and refused calls) since the last clearErrors(), oldest first.
    [[nodiscard]] int errorCount() const { return static_cast<int>(errors_.size()); }
    [[nodiscard]] const std::vector<std::string>& errors() const { return errors_; }
    [[nodiscard]] std::string lastError() const { return errors_.empty() ? std::string() : errors_.back(); }
    void clearErrors();
    // The recorded errors joined by "; ", with every mention of `temporary`
    // (a file the user never saw) replaced by `shown`.
    [[nodiscard]] std::string describeErrors(const std::string& temporary, const std::string& shown) const;

private:
    struct Impl;
    void recordError(const std::string& description, const std::string& source);
    void reportProgress(std::uint64_t filesDone, const std::string& name);

    UserInterface& ui_;
    std::unique_ptr<Impl> impl_;
    bool showErrors_ = true;
    std::uint64_t progressTotal_ = 0;
    std::vector<std::string> errors_;
};

// The elements of a listing property: the whole text when the archive holds
// one entry, else the text split at every "|".
[[nodiscard]] std::vector<std::string> splitListing(const std::string& text, bool several);

// The client, or CipherError("the zip control is not available: ...").
[[nodiscard]] std::unique_ptr<KompakClient> makeKompakClient(UserInterface& ui);

}  // namespace veilcraft
