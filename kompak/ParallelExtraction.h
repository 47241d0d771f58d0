#pragma once

#include "EntryReader.h"
#include "EntryTarget.h"
#include "WorkerThreads.h"

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <mutex>
#include <optional>
#include <string>
#include <unordered_set>
#include <vector>

namespace veilcraft::kompak::detail {

// A small entry read whole, still packed, by the thread walking the
// archive, for another to inflate and write.
struct PackedEntry {
    EntryTarget target;
    std::string shownName;
    std::vector<unsigned char> packed;
    bool deflated = true;
    std::uint32_t crc = 0;
    std::uint64_t size = 0;
};

// What became of an entry handed over; neither written nor failed when the
// work stopped before it.
struct PackedOutcome {
    bool written = false;
    std::optional<EntryFailure> failure;
};

// True for an entry worth handing over: a plain stored or deflated entry
// small enough to be held whole, packed and unpacked.
bool SuitsWorkers(const EntryInfo& entry);

// Reads the current entry of `archive` packed into `entry`; a failure when
// it cannot be read.
std::optional<EntryFailure> ReadPacked(unzFile archive, const EntryInfo& info, PackedEntry& entry);

// Inflates and writes small entries on worker threads while the caller
// walks the archive and reads the next ones. An archive of many small files
// spends its time creating files, not inflating: two threads creating files
// get through them in about half the time. Outcomes come back in the order
// the entries were handed over, so that reports keep the archive's order.
class ParallelExtraction {
public:
    ParallelExtraction(const Destination& destination, const ArchiveIdentity& archive);
    // Entries not begun are dropped.
    ~ParallelExtraction();
    ParallelExtraction(const ParallelExtraction&) = delete;
    ParallelExtraction& operator=(const ParallelExtraction&) = delete;

    // True when the entry's file, or a folder on its way, is where an entry
    // handed over and perhaps not yet written goes: two workers would race
    // for the name, and the later entry must win as it does one by one. The
    // caller waits for all (finished(true)) before handing it over.
    [[nodiscard]] bool clashes(const EntryTarget& target) const;
    // Hands an entry over; waits while too much is pending.
    void add(PackedEntry entry);
    // The outcomes of the entries handed over that are finished, in order,
    // up to the first unfinished one; every one when `all`.
    std::vector<PackedOutcome> finished(bool all);

private:
    struct Slot {
        PackedEntry entry;
        std::optional<PackedOutcome> outcome;
    };

    void work();

    const Destination& destination_;
    const ArchiveIdentity archive_;
    std::mutex mutex_;
    std::condition_variable available_;  // an entry was added, or the work ends
    std::condition_variable done_;       // an entry was finished
    std::deque<Slot> slots_;             // handed over, outcomes not yet taken
    std::size_t firstIndex_ = 0;         // the number of slots_.front()
    std::size_t nextToStart_ = 0;
    std::size_t unfinished_ = 0;
    std::size_t pendingBytes_ = 0;       // packed bytes not yet written
    bool ending_ = false;
    // Since all were last finished (only the walking thread uses these).
    std::unordered_set<std::string> files_;    // targets handed over
    std::unordered_set<std::string> folders_;  // and the folders on their way
    WorkerThreads threads_;                    // last: joined before the rest goes
};

}  // namespace veilcraft::kompak::detail
