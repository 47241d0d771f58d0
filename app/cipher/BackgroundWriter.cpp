#include "BackgroundWriter.h"

#include "WriteAll.h"

#include <algorithm>
#include <cerrno>
#include <unistd.h>

namespace veilcraft {

BackgroundWriter::BackgroundWriter(int fd) : fd_(fd)
{
    current_.reserve(kBufferSize);
}

BackgroundWriter::~BackgroundWriter()
{
    {
        // Abandoned before finish(): what is still queued is not written.
        std::lock_guard lock(mutex_);
        if (error_ == 0)
            error_ = ECANCELED;
    }
    stop();
}

int BackgroundWriter::write(const std::uint8_t* data, std::size_t length)
{
    while (length > 0) {
        const std::size_t room = kBufferSize - current_.size();
        const std::size_t part = std::min(room, length);
        current_.insert(current_.end(), data, data + part);
        data += part;
        length -= part;
        if (current_.size() == kBufferSize)
            submit();
        std::lock_guard lock(mutex_);
        if (error_ != 0)
            return error_;
    }
    return 0;
}

void BackgroundWriter::submit()
{
    std::unique_lock lock(mutex_);
    if (!thread_.joinable())
        thread_ = std::thread(&BackgroundWriter::run, this);
    changed_.wait(lock, [this] { return queued_.size() + (writing_ ? 1 : 0) < kBuffers || error_ != 0; });
    queued_.push_back(std::move(current_));
    if (!spare_.empty()) {
        current_ = std::move(spare_.back());
        spare_.pop_back();
    } else {
        current_ = Buffer();
        current_.reserve(kBufferSize);
    }
    current_.clear();
    changed_.notify_all();
}

void BackgroundWriter::run()
{
    std::unique_lock lock(mutex_);
    for (;;) {
        changed_.wait(lock, [this] { return !queued_.empty() || stopping_; });
        if (queued_.empty())
            return;
        Buffer buffer = std::move(queued_.front());
        queued_.pop_front();
        writing_ = true;
        const bool skip = error_ != 0;
        lock.unlock();
        const int error = skip ? 0 : writeAll(buffer);
        lock.lock();
        writing_ = false;
        if (error != 0 && error_ == 0)
            error_ = error;
        spare_.push_back(std::move(buffer));
        changed_.notify_all();
    }
}

int BackgroundWriter::writeAll(const Buffer& buffer) const
{
    // A write that makes no progress ends the output rather than being
    // tried again for ever.
    errno = 0;
    if (veilcraft::writeAll(fd_, buffer.data(), buffer.size()))
        return 0;
    return errno != 0 ? errno : EIO;
}

int BackgroundWriter::finish()
{
    if (!thread_.joinable()) {
        // Everything fit in one buffer: write it here.
        const int error = writeAll(current_);
        current_.clear();
        return error;
    }
    if (!current_.empty())
        submit();
    {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [this] { return queued_.empty() && !writing_; });
    }
    stop();
    return error_;
}

void BackgroundWriter::stop()
{
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    changed_.notify_all();
    if (thread_.joinable())
        thread_.join();
}

}  // namespace veilcraft
