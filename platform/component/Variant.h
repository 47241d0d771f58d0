#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <variant>

namespace veilcraft::component {

// The values that cross a dispatch interface: empty, boolean, 16- and 32-bit
// integers and strings. Booleans travel as true/false; a host that stores
// them as 16-bit values uses -1 and 0. Strings are 8-bit (latin-1 or UTF-8 as
// the interface says) and are copied on both sides.
class Variant {
public:
    enum class Type { Empty, Bool, Int16, Int32, String };

    Variant() = default;
    Variant(bool value) : value_(value) {}
    Variant(std::int16_t value) : value_(value) {}
    Variant(std::int32_t value) : value_(value) {}
    Variant(std::string value) : value_(std::move(value)) {}
    Variant(const char* value) : value_(std::string(value)) {}

    [[nodiscard]] Type type() const { return static_cast<Type>(value_.index()); }
    [[nodiscard]] bool isEmpty() const { return type() == Type::Empty; }

    // Conversions as a late-bound caller expects them: integers and booleans
    // convert into each other (nonzero is true), strings only to strings.
    // Nothing when the value cannot be converted.
    [[nodiscard]] std::optional<bool> toBool() const;
    [[nodiscard]] std::optional<std::int16_t> toInt16() const;
    [[nodiscard]] std::optional<std::int32_t> toInt32() const;
    [[nodiscard]] std::optional<std::string> toString() const;

    friend bool operator==(const Variant&, const Variant&) = default;

private:
    std::variant<std::monostate, bool, std::int16_t, std::int32_t, std::string> value_;
};

}  // namespace veilcraft::component
