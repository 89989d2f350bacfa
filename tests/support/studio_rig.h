#pragma once
// A Studio on the simulated device backend, with scripted dialogs and a timer that ticks
// only when the test says so.
#include "session/studio.h"
#include "platform/scripted_dialogs.h"
#include "audio/simulated_audio.h"

namespace tqx::test {

struct StudioRig {
    QueuedEventSink sink;
    SimulatedAudioSystem audio{sink};
    ScriptedDialogs dialogs;
    ManualTimerService timer;
    Studio studio{{dialogs, audio, timer, sink}};
};

}  // namespace tqx::test
