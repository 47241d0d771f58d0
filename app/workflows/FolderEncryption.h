#pragma once

#include "CipherTable.h"
#include "InPlaceEncryption.h"
#include "RunReport.h"
#include "TemporaryFile.h"
#include "UserInterface.h"

#include <optional>
#include <string>
#include <string_view>

namespace veilcraft {

class KompakClient;

// The folder panel's three steps, which turn one folder into one archive
// .vkf file: choose the output (this opens a temporary zip beside it),
// create (zip the folder and all its subfolders, each entry named from the
// folder's own name down), then encrypt with the password given twice.
//
// The temporary zip is private and uniquely named, so two panels or a panel
// and a run never share one; it is removed when it is replaced, after a
// successful encryption, and when the panel goes. Files of the folder that
// cannot be read are reported by name and the rest is archived; a folder
// with nothing to archive, a failed zip or a failed encryption is reported
// instead of the success message.
class FolderEncryption {
public:
    // `myKompak` is the window's zip control; it must outlive the panel.
    FolderEncryption(UserInterface& ui, const CipherTable& ciphers, KompakClient& myKompak);
    ~FolderEncryption();
    FolderEncryption(const FolderEncryption&) = delete;
    FolderEncryption& operator=(const FolderEncryption&) = delete;

    // The output chosen in the file dialog; empty when it was cancelled.
    // True when the zip is open and "Create" may be pressed.
    bool chooseOutput(const std::string& saveTo);
    // Zips `folder`; true when the password step may follow.
    bool create(const std::string& folder);
    // Encrypts the zipped folder into the output. A password that is empty
    // or not retyped alike does nothing and shows nothing.
    RunReport encrypt(const std::string& password, const std::string& retyped);

    [[nodiscard]] bool zipOpen() const { return state_ == State::ZipOpen; }
    [[nodiscard]] bool zipped() const { return state_ == State::Zipped; }
    [[nodiscard]] const std::string& output() const { return saveTo_; }
    // The files the last create() could not read, with their causes.
    [[nodiscard]] const std::string& leftOut() const { return leftOut_; }

private:
    enum class State { Idle, ZipOpen, Zipped };

    void reset();
    // After a failed or cancelled encryption: true when the archive is as it
    // was and stays for another try, else it is dropped.
    bool keepArchive(std::optional<InPlaceEncryption>& container, CipherEngine& engine, std::string_view key);

    UserInterface& ui_;
    const CipherTable& ciphers_;
    KompakClient& zip_;
    std::optional<TemporaryFile> temporary_;
    std::string saveTo_;
    std::string leftOut_;
    State state_ = State::Idle;
};

}  // namespace veilcraft
