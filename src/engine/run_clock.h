#pragma once
// The sample clock of one run of the transport: a stream on the main playback device that
// plays nothing and is started with the run's clip streams, so its timeline is theirs. The
// play head follows what the listener has heard of it. Without a playback device the clock
// counts the transport's timer ticks instead.
#include <atomic>
#include <cstdint>
#include <optional>

#include "audio/audio_system.h"

namespace tqx {

class RunClock {
public:
    explicit RunClock(AudioSystem& audio);
    ~RunClock();
    RunClock(const RunClock&) = delete;
    RunClock& operator=(const RunClock&) = delete;

    // GUI thread. Opens the clock stream on `device` at `rate`, or counts ticks from 0 when
    // the device refuses.
    void open(int device, std::uint32_t rate);
    // GUI thread. The stream to start with the run's other streams; 0 when counting ticks.
    StreamId stream() const { return stream_.load(); }
    // GUI thread. The run begins again at 0 (a seek); the stream waits to be started again.
    void restart();
    // GUI thread.
    void close();
    bool isOpen() const { return open_.load(); }

    // Timer thread: one millisecond has passed (counted only without a stream).
    void tick();
    // Any thread: seconds of the run heard so far; 0 before the first frame is heard, nullopt
    // when the clock is closed.
    std::optional<double> secondsHeard() const;

private:
    AudioSystem& audio_;
    std::atomic<bool> open_{false};
    std::atomic<StreamId> stream_{0};
    std::atomic<std::uint32_t> rate_{0};
    std::atomic<std::int64_t> ticks_{0};
};

}  // namespace tqx
