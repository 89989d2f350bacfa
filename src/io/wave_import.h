#pragma once
// WAVE import into clips (placeholder).
namespace tqx {

class Studio;

class WaveImporter {
public:
    explicit WaveImporter(Studio& studio) : studio_(studio) {}

private:
    Studio& studio_;
};

}  // namespace tqx
