#pragma once

#include "CipherEngine.h"
#include "UserInterface.h"

#include <string>

namespace veilcraft {

// Thrown out of an engine's Progress event when the user asked to stop; the
// engine then abandons the file and leaves its destination as it was.
struct RunCancelled {};

// While alive, forwards an engine's Progress events for one file to the user
// interface and turns a cancel request into RunCancelled.
class RunProgress {
public:
    RunProgress(CipherEngine& engine, UserInterface& ui, const std::string& currentFile);
    ~RunProgress();
    RunProgress(const RunProgress&) = delete;
    RunProgress& operator=(const RunProgress&) = delete;

private:
    CipherEngine& engine_;
    int connection_;
};

}  // namespace veilcraft
