#pragma once
// Recording and playback device choice (placeholder).
namespace tqx {

class Studio;

class DeviceChoice {
public:
    explicit DeviceChoice(Studio& studio) : studio_(studio) {}

private:
    Studio& studio_;
};

}  // namespace tqx
