#include "platform/event_sink.h"

namespace tqx {

void QueuedEventSink::post(std::function<void()> event) {
    std::lock_guard lock(mutex_);
    queue_.push_back(std::move(event));
}

std::size_t QueuedEventSink::pump() {
    std::size_t ran = 0;
    for (;;) {
        std::function<void()> next;
        {
            std::lock_guard lock(mutex_);
            if (queue_.empty()) return ran;
            next = std::move(queue_.front());
            queue_.pop_front();
        }
        next();
        ++ran;
    }
}

std::size_t QueuedEventSink::pending() const {
    std::lock_guard lock(mutex_);
    return queue_.size();
}

}  // namespace tqx
