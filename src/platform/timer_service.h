#pragma once
// The transport's 1 ms periodic timer. The tick runs on the timer's own thread.
#include <atomic>
#include <functional>
#include <thread>

namespace tqx {

class TimerService {
public:
    virtual ~TimerService() = default;
    // Starts calling `tick` every millisecond; false when the timer cannot be started.
    virtual bool start(std::function<void()> tick) = 0;
    // Stops the ticks; no tick runs after this returns.
    virtual void stop() = 0;
    virtual bool running() const = 0;
};

// A std::thread on the steady clock. Ticks keep a fixed 1 ms grid, so a late tick is
// followed by quicker ones rather than drifting.
class ThreadTimerService : public TimerService {
public:
    ~ThreadTimerService() override;
    bool start(std::function<void()> tick) override;
    void stop() override;
    bool running() const override;

private:
    std::thread thread_;
    std::atomic<bool> stopRequested_{false};
};

// Ticks only when the test says so.
class ManualTimerService : public TimerService {
public:
    bool failToStart = false;
    bool start(std::function<void()> tick) override;
    void stop() override;
    bool running() const override;
    void advance(int ticks);

private:
    std::function<void()> tick_;
};

}  // namespace tqx
