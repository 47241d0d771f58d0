#include "EncryptionChecks.h"

#include "AtomicFile.h"

#include <cerrno>
#include <cstring>
#include <unistd.h>

namespace veilcraft {

bool passwordAccepted(UserInterface& ui, const CipherTable& ciphers, const std::string& password,
                      const std::string& retyped)
{
    const char* refusal = nullptr;
    if (password.empty())
        refusal = "Password is not null";
    else if (password != retyped)
        refusal = "Your password is not match";
    else if (static_cast<int>(password.size()) > ciphers.passwordLimit())
        refusal = "Password too long!";
    if (refusal == nullptr)
        return true;
    ui.message(refusal, kApplicationTitle);
    return false;
}

void removeSource(const std::string& source, const SourceSnapshot& snapshot, const std::string& done,
                  RunReport& report)
{
    struct stat now {};
    if (::stat(source.c_str(), &now) != 0)
        return;  // already gone, for instance listed twice
    if (!(SourceSnapshot::of(now) == snapshot)) {
        report.failures.push_back({source, "changed after it was " + done + "; it was not removed"});
        return;
    }
    if (::unlink(source.c_str()) != 0) {
        report.failures.push_back({source, "was " + done + " but cannot be removed: " + std::strerror(errno)});
        return;
    }
    syncFolderOf(source);
}

}  // namespace veilcraft
