#pragma once

#include "CipherEngine.h"

#include <functional>
#include <string>
#include <vector>

namespace veilcraft {

// The ordered list of registered cipher engines and the selection of the
// cipher list. Positions are the list's item data: "Blowfish" is registered
// at 0 and "RC4" at 1. Whatever is selected, the engine that every file
// workflow runs is the one at the position of the list's second item (RC4):
// stored files depend on that, and the selected position is only recorded in
// their trailer and sets the password limit.
class CipherTable {
public:
    struct Record {
        std::string name;
        CipherEngine* engine;
        std::string description;
    };

    // Appends a record; returns its position.
    int registerCipher(CipherEngine& engine, const std::string& name, const std::string& description);

    [[nodiscard]] const std::vector<Record>& records() const { return records_; }
    // Position of the entry with exactly this name, or -1.
    [[nodiscard]] int positionOf(const std::string& name) const;

    // Selects the entry at `position`; a position that is not in the list
    // leaves the selection as it was. Returns whether it changed anything.
    bool select(int position);
    [[nodiscard]] int selectedPosition() const { return selected_; }

    // The engine the file workflows call.
    [[nodiscard]] CipherEngine& currentCipher() const;

    // Longest password the selected cipher accepts: 56 for Blowfish, 128 for RC4.
    [[nodiscard]] int passwordLimit() const;
    // "Password (1 to " + limit + " bit key)".
    [[nodiscard]] std::string passwordHint() const;

    // Called after every selection, so the window can follow it.
    std::function<void(int position)> onSelected;

private:
    std::vector<Record> records_;
    int selected_ = -1;
};

// The password limit of a cipher list position.
[[nodiscard]] int passwordLimitFor(int position);

}  // namespace veilcraft
