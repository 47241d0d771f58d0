#pragma once

#include "UserInterface.h"

#include <iostream>
#include <optional>
#include <string>
#include <utility>

// The benchmarks' user interface: it asks nothing. Every message is printed
// and answered Cancel; the password, when one was given, is the answer to
// every password question.
class SilentUserInterface final : public veilcraft::UserInterface {
public:
    explicit SilentUserInterface(std::optional<std::string> password = std::nullopt) : password_(std::move(password))
    {
    }

    Answer message(const std::string& text, const std::string&, Buttons, Icon) override
    {
        std::cerr << "message: " << text << '\n';
        return Answer::Cancel;
    }
    std::optional<std::string> askPassword() override { return password_; }
    std::string browseForFolder(const std::string&, const std::string&) override { return {}; }
    std::string askSaveFile(const std::string&, const std::string&) override { return {}; }
    void processEvents() override {}
    void setBusy(bool) override {}
    void progress(int, const std::string&) override {}
    bool cancelRequested() override { return false; }
    void showStatus(const std::string&) override {}

private:
    std::optional<std::string> password_;
};
