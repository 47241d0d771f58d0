#include "RunProgress.h"

namespace veilcraft {

RunProgress::RunProgress(CipherEngine& engine, UserInterface& ui, const std::string& currentFile)
    : engine_(engine)
{
    connection_ = engine_.Progress().connect([&ui, currentFile](int& percent) {
        ui.progress(percent, currentFile);
        if (ui.cancelRequested())
            throw RunCancelled{};
    });
}

RunProgress::~RunProgress()
{
    engine_.Progress().disconnect(connection_);
}

}  // namespace veilcraft
