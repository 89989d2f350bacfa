#pragma once
// Recording on armed tracks (placeholder).
namespace tqx {

class Studio;

class CaptureEngine {
public:
    explicit CaptureEngine(Studio& studio) : studio_(studio) {}
    bool StopRecording(bool /*reload*/) { return false; }
private:
    Studio& studio_;
};

}  // namespace tqx
