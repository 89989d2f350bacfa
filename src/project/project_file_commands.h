#pragma once
// Open, save and save-as of project files (placeholder).
namespace tqx {

class Studio;

class ProjectFileCommands {
public:
    explicit ProjectFileCommands(Studio& studio) : studio_(studio) {}

private:
    Studio& studio_;
};

}  // namespace tqx
