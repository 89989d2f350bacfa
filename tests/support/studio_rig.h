#pragma once
// A Studio with scripted dialogs and a timer that ticks only when the test says so, on the
// simulated device backend (StudioRig) or on none at all (SilentStudioRig: every device
// fails to open, as on a machine without sound).
#include "audio/no_audio_system.h"
#include "audio/simulated_audio.h"
#include "platform/scripted_dialogs.h"
#include "session/studio.h"

namespace tqx::test {

struct PlatformParts {
    QueuedEventSink sink;
    ScriptedDialogs dialogs;
    ManualTimerService timer;
};

struct StudioRig : PlatformParts {
    SimulatedAudioSystem audio{sink};
    Studio studio{{dialogs, audio, timer, sink}};
};

struct SilentStudioRig : PlatformParts {
    NoAudioSystem audio;
    Studio studio{{dialogs, audio, timer, sink}};
};

}  // namespace tqx::test
