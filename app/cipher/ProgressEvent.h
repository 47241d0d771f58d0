#pragma once

#include <functional>
#include <map>

namespace veilcraft {

// The engines' Progress event: a list of listeners called synchronously on the
// engine's thread with a percentage 0..100. A listener may throw to abort the
// running operation (this is how a caller cancels); a file operation aborted
// that way leaves its destination as it was.
class ProgressEvent {
public:
    using Listener = std::function<void(int& percent)>;

    int connect(Listener listener)
    {
        listeners_.emplace(nextId_, std::move(listener));
        return nextId_++;
    }
    void disconnect(int id) { listeners_.erase(id); }
    [[nodiscard]] bool hasListeners() const { return !listeners_.empty(); }

    void raise(int percent) const
    {
        for (const auto& entry : listeners_) {
            int value = percent;  // passed by reference; the engine never reads it back
            entry.second(value);
        }
    }

private:
    std::map<int, Listener> listeners_;
    int nextId_ = 1;
};

}  // namespace veilcraft
