#include "platform/platform_audio.h"

#include "platform/no_audio_system.h"
#include "platform/portaudio_audio.h"

namespace tqx {

std::unique_ptr<AudioSystem> createPlatformAudioSystem(EventSink& sink) {
    if (auto devices = PortAudioSystem::create(sink)) return devices;
    return std::make_unique<NoAudioSystem>();
}

}  // namespace tqx
