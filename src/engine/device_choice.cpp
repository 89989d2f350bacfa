#include "engine/device_choice.h"

#include <cstdio>

#include "project/project_model.h"

namespace tqx {

namespace {

std::vector<std::string> itemsOf(const std::vector<DeviceCaps>& devices) {
    std::vector<std::string> items;
    items.reserve(devices.size() + 1);
    for (const auto& d : devices) items.push_back(d.name);
    items.emplace_back(DeviceChoice::kWaveMapper);
    return items;
}

// An item index names a device when it lies inside the device list; the "WAVE MAPPER"
// item after it (and anything else) means the default device.
int deviceOf(int index, const std::vector<DeviceCaps>& devices) {
    return index >= 0 && index < static_cast<int>(devices.size()) ? index : kDefaultDevice;
}

int itemOf(int device, const std::vector<DeviceCaps>& devices) {
    const int n = static_cast<int>(devices.size());
    return device >= 0 && device < n ? device : n;
}

}  // namespace

DeviceChoice::DeviceChoice(AudioSystem& audio, ProjectModel& model, DeviceSelection& devices)
    : audio_(audio), model_(model), devices_(devices) {
    fillMainLists();
}

void DeviceChoice::fillMainLists() {
    DeviceSelection& d = devices_;
    d.inputs = audio_.inputDevices();
    d.InputDeviceId = kDefaultDevice;
    d.outputs = audio_.outputDevices();
    // Each output device's capabilities go to the debugging output, as they always have.
    for (const auto& out : d.outputs) {
        std::fprintf(stderr, "%s\n", out.pitch ? "PITCH SUPPORT" : "NOT PITCH");
        std::fprintf(stderr, "%s\n", out.volume ? "VOLUME SUPPORT" : "NOT VOLUME");
    }
    d.OutputDeviceId = kDefaultDevice;
    changed();
}

std::vector<std::string> DeviceChoice::inputItems() const { return itemsOf(devices_.inputs); }
std::vector<std::string> DeviceChoice::outputItems() const { return itemsOf(devices_.outputs); }
int DeviceChoice::inputItemOf(int device) const { return itemOf(device, devices_.inputs); }
int DeviceChoice::outputItemOf(int device) const { return itemOf(device, devices_.outputs); }

void DeviceChoice::ComboBox1Change(int index) {
    devices_.InputDeviceId = deviceOf(index, devices_.inputs);
    model_.markModified();
}

void DeviceChoice::ComboBox2Change(int index) {
    devices_.OutputDeviceId = deviceOf(index, devices_.outputs);
    model_.markModified();
}

void DeviceChoice::setTrackRecordingDevice(int slot, int index) {
    if (!model_.trackExists(slot)) return;
    model_.track(slot).recordingDevice = deviceOf(index, devices_.inputs);
    model_.changedTrack(slot, TrackChange::Values);
}

void DeviceChoice::setTrackPlaybackDevice(int slot, int index) {
    if (!model_.trackExists(slot)) return;
    model_.track(slot).playbackDevice = deviceOf(index, devices_.outputs);
    model_.changedTrack(slot, TrackChange::Values);
}

void DeviceChoice::CheckBox1Click(bool checked) {
    devices_.perTrackRecording = checked;
    changed();
}

void DeviceChoice::CheckBox2Click(bool checked) {
    devices_.perTrackPlayback = checked;
    changed();
}

bool DeviceChoice::inputListEnabled() const { return !devices_.perTrackRecording; }
bool DeviceChoice::outputListEnabled() const { return !devices_.perTrackPlayback; }
bool DeviceChoice::trackRecordingListsEnabled() const { return devices_.perTrackRecording; }
bool DeviceChoice::trackPlaybackListsEnabled() const { return devices_.perTrackPlayback; }

}  // namespace tqx
