#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace veilcraft::blowfish {

inline constexpr std::size_t kPWords = 18;
inline constexpr std::size_t kBoxes = 4;
inline constexpr std::size_t kBoxEntries = 256;
inline constexpr std::size_t kBoxWords = kBoxes * kBoxEntries;

// The cipher's initial tables: the hexadecimal fraction digits of pi, 32 bits
// per word. kInitialBoxWords holds the 1024 words that follow the P-array in
// their natural order; how they are dealt out over the four boxes is decided
// by the engine.
extern const std::array<std::uint32_t, kPWords> kInitialP;
extern const std::array<std::uint32_t, kBoxWords> kInitialBoxWords;

}  // namespace veilcraft::blowfish
