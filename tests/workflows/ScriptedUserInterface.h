#pragma once

#include "UserInterface.h"

#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace veilcraft::test {

// A UserInterface for tests: records every message and answers from a script.
class ScriptedUserInterface final : public UserInterface {
public:
    struct Shown {
        std::string text;
        std::string title;
        Buttons buttons;
        Icon icon;
    };

    std::vector<Shown> messages;
    std::vector<std::string> statuses;
    std::deque<Answer> answers;               // default: Ok / Yes
    std::optional<std::string> password;      // what the password dialog returns
    int passwordRequests = 0;
    int cancelAfterProgressEvents = -1;       // -1: never cancel
    int progressEvents = 0;
    std::vector<std::pair<int, std::string>> progressShown;  // percent and file, in order
    bool busy = false;
    std::function<void()> onProcessEvents;    // runs where a run lets events run
    std::deque<std::string> folders;          // the folder picker's answers, then "" (cancelled)
    std::deque<std::string> saveFiles;        // the save dialog's answers, then "" (cancelled)

    Answer message(const std::string& text, const std::string& title, Buttons buttons, Icon icon) override;
    std::optional<std::string> askPassword() override;
    std::string browseForFolder(const std::string&, const std::string&) override { return next(folders); }
    std::string askSaveFile(const std::string&, const std::string&) override { return next(saveFiles); }
    void processEvents() override
    {
        if (onProcessEvents)
            onProcessEvents();
    }
    void setBusy(bool value) override { busy = value; }
    void progress(int percent, const std::string& currentFile) override;
    [[nodiscard]] bool cancelRequested() override;
    void showStatus(const std::string& text) override { statuses.push_back(text); }

    // The texts of all messages shown, in order.
    [[nodiscard]] std::vector<std::string> texts() const;

private:
    static std::string next(std::deque<std::string>& answers);
};

}  // namespace veilcraft::test
