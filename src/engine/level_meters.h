#pragma once
// Track and master level meters (placeholder until the playback engine lands).
namespace tqx {

class Studio;

class LevelMeters {
public:
    explicit LevelMeters(Studio& studio) : studio_(studio) {}

private:
    Studio& studio_;
};

}  // namespace tqx
