#pragma once
// Small helpers shared by the tests: scratch folders and whole-file access.
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace tqx::test {

// A fresh empty folder under the system temp directory, removed when the object goes.
class ScratchDir {
public:
    ScratchDir();
    ~ScratchDir();
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;
    const std::filesystem::path& path() const { return path_; }
    std::string file(const std::string& name) const { return (path_ / name).string(); }

private:
    std::filesystem::path path_;
};

std::vector<std::uint8_t> readFile(const std::string& path);
void writeFile(const std::string& path, const std::vector<std::uint8_t>& bytes);

// Bytes of a canonical 44-byte-header PCM WAVE file holding `samples`.
std::vector<std::uint8_t> makeWave(std::uint16_t channels, std::uint32_t rate, const std::vector<std::int16_t>& samples,
                                   std::uint16_t bits = 16);

// Runs `work` in a child process that the kernel kills (SIGXFSZ) as soon as a file it writes
// grows past `bytes`, as a save or export is killed half-way; the signal that ended the
// child, 0 when it was not killed.
int killedPastFileSize(std::size_t bytes, const std::function<void()>& work);

}  // namespace tqx::test
