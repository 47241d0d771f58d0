#pragma once

#include <string>

namespace veilcraft {

// The choices of the settings dialog that last until the program ends. The
// dialog writes them on OK; the encryption wizard reads RemoveSourceFiles
// when it starts a run. Nothing stores them: only the default configuration
// file persists, and it holds none of these.
struct RunSettings {
    // Delete each source once its encrypted file is safely written.
    bool RemoveSourceFiles = false;
    // "Keep File Format" was chosen; no run consults it.
    bool KeepFileFormat = false;
    // The caption of the cipher chosen last ("BLOWFISH", "RC4", ...): the
    // encryption wizard selects it again whenever the panels are emptied.
    std::string DefaultAlgorithm = "RC4";

    // The one instance of the program.
    static RunSettings& shared()
    {
        static RunSettings settings;
        return settings;
    }
};

} // namespace veilcraft
