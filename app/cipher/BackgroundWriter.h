#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace veilcraft {

// Writes to a file descriptor from a second thread, so that the kernel's copy
// into the page cache overlaps the caller's work (reading and the cipher).
// Bytes are gathered in a few fixed-size buffers; the caller blocks only when
// all of them wait to be written. Small outputs never start the thread. The
// first write error is kept and raised (as errno) by the next write() or by
// finish(); nothing after it is written.
class BackgroundWriter {
public:
    explicit BackgroundWriter(int fd);
    ~BackgroundWriter();
    BackgroundWriter(const BackgroundWriter&) = delete;
    BackgroundWriter& operator=(const BackgroundWriter&) = delete;

    // Returns 0, or the errno of an earlier failed write.
    int write(const std::uint8_t* data, std::size_t length);
    // Writes what is left and waits for it; returns 0 or the first errno.
    int finish();

private:
    using Buffer = std::vector<std::uint8_t>;
    static constexpr std::size_t kBufferSize = std::size_t{64} << 10;
    static constexpr std::size_t kBuffers = 4;

    void submit();
    void run();
    int writeAll(const Buffer& buffer) const;
    void stop();

    int fd_;
    Buffer current_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<Buffer> queued_;
    std::vector<Buffer> spare_;
    bool writing_ = false;
    bool stopping_ = false;
    int error_ = 0;
    std::thread thread_;
};

}  // namespace veilcraft
