#include "platform/timer_service.h"

#include <chrono>

namespace tqx {

ThreadTimerService::~ThreadTimerService() { stop(); }

bool ThreadTimerService::start(std::function<void()> tick) {
    if (thread_.joinable()) return true;
    stopRequested_ = false;
    try {
        thread_ = std::thread([this, tick = std::move(tick)] {
            using clock = std::chrono::steady_clock;
            auto next = clock::now() + std::chrono::milliseconds(1);
            while (!stopRequested_.load()) {
                std::this_thread::sleep_until(next);
                if (stopRequested_.load()) break;
                tick();
                next += std::chrono::milliseconds(1);
            }
        });
    } catch (...) {
        return false;
    }
    return true;
}

void ThreadTimerService::stop() {
    if (!thread_.joinable()) return;
    stopRequested_ = true;
    if (thread_.get_id() != std::this_thread::get_id())
        thread_.join();
    else
        thread_.detach();
}

bool ThreadTimerService::running() const { return thread_.joinable(); }

bool ManualTimerService::start(std::function<void()> tick) {
    if (failToStart) return false;
    tick_ = std::move(tick);
    return true;
}

void ManualTimerService::stop() { tick_ = nullptr; }

bool ManualTimerService::running() const { return static_cast<bool>(tick_); }

void ManualTimerService::advance(int ticks) {
    for (int i = 0; i < ticks && tick_; ++i) tick_();
}

}  // namespace tqx
