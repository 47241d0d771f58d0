#pragma once

#include "UserInterface.h"

#include <functional>
#include <string>

namespace veilcraft {

// Passes every request on to another UserInterface except status texts, which
// go to a window's own status line. Lets a window show its workflow's results
// whatever UserInterface the program or a test gave it.
class StatusSinkInterface final : public UserInterface {
public:
    StatusSinkInterface(UserInterface& inner, std::function<void(const std::string&)> sink);

    Answer message(const std::string& text, const std::string& title, Buttons buttons, Icon icon) override;
    std::optional<std::string> askPassword() override;
    std::string browseForFolder(const std::string& title, const std::string& startFolder) override;
    std::string askSaveFile(const std::string& filter, const std::string& proposal) override;
    void processEvents() override;
    void setBusy(bool busy) override;
    void progress(int percent, const std::string& currentFile) override;
    [[nodiscard]] bool cancelRequested() override;
    void showStatus(const std::string& text) override;

private:
    UserInterface& inner_;
    std::function<void(const std::string&)> sink_;
};

}  // namespace veilcraft
