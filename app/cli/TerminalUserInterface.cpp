#include "TerminalUserInterface.h"

#include <iostream>
#include <stdexcept>
#include <string>
#include <unistd.h>

namespace veilcraft::cli {

TerminalUserInterface::TerminalUserInterface(std::ostream& err, const PasswordSource& passwords)
    // The bar is drawn only into the process's own standard error, and only
    // when that is a terminal: any other stream gets the messages alone.
    : err_(err), passwords_(passwords), showProgress_(&err == &std::cerr && ::isatty(STDERR_FILENO) != 0)
{
}

TerminalUserInterface::~TerminalUserInterface()
{
    clearProgress();
    if (Interruption::requested())
        err_ << "Stopped: the work in hand was dropped; nothing half written was left.\n" << std::flush;
}

UserInterface::Answer TerminalUserInterface::message(const std::string& text, const std::string&, Buttons buttons,
                                                     Icon)
{
    clearProgress();
    // A flag (--yes, --overwrite) has answered the question already.
    if (buttons == Buttons::YesNo && answerYes_)
        return Answer::Yes;
    if (buttons == Buttons::YesNo && terminal_ != nullptr) {
        err_ << text << " [y/N] " << std::flush;
        std::string line;
        std::getline(*terminal_, line);
        return line == "y" || line == "Y" || line == "yes" || line == "Yes" || line == "YES" ? Answer::Yes
                                                                                          : Answer::No;
    }
    err_ << text << '\n';
    if (buttons == Buttons::YesNo && !refusalNote_.empty())
        err_ << refusalNote_ << '\n';
    err_ << std::flush;
    switch (buttons) {
    case Buttons::YesNo:
        return Answer::No;
    case Buttons::OkCancel:
        return Answer::Ok;
    case Buttons::RetryCancel:
        return Answer::Cancel;
    case Buttons::Ok:
        break;
    }
    return Answer::Ok;
}

std::optional<std::string> TerminalUserInterface::askPassword()
{
    clearProgress();
    std::string password = passwords_.obtain(false).password;
    if (password.empty()) {
        // The workflow takes an empty password as "cancelled" and stops
        // silently; on the command line that needs saying.
        err_ << "The password is empty: nothing was done.\n" << std::flush;
        return std::nullopt;
    }
    return password;
}

std::string TerminalUserInterface::browseForFolder(const std::string&, const std::string&)
{
    throw std::logic_error("the command line takes folders from its arguments");
}

std::string TerminalUserInterface::askSaveFile(const std::string&, const std::string&)
{
    throw std::logic_error("the command line takes file names from its arguments");
}

void TerminalUserInterface::progress(int percent, const std::string& currentFile)
{
    if (!showProgress_)
        return;
    constexpr int kWidth = 30;
    const int filled = percent * kWidth / 100;
    err_ << "\r[" << std::string(static_cast<std::size_t>(filled), '#')
         << std::string(static_cast<std::size_t>(kWidth - filled), ' ') << "] " << percent << "% " << currentFile
         << "\x1b[K" << std::flush;
    progressShown_ = true;
}

bool TerminalUserInterface::cancelRequested()
{
    return Interruption::requested();
}

void TerminalUserInterface::clearProgress()
{
    if (progressShown_) {
        err_ << "\r\x1b[K" << std::flush;
        progressShown_ = false;
    }
}

}  // namespace veilcraft::cli
