#include "project/project_model.h"

#include <algorithm>
#include <cmath>

namespace tqx {

namespace {
constexpr int kCentre = kSliderWidth / 2;
}

// Each value takes a +0.005 guard before truncation, so a value that came from the slider
// (and was held in single precision) lands on the same position again.
int volumeToSliderPosition(float volume) {
    return static_cast<int>(std::trunc(kSliderWidth * (static_cast<double>(volume) + 0.005)));
}
int panToSliderPosition(float pan) {
    return static_cast<int>(std::trunc(kCentre + kCentre * (static_cast<double>(pan) + 0.005)));
}
int gainToSliderPosition(float gain) {
    return static_cast<int>(std::trunc(kCentre + kCentre * (static_cast<double>(gain) + 0.005) * 0.2));
}
float sliderPositionToVolume(int position) { return static_cast<float>(double(position) / kSliderWidth); }
float sliderPositionToPan(int position) { return static_cast<float>(double(position - kCentre) / kCentre); }
float sliderPositionToGain(int position) { return static_cast<float>(5.0 * double(position - kCentre) / kCentre); }

std::string trackItemText(const TrackOrderEntry& entry) {
    return "Track" + std::to_string(entry.slot + 1) + " (" + entry.name + ")";
}

ProjectModel::ProjectModel() : TrackTable(kTrackSlots), ClipTable(kClipSlots) {}

int ProjectModel::createTrack(std::optional<int> slot) {
    int s = -1;
    if (slot) {
        s = *slot;
        if (s < 0 || s >= kUsableTrackSlots) return -1;
        if (TrackTable[s].exists) return s;
    } else {
        for (int i = 0; i < kTrackSlots; ++i)
            if (!TrackTable[i].exists) {
                s = i;
                break;
            }
        if (s < 0 || s >= kUsableTrackSlots) return -1;
    }
    TrackSlot& t = TrackTable[s];
    t.exists = true;
    t.name = "トラック" + std::to_string(s + 1);
    t.panelHeight = kMinPanelHeight;
    // Below every existing panel; stacking then closes the gap.
    t.panelTop = totalTrackHeight() + 60 * s + 20;
    restackPanels();
    updateAnySolo();
    changedTrack(s, TrackChange::Added);
    return s;
}

static void resetSlotValues(TrackSlot& t) {
    t.exists = false;
    t.untouched = false;
    t.recordArmed = t.muted = t.soloed = false;
    t.volume = 1.0f;
    t.pan = 0.0f;
    t.gain = 0.0f;
    t.playbackDevice = -1;
    t.recordingDevice = -1;
    t.icon = 1;
    t.name.clear();
    t.panelTop = 0;
    t.panelHeight = kMinPanelHeight;
    t.importBuffer.clear();
    t.importBuffer.shrink_to_fit();
}

void ProjectModel::removeTrack(int slot) {
    if (!trackExists(slot)) return;
    resetSlotValues(TrackTable[slot]);
    SelectedTrack = -1;
    std::vector<int> gone;
    for (std::size_t c = 0; c < ClipTable.size(); ++c)
        if (ClipTable[c] && ClipTable[c]->GetTrack() == slot) {
            ClipTable[c].reset();
            gone.push_back(int(c));
        }
    restackPanels();
    updateAnySolo();
    for (int c : gone) changedClip(c, ClipChange::Removed);
    changedTrack(slot, TrackChange::Removed);
}

void ProjectModel::resetProject() {
    for (auto& c : ClipTable) c.reset();
    for (auto& t : TrackTable)
        if (t.exists) resetSlotValues(t);
    AnySolo = false;
    if (bulk_ == 0) replaced();
}

int ProjectModel::trackCount() const {
    return static_cast<int>(
        std::count_if(TrackTable.begin(), TrackTable.end(), [](const TrackSlot& t) { return t.exists; }));
}

int ProjectModel::clipCount() const {
    return static_cast<int>(
        std::count_if(ClipTable.begin(), ClipTable.end(), [](const auto& c) { return c != nullptr; }));
}

int ProjectModel::totalTrackHeight() const {
    int h = kRulerHeight;
    for (const auto& t : TrackTable)
        if (t.exists) h += t.panelHeight + kPanelGap;
    return h;
}

void ProjectModel::updateAnySolo() {
    AnySolo =
        std::any_of(TrackTable.begin(), TrackTable.end(), [](const TrackSlot& t) { return t.exists && t.soloed; });
}

bool ProjectModel::trackAudible(int slot) const {
    if (slot < 0 || slot >= kTrackSlots) return false;
    const TrackSlot& t = TrackTable[slot];
    return !t.muted && (!AnySolo || t.soloed);
}

std::optional<TrackSettings> ProjectModel::gatherSettings(int slot) const {
    if (!trackExists(slot)) return std::nullopt;
    const TrackSlot& t = TrackTable[slot];
    TrackSettings s;
    s.slot = slot;
    s.name = t.name;
    s.volume = t.volume;
    s.pan = t.pan;
    s.gain = t.gain;
    s.playbackDevice = t.playbackDevice;
    s.recordingDevice = t.recordingDevice;
    s.icon = t.icon;
    s.recordArmed = t.recordArmed;
    s.muted = t.muted;
    s.soloed = t.soloed;
    return s;
}

void ProjectModel::applySettings(int slot, const TrackSettings& s, bool full, int playbackDeviceCount,
                                 int recordingDeviceCount) {
    if (!trackExists(slot)) return;
    TrackSlot& t = TrackTable[slot];
    t.name = s.name;
    // A position off the slider (a damaged file) is ignored by the slider: the value stays.
    int v = volumeToSliderPosition(s.volume);
    if (v >= 0 && v <= kSliderWidth) t.volume = sliderPositionToVolume(v);
    int p = panToSliderPosition(s.pan);
    if (p >= 0 && p <= kSliderWidth) t.pan = sliderPositionToPan(p);
    int g = gainToSliderPosition(s.gain);
    if (g >= 0 && g <= kSliderWidth) t.gain = sliderPositionToGain(g);
    markModified();
    if (!full) return;
    t.playbackDevice = (s.playbackDevice >= 0 && s.playbackDevice < playbackDeviceCount) ? s.playbackDevice : -1;
    t.recordingDevice = (s.recordingDevice >= 0 && s.recordingDevice < recordingDeviceCount) ? s.recordingDevice : -1;
    t.icon = std::clamp(s.icon, 0, 12);
    t.recordArmed = s.recordArmed != 0;
    t.muted = s.muted != 0;
    t.soloed = s.soloed != 0;
    updateAnySolo();
    changedTrack(slot, TrackChange::Values);
}

std::deque<TrackOrderEntry> ProjectModel::buildOrderedTrackList() const {
    std::vector<TrackOrderEntry> list;
    for (int s = 0; s < kTrackSlots; ++s)
        if (TrackTable[s].exists) list.push_back({s, 0, TrackTable[s].panelTop, TrackTable[s].name});
    quickSortByKey(list, [](const TrackOrderEntry& e) { return e.panelTop; });
    int n = 1;
    for (auto& e : list) e.displayOrder = n++;
    return {list.begin(), list.end()};
}

std::deque<ClipEntry> ProjectModel::buildClipList(int trackSlot) const {
    std::deque<ClipEntry> list;
    for (int s = 0; s < kClipSlots; ++s) {
        const TMultiWave* c = ClipTable[s].get();
        if (!c || c->GetTrack() != trackSlot) continue;
        WaveFormat f = c->GetFormat();
        ClipEntry e;
        e.clipSlot = s;
        e.trackSlot = trackSlot;
        e.path = c->FileName();
        e.channels = f.channels != 1 ? "ステレオ" : "モノラル";
        e.sampleRate = static_cast<int>(f.samplesPerSec);
        e.start = c->GetStartTime();
        e.duration = f.avgBytesPerSec ? static_cast<float>(double(c->GetDataSize()) / f.avgBytesPerSec) : 0.0f;
        list.push_back(std::move(e));
    }
    return list;
}

void ProjectModel::applyTrackOrder(const std::deque<TrackOrderEntry>& order) {
    for (const auto& e : order)
        if (trackExists(e.slot)) TrackTable[e.slot].panelTop = e.panelTop;
    restackPanels();
    changedTrack(-1, TrackChange::Order);
}

void ProjectModel::restackPanels() {
    std::vector<int> slots;
    for (int s = 0; s < kTrackSlots; ++s)
        if (TrackTable[s].exists) slots.push_back(s);
    std::stable_sort(slots.begin(), slots.end(),
                     [&](int a, int b) { return TrackTable[a].panelTop < TrackTable[b].panelTop; });
    int top = kRulerHeight;
    for (int s : slots) {
        TrackTable[s].panelTop = top;
        top += TrackTable[s].panelHeight + kPanelGap;
    }
}

void ProjectModel::setPanelHeight(int slot, int height) {
    if (!trackExists(slot)) return;
    TrackTable[slot].panelHeight = std::clamp(height, kMinPanelHeight, kMaxPanelHeight);
    restackPanels();
    changedTrack(slot, TrackChange::Layout);
}

void ProjectModel::swapPanels(int a, int b) {
    if (!trackExists(a) || !trackExists(b) || a == b) return;
    std::swap(TrackTable[a].panelTop, TrackTable[b].panelTop);
    restackPanels();
    changedTrack(-1, TrackChange::Order);
}

TMultiWave* ProjectModel::clip(int slot) const {
    if (slot < 0 || slot >= kClipSlots) return nullptr;
    return ClipTable[static_cast<std::size_t>(slot)].get();
}

int ProjectModel::firstFreeClipSlot() const {
    for (int s = 0; s < kClipSlots; ++s)
        if (!ClipTable[s]) return s;
    return -1;
}

TMultiWave& ProjectModel::createClip(int slot) {
    ClipTable[static_cast<std::size_t>(slot)] = std::make_unique<TMultiWave>(slot);
    return *ClipTable[static_cast<std::size_t>(slot)];
}

void ProjectModel::destroyClip(int slot) {
    if (slot < 0 || slot >= kClipSlots || !ClipTable[static_cast<std::size_t>(slot)]) return;
    ClipTable[static_cast<std::size_t>(slot)].reset();
    changedClip(slot, ClipChange::Removed);
}

std::vector<int> ProjectModel::clipSlots() const {
    std::vector<int> out;
    for (int s = 0; s < kClipSlots; ++s)
        if (ClipTable[s]) out.push_back(s);
    return out;
}

}  // namespace tqx
