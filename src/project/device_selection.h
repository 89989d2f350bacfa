#pragma once
// The recording and playback devices the project uses: one of each for all tracks, or each
// track's own when "トラック毎に割り当てる" is ticked; and the system's devices to choose from.
#include <vector>

#include "audio/audio_system.h"

namespace tqx {

struct DeviceSelection {
    int InputDeviceId = kDefaultDevice;
    int OutputDeviceId = kDefaultDevice;
    bool perTrackRecording = false;  // CheckBox1 "トラック毎に割り当てる" under the recording list
    bool perTrackPlayback = false;   // CheckBox2 under the playback list
    std::vector<DeviceCaps> inputs;
    std::vector<DeviceCaps> outputs;
};

}  // namespace tqx
