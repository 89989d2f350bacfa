#pragma once
// The master volume control backed by libCorvane.so (placeholder).
namespace tqx {

class Studio;

class MasterVolume {
public:
    explicit MasterVolume(Studio& studio) : studio_(studio) {}
    void load() {}
    void release() {}

private:
    Studio& studio_;
};

}  // namespace tqx
