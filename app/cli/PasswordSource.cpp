#include "PasswordSource.h"

#include "Latin1.h"

#include <cstdlib>
#include <fstream>
#include <stdexcept>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

namespace veilcraft::cli {

namespace {

std::string toLatin1(const std::string& text)
{
    if (const auto problem = firstNonLatin1(text))
        throw std::runtime_error(describeLatin1Problem(*problem, "password"));
    return *utf8ToLatin1(text);
}

std::string withoutLineEnding(std::string line)
{
    if (!line.empty() && line.back() == '\r')
        line.pop_back();
    return line;
}

// Turns terminal echo off for its lifetime.
class EchoOff {
public:
    EchoOff()
    {
        active_ = ::tcgetattr(STDIN_FILENO, &saved_) == 0;
        if (!active_)
            return;
        termios quiet = saved_;
        quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
        ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &quiet);
    }
    ~EchoOff()
    {
        if (active_)
            ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &saved_);
    }
    EchoOff(const EchoOff&) = delete;
    EchoOff& operator=(const EchoOff&) = delete;

private:
    termios saved_{};
    bool active_ = false;
};

}  // namespace

PasswordSource::PasswordSource(std::optional<std::string> passwordFile, std::istream& in, std::ostream& err)
    : passwordFile_(std::move(passwordFile)), in_(in), err_(err)
{
}

PasswordSource::Password PasswordSource::obtain(bool confirm) const
{
    if (passwordFile_) {
        // A pipe (a shell's <(...)) is a fine password file; a folder is a
        // mistake that would otherwise read as an empty password.
        struct stat info {};
        if (::stat(passwordFile_->c_str(), &info) == 0 && S_ISDIR(info.st_mode))
            throw std::runtime_error("The password file " + *passwordFile_ + " is a directory");
        std::ifstream file(*passwordFile_, std::ios::binary);
        if (!file)
            throw std::runtime_error("Cannot read the password file " + *passwordFile_);
        std::string line;
        std::getline(file, line);
        if (file.bad())
            throw std::runtime_error("Cannot read the password file " + *passwordFile_);
        const std::string password = toLatin1(withoutLineEnding(line));
        return {password, password};
    }
    if (const char* fromEnvironment = std::getenv("VEILCRAFT_PASSWORD")) {
        const std::string password = toLatin1(fromEnvironment);
        return {password, password};
    }
    if (!::isatty(STDIN_FILENO))
        throw std::runtime_error(
            "No password given: set VEILCRAFT_PASSWORD, use --password-file FILE, or run on a terminal");
    const std::string password = toLatin1(prompt("Password: "));
    const std::string retyped = confirm ? toLatin1(prompt("Retype password: ")) : password;
    return {password, retyped};
}

std::string PasswordSource::prompt(const char* question) const
{
    err_ << question << std::flush;
    std::string line;
    {
        EchoOff quiet;
        std::getline(in_, line);
    }
    err_ << '\n';
    return withoutLineEnding(line);
}

}  // namespace veilcraft::cli
