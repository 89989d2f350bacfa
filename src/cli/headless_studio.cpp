#include "cli/headless_studio.h"

#include <chrono>
#include <thread>

#include "audio/platform_audio.h"

namespace tqx {

HeadlessStudio::HeadlessStudio(const std::string& tool) : dialogs_(tool), audio_(createPlatformAudioSystem(events_)) {
    studio_ = std::make_unique<Studio>(Platform{dialogs_, *audio_, timer_, events_});
}

bool HeadlessStudio::runUntil(const std::function<bool()>& done, double limitSeconds,
                              const std::function<void()>& everyTenth) {
    using Clock = std::chrono::steady_clock;
    const auto start = Clock::now();
    auto nextTenth = start;
    while (true) {
        events_.pump();
        if (done()) return true;
        const auto now = Clock::now();
        if (now - start > std::chrono::duration<double>(limitSeconds)) return false;
        if (everyTenth && now >= nextTenth) {
            everyTenth();
            nextTenth = now + std::chrono::milliseconds(100);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

}  // namespace tqx
