#pragma once
// The recording and playback devices: one for the whole project, or one per track when
// "トラック毎に割り当てる" is ticked under the list. A device is its index in the list, which
// is the device's number; the last item, "WAVE MAPPER", stands for the default device (-1).
#include <string>
#include <vector>

#include "audio/audio_system.h"
#include "platform/signal.h"
#include "project/device_selection.h"

namespace tqx {

class ProjectModel;

class DeviceChoice {
public:
    static constexpr const char* kWaveMapper = "WAVE MAPPER";
    static constexpr const char* kPerTrackLabel = "トラック毎に割り当てる";

    // Lists the system's devices into `devices` and selects "WAVE MAPPER" for both.
    DeviceChoice(AudioSystem& audio, ProjectModel& model, DeviceSelection& devices);

    // Lists the devices again (start-up); both choices go back to "WAVE MAPPER".
    void fillMainLists();

    // Items of the recording (ComboBox1) and playback (ComboBox2) lists; the per-track lists
    // hold the same items.
    std::vector<std::string> inputItems() const;
    std::vector<std::string> outputItems() const;
    // Index of the item showing a device number (-1 = "WAVE MAPPER", the last item).
    int inputItemOf(int device) const;
    int outputItemOf(int device) const;

    // The main lists: the chosen item becomes the device for all tracks.
    void ComboBox1Change(int index);
    void ComboBox2Change(int index);
    // A track panel's lists.
    void setTrackRecordingDevice(int slot, int index);
    void setTrackPlaybackDevice(int slot, int index);

    // "トラック毎に割り当てる": ticked, the tracks' lists are used and the main list is
    // disabled; unticked, the reverse. Each track keeps its choice either way.
    void CheckBox1Click(bool checked);
    void CheckBox2Click(bool checked);

    bool inputListEnabled() const;   // ComboBox1
    bool outputListEnabled() const;  // ComboBox2
    bool trackRecordingListsEnabled() const;
    bool trackPlaybackListsEnabled() const;

    // The device lists, a choice or a per-track box changed.
    Signal<> changed;

private:
    AudioSystem& audio_;
    ProjectModel& model_;
    DeviceSelection& devices_;
};

}  // namespace tqx
