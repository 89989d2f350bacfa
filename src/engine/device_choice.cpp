#include "engine/device_choice.h"

#include <cstdio>

#include "engine/studio.h"

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

DeviceChoice::DeviceChoice(Studio& studio) : studio_(studio) { fillMainLists(); }

void DeviceChoice::fillMainLists() {
    DeviceSelection& d = studio_.devices;
    d.inputs = studio_.audio.inputDevices();
    d.InputDeviceId = kDefaultDevice;
    d.outputs = studio_.audio.outputDevices();
    // Each output device's capabilities go to the debugging output, as they always have.
    for (const auto& out : d.outputs) {
        std::fprintf(stderr, "%s\n", out.pitch ? "PITCH SUPPORT" : "NOT PITCH");
        std::fprintf(stderr, "%s\n", out.volume ? "VOLUME SUPPORT" : "NOT VOLUME");
    }
    d.OutputDeviceId = kDefaultDevice;
    studio_.notify(Change::Devices);
}

std::vector<std::string> DeviceChoice::inputItems() const { return itemsOf(studio_.devices.inputs); }
std::vector<std::string> DeviceChoice::outputItems() const { return itemsOf(studio_.devices.outputs); }
int DeviceChoice::inputItemOf(int device) const { return itemOf(device, studio_.devices.inputs); }
int DeviceChoice::outputItemOf(int device) const { return itemOf(device, studio_.devices.outputs); }

void DeviceChoice::ComboBox1Change(int index) {
    studio_.devices.InputDeviceId = deviceOf(index, studio_.devices.inputs);
}

void DeviceChoice::ComboBox2Change(int index) {
    studio_.devices.OutputDeviceId = deviceOf(index, studio_.devices.outputs);
}

void DeviceChoice::setTrackRecordingDevice(int slot, int index) {
    if (!studio_.model.trackExists(slot)) return;
    studio_.model.track(slot).recordingDevice = deviceOf(index, studio_.devices.inputs);
}

void DeviceChoice::setTrackPlaybackDevice(int slot, int index) {
    if (!studio_.model.trackExists(slot)) return;
    studio_.model.track(slot).playbackDevice = deviceOf(index, studio_.devices.outputs);
}

void DeviceChoice::CheckBox1Click(bool checked) {
    studio_.devices.perTrackRecording = checked;
    studio_.notify(Change::Devices);
}

void DeviceChoice::CheckBox2Click(bool checked) {
    studio_.devices.perTrackPlayback = checked;
    studio_.notify(Change::Devices);
}

bool DeviceChoice::inputListEnabled() const { return !studio_.devices.perTrackRecording; }
bool DeviceChoice::outputListEnabled() const { return !studio_.devices.perTrackPlayback; }
bool DeviceChoice::trackRecordingListsEnabled() const { return studio_.devices.perTrackRecording; }
bool DeviceChoice::trackPlaybackListsEnabled() const { return studio_.devices.perTrackPlayback; }

}  // namespace tqx
