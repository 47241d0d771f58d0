#pragma once

#include <string>
#include <vector>

namespace veilcraft {

// A file a run could not handle, and why.
struct FileFailure {
    std::string path;
    std::string cause;
};

// How a run ended and what it did.
struct RunReport {
    enum class Outcome {
        Refused,    // a check before any file refused the run
        Stopped,    // a check on one file stopped the run at once
        Cancelled,  // the user stopped it
        Completed,
    };
    Outcome outcome = Outcome::Refused;
    int count = 0;                      // files done
    std::vector<std::string> outputs;   // files written, in order
    std::vector<FileFailure> failures;  // files not done, in order

    [[nodiscard]] bool allSucceeded() const { return outcome == Outcome::Completed && failures.empty(); }
};

// "heading" followed by one line per failure: the file and the cause.
[[nodiscard]] std::string describeFailures(const std::string& heading, const std::vector<FileFailure>& failures);

}  // namespace veilcraft
