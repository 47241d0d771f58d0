#include "ProgressMeter.h"

#include <cmath>

namespace veilcraft {

void ProgressMeter::fire(std::uint64_t position)
{
    const double total = static_cast<double>(total_);
    const int current = static_cast<int>(static_cast<double>(position) / total * 100.0);
    // Next threshold, rounded to the nearest integer with ties to even.
    next_ = static_cast<std::uint64_t>(std::nearbyint(total * (current + 1) / 100.0 + 1.0));
    event_.raise(current);
}

void ProgressMeter::skipThrough(std::uint64_t start, std::uint64_t step)
{
    std::uint64_t position = start;
    while (position < total_) {
        after(position);
        if (next_ <= position) {
            position += step;
            continue;
        }
        // Jump to the first unit at or beyond the next threshold.
        const std::uint64_t gap = next_ - position;
        position += (gap + step - 1) / step * step;
    }
}

}  // namespace veilcraft
