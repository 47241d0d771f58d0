#include "CompressionQueue.h"

#include <algorithm>

namespace veilcraft::kompak::detail {

CompressionQueue::CompressionQueue(std::vector<std::string> paths, int level, KeepGoing keepGoing)
    : paths_(std::move(paths)), level_(level), keepGoing_(std::move(keepGoing)),
      ahead_(4 * WorkerThreads::defaultCount()),
      threads_(std::min(WorkerThreads::defaultCount(), paths_.size()), [this] { work(); })
{
}

CompressionQueue::~CompressionQueue()
{
    {
        const std::lock_guard lock(mutex_);
        ending_ = true;
    }
    room_.notify_all();
}

CompressedFile CompressionQueue::next()
{
    std::unique_lock lock(mutex_);
    done_.wait(lock, [this] { return results_.count(taken_) != 0; });
    CompressedFile result = std::move(results_.at(taken_));
    results_.erase(taken_++);
    lock.unlock();
    room_.notify_one();
    return result;
}

void CompressionQueue::work()
{
    // Once the queue ends, a file still being deflated stops at its next
    // chunk.
    const KeepGoing keepGoing = [this] {
        {
            const std::lock_guard lock(mutex_);
            if (ending_)
                return false;
        }
        return !keepGoing_ || keepGoing_();
    };
    for (;;) {
        std::size_t index = 0;
        {
            std::unique_lock lock(mutex_);
            room_.wait(lock, [this] { return ending_ || started_ >= paths_.size() || started_ - taken_ < ahead_; });
            if (ending_ || started_ >= paths_.size())
                return;
            index = started_++;
        }
        CompressedFile result = CompressFile(paths_[index], level_, keepGoing);
        {
            const std::lock_guard lock(mutex_);
            results_.emplace(index, std::move(result));
        }
        done_.notify_all();
    }
}

}  // namespace veilcraft::kompak::detail
