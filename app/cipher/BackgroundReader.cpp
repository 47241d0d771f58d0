#include "BackgroundReader.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <unistd.h>

namespace veilcraft {

BackgroundReader::BackgroundReader(int fd, std::uint64_t start, std::uint64_t size)
    : fd_(fd), next_(start), end_(start + size), thread_(&BackgroundReader::run, this)
{
}

BackgroundReader::~BackgroundReader()
{
    {
        const std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    changed_.notify_all();
    thread_.join();
}

void BackgroundReader::run()
{
    std::unique_lock lock(mutex_);
    for (;;) {
        // Once every buffer is full the thread sleeps until half of them
        // were taken: waking for each one would cost more than reading it.
        if (filled_.size() >= kBuffers)
            changed_.wait(lock, [this] { return stopping_ || filled_.size() <= kBuffers / 2; });
        if (stopping_ || failure_ != Failure::None || next_ >= end_)
            return;
        Buffer buffer;
        if (!spare_.empty()) {
            buffer = std::move(spare_.back());
            spare_.pop_back();
        }
        const std::uint64_t offset = next_;
        lock.unlock();
        buffer.resize(static_cast<std::size_t>(std::min<std::uint64_t>(kBufferSize, end_ - offset)));
        std::size_t done = 0;
        Failure failure = Failure::None;
        int error = 0;
        while (done < buffer.size()) {
            const ssize_t got =
                ::pread(fd_, buffer.data() + done, buffer.size() - done, static_cast<off_t>(offset + done));
            if (got < 0 && errno == EINTR)
                continue;
            if (got <= 0) {
                failure = got < 0 ? Failure::Error : Failure::Shorter;
                error = got < 0 ? errno : 0;
                break;
            }
            done += static_cast<std::size_t>(got);
        }
        buffer.resize(done);
        lock.lock();
        next_ = offset + done;
        failure_ = failure;
        error_ = error;
        if (!buffer.empty())
            filled_.push_back(std::move(buffer));
        changed_.notify_all();
    }
}

BackgroundReader::Result BackgroundReader::read(std::uint8_t* buffer, std::size_t length)
{
    Result result;
    while (result.length < length) {
        if (taken_ == current_.size()) {
            std::unique_lock lock(mutex_);
            changed_.wait(lock, [this] { return !filled_.empty() || failure_ != Failure::None || next_ >= end_; });
            if (filled_.empty()) {
                result.failure = failure_;
                result.error = error_;
                return result;
            }
            if (current_.capacity() != 0)
                spare_.push_back(std::move(current_));
            current_ = std::move(filled_.front());
            filled_.pop_front();
            taken_ = 0;
            if (filled_.size() == kBuffers / 2)
                changed_.notify_all();
        }
        const std::size_t part = std::min(length - result.length, current_.size() - taken_);
        std::memcpy(buffer + result.length, current_.data() + taken_, part);
        taken_ += part;
        result.length += part;
    }
    return result;
}

}  // namespace veilcraft
