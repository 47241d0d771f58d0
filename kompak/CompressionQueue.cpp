#include "CompressionQueue.h"

#include <algorithm>

namespace veilcraft::kompak::detail {

namespace {

unsigned WorkerCount() { return std::clamp(std::thread::hardware_concurrency(), 1U, 8U); }

}  // namespace

CompressionQueue::CompressionQueue(std::vector<std::string> paths, int level, KeepGoing keepGoing)
    : paths_(std::move(paths)), level_(level), keepGoing_(std::move(keepGoing)), ahead_(4 * WorkerCount())
{
    const std::size_t workers = std::min<std::size_t>(WorkerCount(), paths_.size());
    for (std::size_t i = 0; i < workers; ++i)
        threads_.emplace_back([this] { work(); });
}

CompressionQueue::~CompressionQueue()
{
    {
        const std::lock_guard lock(mutex_);
        ending_ = true;
    }
    room_.notify_all();
    for (std::thread& thread : threads_)
        thread.join();
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
