#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <mutex>
#include <thread>
#include <vector>

namespace veilcraft {

// Reads a file descriptor in order from a second thread, a few chunks ahead
// of the caller, so that the kernel's copy out of the page cache overlaps the
// caller's work (the cipher). The first error, or the end of the file coming
// before `size` bytes, is kept and handed to the caller when it reaches that
// point; nothing is read after it.
class BackgroundReader {
public:
    // Reads bytes [start, start + size) of fd.
    BackgroundReader(int fd, std::uint64_t start, std::uint64_t size);
    ~BackgroundReader();
    BackgroundReader(const BackgroundReader&) = delete;
    BackgroundReader& operator=(const BackgroundReader&) = delete;

    enum class Failure { None, Error, Shorter };
    struct Result {
        std::size_t length = 0;  // bytes copied
        Failure failure = Failure::None;
        int error = 0;  // the errno of Failure::Error
    };
    // Copies the next bytes into buffer: `length` of them unless the range
    // ends first, or fewer when a failure comes before.
    Result read(std::uint8_t* buffer, std::size_t length);

private:
    using Buffer = std::vector<std::uint8_t>;
    static constexpr std::size_t kBufferSize = std::size_t{64} << 10;
    static constexpr std::size_t kBuffers = 8;

    void run();

    const int fd_;
    Buffer current_;
    std::size_t taken_ = 0;  // bytes of current_ already handed out
    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<Buffer> filled_;
    std::vector<Buffer> spare_;
    std::uint64_t next_;       // offset of the next read
    const std::uint64_t end_;
    Failure failure_ = Failure::None;
    int error_ = 0;
    bool stopping_ = false;
    std::thread thread_;  // last: started once the rest is set
};

}  // namespace veilcraft
