#pragma once

#include "EntryCompressor.h"
#include "WorkerThreads.h"

#include <condition_variable>
#include <cstddef>
#include <map>
#include <mutex>
#include <string>
#include <vector>

namespace veilcraft::kompak::detail {

// Deflates a list of files on a few worker threads, a bounded number ahead
// of the one taken, and hands the results out in the list's order. The
// threads live as long as the queue: starting one per file cost more than
// deflating a small file. Destroying the queue stops the work and drops what
// was not taken.
class CompressionQueue {
public:
    CompressionQueue(std::vector<std::string> paths, int level, KeepGoing keepGoing);
    ~CompressionQueue();
    CompressionQueue(const CompressionQueue&) = delete;
    CompressionQueue& operator=(const CompressionQueue&) = delete;

    // The next file's result, waiting for it; call once per path.
    CompressedFile next();

private:
    void work();

    const std::vector<std::string> paths_;
    const int level_;
    const KeepGoing keepGoing_;
    const std::size_t ahead_;
    std::mutex mutex_;
    std::condition_variable done_;  // a result arrived
    std::condition_variable room_;  // a result was taken, or the queue ends
    std::map<std::size_t, CompressedFile> results_;
    std::size_t started_ = 0;
    std::size_t taken_ = 0;
    bool ending_ = false;
    WorkerThreads threads_;  // last: joined before the rest goes
};

}  // namespace veilcraft::kompak::detail
