#pragma once

#include "ProgressEvent.h"

#include <cstdint>

namespace veilcraft {

// Throttles an engine's Progress event to about one event per percent.
// After the unit at position o (a byte for RC4, a block offset for Blowfish)
// has been processed the engine calls after(o); an event is raised when o has
// reached the next threshold. The first unit always raises 0, and finish()
// raises the closing 100. Streaming code uses next() to process whole runs of
// units between two thresholds, which keeps the sequence identical to a
// unit-by-unit loop over one buffer. With nobody listening there are no
// thresholds, so an engine processes its whole buffer in one run.
class ProgressMeter {
public:
    ProgressMeter(const ProgressEvent& event, std::uint64_t total)
        : event_(event), total_(total), next_(event.hasListeners() ? 0 : kNever)
    {
    }

    void after(std::uint64_t position)
    {
        if (position >= next_)
            fire(position);
    }

    [[nodiscard]] std::uint64_t next() const { return next_; }

    // Raises every event that a loop over the units start, start+step, ...
    // (positions below total) would raise, without processing them. Used when
    // an operation fails at a point the whole-buffer algorithm reaches only
    // after it has walked all units.
    void skipThrough(std::uint64_t start, std::uint64_t step);

    void finish() const { event_.raise(100); }

private:
    // Beyond any position, with room to add a unit or a block to it.
    static constexpr std::uint64_t kNever = std::uint64_t{1} << 62;

    void fire(std::uint64_t position);

    const ProgressEvent& event_;
    std::uint64_t total_;
    std::uint64_t next_;
};

}  // namespace veilcraft
