#pragma once

#include <string>

namespace veilcraft {

// The DOS attribute word that file servers and compatibility layers keep in
// the extended attribute user.DOSATTRIB, in its text form ("0x22"). It holds
// the hidden, system and archive bits, which Linux has no place for.
struct DosAttributes {
    static constexpr unsigned kReadOnly = 1;
    static constexpr unsigned kHidden = 2;
    static constexpr unsigned kSystem = 4;
    static constexpr unsigned kArchive = 32;

    enum class Form {
        Absent, // no such attribute, or the file system keeps none
        Text,   // "0x..", which is what this program reads and writes
        Other,  // another encoding (a binary record); its bits are unknown
    };

    Form form = Form::Absent;
    unsigned bits = 0;
    // Some writers store the text with its NUL; a rewrite keeps that form.
    bool nulTerminated = false;
};

// Reads the word of `path` without following a symbolic link.
[[nodiscard]] DosAttributes readDosAttributes(const std::string& path);

// Stores `word.bits` in the text form. Returns false, with errno set, when
// the attribute cannot be written.
bool writeDosAttributes(const std::string& path, const DosAttributes& word);

} // namespace veilcraft
