#include "RunReport.h"

namespace veilcraft {

std::string describeFailures(const std::string& heading, const std::vector<FileFailure>& failures)
{
    std::string text = heading;
    for (const FileFailure& failure : failures)
        text += "\n" + failure.path + ": " + failure.cause;
    return text;
}

}  // namespace veilcraft
