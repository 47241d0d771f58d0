#pragma once

#include <QString>

#include <optional>
#include <string>

namespace veilcraft {

class UserInterface;

// A password typed into a window as the engines take it: latin-1 bytes, one
// per character. A character latin-1 cannot hold is refused with a message
// naming it and its place, never replaced.
[[nodiscard]] std::optional<std::string> typedPassword(UserInterface& ui, const QString& typed);

}  // namespace veilcraft
