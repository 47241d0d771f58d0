#pragma once

#include <algorithm>
#include <cstddef>
#include <thread>
#include <vector>

namespace veilcraft::kompak::detail {

// The threads of a worker pool, joined when destroyed. Declared as its
// owner's last member, it is destroyed first: the owner's destructor tells
// the work to end, then the threads are joined while the owner's state is
// still there.
class WorkerThreads {
public:
    // One per processor, at most eight.
    static std::size_t defaultCount() { return std::clamp(std::thread::hardware_concurrency(), 1U, 8U); }

    template <typename Work>
    WorkerThreads(std::size_t count, Work work)
    {
        for (std::size_t i = 0; i < count; ++i)
            threads_.emplace_back(work);
    }
    ~WorkerThreads()
    {
        for (std::thread& thread : threads_)
            thread.join();
    }
    WorkerThreads(const WorkerThreads&) = delete;
    WorkerThreads& operator=(const WorkerThreads&) = delete;

private:
    std::vector<std::thread> threads_;
};

}  // namespace veilcraft::kompak::detail
