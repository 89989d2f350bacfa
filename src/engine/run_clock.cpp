#include "engine/run_clock.h"

#include <algorithm>

namespace tqx {

RunClock::RunClock(AudioSystem& audio) : audio_(audio) {}

RunClock::~RunClock() { close(); }

void RunClock::open(int device, std::uint32_t rate) {
    close();
    rate_ = rate;
    ticks_ = 0;
    stream_ = rate > 0 ? audio_.openOutput(device, WaveFormat::pcm(2, rate), nullptr) : 0;
    open_ = true;
}

void RunClock::restart() {
    ticks_ = 0;
    if (const StreamId s = stream_.load()) audio_.resetOutput(s);
}

void RunClock::close() {
    open_ = false;
    if (const StreamId s = stream_.exchange(0)) audio_.closeOutput(s);
}

void RunClock::tick() {
    if (stream_.load() == 0) ticks_.fetch_add(1);
}

std::optional<double> RunClock::secondsHeard() const {
    if (!open_.load()) return std::nullopt;
    const StreamId s = stream_.load();
    if (s == 0) return double(ticks_.load()) / 1000.0;
    const std::int64_t frames = audio_.framesHeard(s);
    if (frames == kNotHeard) return std::nullopt;
    return double(std::max<std::int64_t>(0, frames)) / double(rate_.load());
}

}  // namespace tqx
