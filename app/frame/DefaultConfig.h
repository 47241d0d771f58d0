#pragma once

#include <optional>
#include <string>

namespace veilcraft {

// The saved defaults of the settings dialog, "Cfgdefault.cfg": one record of
// five texts, each stored as a 16-bit little-endian byte count followed by
// that many latin-1 bytes, with nothing between or after them. In the
// program the texts are UTF-8.
struct DefaultConfig {
    static constexpr int kFieldCount = 5;

    std::string algorithm; // empty: no settings were saved, the rest means nothing
    std::string saveTo;    // the destination folder
    std::string lockFlag;  // decimal; 1 locks the destination folder
    std::string reserved4; // read and ignored
    std::string reserved5; // read and ignored

    bool operator==(const DefaultConfig&) const = default;
};

// What reading the file found.
struct DefaultConfigRead {
    enum class State {
        Complete,   // all five fields were there
        Empty,      // no file (it has been created empty) or an empty one: nothing saved
        Damaged,    // the file ends inside the record; see wholeFields
        Unreadable, // the file exists but cannot be read; see problem
    };

    State state = State::Empty;
    // The fields read whole, in file order; the rest of `record` is empty.
    DefaultConfig record;
    int wholeFields = 0;
    // For Damaged and Unreadable: a sentence for the user naming the file.
    std::string problem;
};

// $XDG_CONFIG_HOME/veilcraft/Cfgdefault.cfg, or under $HOME/.config when
// XDG_CONFIG_HOME is not an absolute path.
[[nodiscard]] std::string defaultConfigPath();

// Reads the record at `path`. A missing file is created empty, together with
// its folder, as the first opening of the dialog always did; failing to
// create it is not an error, since there is nothing to read either way.
[[nodiscard]] DefaultConfigRead readDefaultConfig(const std::string& path);

// Replaces the file at `path` with `record`, creating its folder; a failure
// leaves the previous file whole. A text latin-1 cannot hold, or one longer
// than a 16-bit count can describe, is refused rather than stored garbled.
// Nothing on success, otherwise a sentence for the user.
[[nodiscard]] std::optional<std::string> writeDefaultConfig(const std::string& path, const DefaultConfig& record);

} // namespace veilcraft
