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
    const bool wake = started_ - taken_ == ahead_ / 2;
    lock.unlock();
    if (wake)
        room_.notify_all();
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
            // A worker that finds the window full sleeps until half of it
            // was taken, and the taker wakes them then: waking one for every
            // file taken costs more than deflating a small file.
            if (!ending_ && started_ < paths_.size() && started_ - taken_ >= ahead_)
                room_.wait(lock, [this] {
                    return ending_ || started_ >= paths_.size() || started_ - taken_ <= ahead_ / 2;
                });
            if (ending_ || started_ >= paths_.size())
                return;
            index = started_++;
        }
        CompressedFile result = CompressFile(paths_[index], level_, keepGoing);
        bool awaited = false;
        {
            const std::lock_guard lock(mutex_);
            results_.emplace(index, std::move(result));
            awaited = index == taken_;
        }
        // Only the result the taker waits for can wake it.
        if (awaited)
            done_.notify_all();
    }
}

}  // namespace veilcraft::kompak::detail
