#pragma once

#include "Interruption.h"
#include "PasswordSource.h"
#include "UserInterface.h"

#include <istream>
#include <ostream>
#include <string>

namespace veilcraft::cli {

// The command line's answer to the workflows' questions: messages go to
// standard error, the password comes from the PasswordSource, questions are
// answered by the command's flags, and progress is a bar on standard error
// when it is a terminal. Ctrl-C, SIGTERM and SIGHUP ask the running work to stop.
class TerminalUserInterface final : public UserInterface {
public:
    TerminalUserInterface(std::ostream& err, const PasswordSource& passwords);
    ~TerminalUserInterface() override;

    // The answer given to Yes/No questions (a command's --yes or --overwrite flag).
    void setAnswerYes(bool yes) { answerYes_ = yes; }
    // Said after a Yes/No question that no flag answered Yes (which flag would).
    void setRefusalNote(std::string note) { refusalNote_ = std::move(note); }
    // Yes/No questions not answered by a flag are asked on this terminal
    // input instead: "y" or "yes" answers Yes, anything else No.
    void setTerminalAnswers(std::istream* terminal) { terminal_ = terminal; }

    Answer message(const std::string& text, const std::string& title, Buttons buttons, Icon icon) override;
    std::optional<std::string> askPassword() override;
    std::string browseForFolder(const std::string& title, const std::string& startFolder) override;
    std::string askSaveFile(const std::string& filter, const std::string& proposal) override;
    void processEvents() override {}
    void setBusy(bool) override {}
    void progress(int percent, const std::string& currentFile) override;
    [[nodiscard]] bool cancelRequested() override;
    void showStatus(const std::string&) override {}

private:
    void clearProgress();

    std::ostream& err_;
    const PasswordSource& passwords_;
    bool answerYes_ = false;
    std::string refusalNote_;
    std::istream* terminal_ = nullptr;
    Interruption interruption_;
    bool showProgress_;
    bool progressShown_ = false;
};

}  // namespace veilcraft::cli
