#pragma once
// What reaches the private sound server's null sink, read from its monitor by parec (stopped
// by the byte count, as a killed parec loses what it buffered). For the live tests that
// tests/scripts/pulseaudio_backend.sh runs.
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/byte_order.h"

namespace tqx::test {

class MonitorCapture {
public:
    explicit MonitorCapture(double seconds) {
        const auto bytes = static_cast<std::size_t>(seconds * 44100) * 4;
        const std::string command =
            "parec -d out.monitor --format=s16le --rate=44100 --channels=2 --latency-msec=20"
            " | head -c " +
            std::to_string(bytes);
        pipe_ = popen(command.c_str(), "r");
        if (pipe_) reader_ = std::thread([this] { read(); });
    }
    ~MonitorCapture() { finish(); }

    // True once the monitor delivers data, so what is played from now on is captured.
    bool flowing() {
        const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (std::chrono::steady_clock::now() < giveUp) {
            {
                std::lock_guard lock(mutex_);
                if (bytes_.size() >= 4410 || ended_) return bytes_.size() >= 4410;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        return false;
    }

    // Every sample captured (left, right, left, ...), once the byte count is reached.
    std::vector<std::int16_t> samples() {
        finish();
        std::vector<std::int16_t> out;
        for (std::size_t i = 0; i + 2 <= bytes_.size(); i += 2) out.push_back(getSample16(&bytes_[i]));
        return out;
    }

    // Frames that are not silent, in the order they were captured (left, right, left, ...).
    std::vector<std::int16_t> soundingSamples() {
        finish();
        std::vector<std::int16_t> samples;
        for (std::size_t i = 0; i + 4 <= bytes_.size(); i += 4) {
            const std::int16_t l = getSample16(&bytes_[i]), r = getSample16(&bytes_[i + 2]);
            if (l != 0 || r != 0) {
                samples.push_back(l);
                samples.push_back(r);
            }
        }
        return samples;
    }

private:
    void read() {
        std::uint8_t buffer[4096];
        std::size_t n;
        while ((n = std::fread(buffer, 1, sizeof buffer, pipe_)) > 0) {
            std::lock_guard lock(mutex_);
            bytes_.insert(bytes_.end(), buffer, buffer + n);
        }
        std::lock_guard lock(mutex_);
        ended_ = true;
    }
    void finish() {
        if (reader_.joinable()) reader_.join();
        if (pipe_) pclose(pipe_);
        pipe_ = nullptr;
    }

    std::FILE* pipe_ = nullptr;
    std::thread reader_;
    std::mutex mutex_;
    std::vector<std::uint8_t> bytes_;
    bool ended_ = false;
};

}  // namespace tqx::test
