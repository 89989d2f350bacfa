#pragma once
// Track, clip and mixdown exports (placeholder).
namespace tqx {

class Studio;

class Exporter {
public:
    explicit Exporter(Studio& studio) : studio_(studio) {}

private:
    Studio& studio_;
};

}  // namespace tqx
