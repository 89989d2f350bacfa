#include "audio/platform_audio.h"

#include "audio/no_audio_system.h"
#include "audio/portaudio_audio.h"

namespace tqx {

std::unique_ptr<AudioSystem> createPlatformAudioSystem(EventSink& sink) {
    if (auto devices = PortAudioSystem::create(sink)) return devices;
    return std::make_unique<NoAudioSystem>();
}

}  // namespace tqx
