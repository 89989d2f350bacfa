#pragma once
// The program's device layer: PortAudio when it starts, else a layer without any device, so
// the program always runs (without sound when nothing can be opened).
#include <memory>

#include "audio/audio_system.h"
#include "platform/event_sink.h"

namespace tqx {

std::unique_ptr<AudioSystem> createPlatformAudioSystem(EventSink& sink);

}  // namespace tqx
