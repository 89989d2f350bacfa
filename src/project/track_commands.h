#pragma once
// Track panel commands: new, delete, select, icon, fold (placeholder).
namespace tqx {

class Studio;

class TrackCommands {
public:
    explicit TrackCommands(Studio& studio) : studio_(studio) {}

private:
    Studio& studio_;
};

}  // namespace tqx
