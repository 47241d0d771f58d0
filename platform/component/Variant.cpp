#include "Variant.h"

#include <limits>

namespace veilcraft::component {

namespace {

// The value as a 32-bit integer when it is a number or a boolean; a
// boolean true is -1, as late-bound callers store it.
template <class Raw>
std::optional<std::int32_t> numeric(const Raw& raw)
{
    if (const auto* flag = std::get_if<bool>(&raw))
        return *flag ? -1 : 0;
    if (const auto* small = std::get_if<std::int16_t>(&raw))
        return *small;
    if (const auto* large = std::get_if<std::int32_t>(&raw))
        return *large;
    return std::nullopt;
}

}  // namespace

std::optional<bool> Variant::toBool() const
{
    const auto number = numeric(value_);
    if (!number)
        return std::nullopt;
    return *number != 0;
}

std::optional<std::int16_t> Variant::toInt16() const
{
    const auto number = numeric(value_);
    // Out of range is an overflow, never a silently cut value.
    if (!number || *number < std::numeric_limits<std::int16_t>::min() ||
        *number > std::numeric_limits<std::int16_t>::max())
        return std::nullopt;
    return static_cast<std::int16_t>(*number);
}

std::optional<std::int32_t> Variant::toInt32() const
{
    return numeric(value_);
}

std::optional<std::string> Variant::toString() const
{
    if (type() != Type::String)
        return std::nullopt;
    return std::get<std::string>(value_);
}

}  // namespace veilcraft::component
