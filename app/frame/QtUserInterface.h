#pragma once

#include "UserInterface.h"

#include <QPointer>
#include <QString>

#include <functional>
#include <memory>

class QProgressDialog;
class QWidget;

namespace veilcraft {

class CipherTable;

// The window's answer to the workflows' questions: Qt message boxes, the
// password dialog, the folder picker and the save dialog, all owned by one
// window; progress in a dialog that offers to cancel; the hourglass as the
// override cursor; status texts to whatever label the window names.
class QtUserInterface final : public UserInterface {
public:
    // `owner` parents every dialog; `ciphers`, when given, supplies the
    // password dialog's hint.
    explicit QtUserInterface(QWidget* owner, const CipherTable* ciphers = nullptr);
    ~QtUserInterface() override;

    // The window that parents the dialogs from now on.
    void setOwner(QWidget* owner) { owner_ = owner; }
    // The ciphers whose password hint the password dialog shows.
    void setCiphers(const CipherTable* ciphers) { ciphers_ = ciphers; }
    // Where showStatus() texts go.
    void setStatusSink(std::function<void(const QString&)> sink) { statusSink_ = std::move(sink); }

    Answer message(const std::string& text, const std::string& title, Buttons buttons, Icon icon) override;
    std::optional<std::string> askPassword() override;
    std::string browseForFolder(const std::string& title, const std::string& startFolder) override;
    std::string askSaveFile(const std::string& filter, const std::string& proposal) override;
    void processEvents() override;
    void setBusy(bool busy) override;
    void progress(int percent, const std::string& currentFile) override;
    [[nodiscard]] bool cancelRequested() override;
    void showStatus(const std::string& text) override;

    // Closes the progress dialog of the finished run.
    void endProgress();

private:
    QPointer<QWidget> owner_;
    const CipherTable* ciphers_;
    std::function<void(const QString&)> statusSink_;
    std::unique_ptr<QProgressDialog> progress_;
    int busyDepth_ = 0;
};

// "Veilcraft file(*.vkf)|*.vkf|" as a Qt file-dialog filter:
// "Veilcraft file (*.vkf)".
[[nodiscard]] QString qtFileFilter(const std::string& filter);

}  // namespace veilcraft
