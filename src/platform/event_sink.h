#pragma once
// Device notifications leave the audio side through an EventSink and run on the GUI thread.
// The program's sink is the Qt event loop; tests use QueuedEventSink and pump it themselves.
#include <deque>
#include <functional>
#include <mutex>

namespace tqx {

class EventSink {
public:
    virtual ~EventSink() = default;
    // May be called from any thread; the event runs later on the GUI thread, in post order.
    virtual void post(std::function<void()> event) = 0;
};

class QueuedEventSink : public EventSink {
public:
    void post(std::function<void()> event) override;
    // Runs every event queued so far, and those they post in turn; returns how many ran.
    std::size_t pump();
    std::size_t pending() const;

private:
    mutable std::mutex mutex_;
    std::deque<std::function<void()>> queue_;
};

}  // namespace tqx
