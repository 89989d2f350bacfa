#pragma once
// Play/stop, go to start, the time scale and the 1 ms timer (placeholder).
namespace tqx {

class Studio;

class Transport {
public:
    explicit Transport(Studio& studio) : studio_(studio) {}
    void StopTimer() {}
private:
    Studio& studio_;
};

}  // namespace tqx
