#include "session/track_commands.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "platform/number_format.h"
#include "project/take_paths.h"
#include "project/text_encoding.h"
#include "session/new_project.h"
#include "session/studio.h"

namespace tqx {

namespace {

constexpr int kCentre = kSliderWidth / 2;

bool validPosition(int p) { return p >= 0 && p <= kSliderWidth; }

}  // namespace

// --- tracks ---

int TrackCommands::createTrack(std::optional<int> slot) { return studio_.model.createTrack(slot); }

void TrackCommands::newTrackCommand() {
    studio_.StopAll();
    createTrack();
}

void TrackCommands::selectTrack(int slot) {
    if (!studio_.model.trackExists(slot)) return;
    studio_.model.SelectedTrack = slot;
    studio_.model.changedTrack(slot, TrackChange::Selected);
}

void TrackCommands::deleteSelectedTrack() {
    ProjectModel& m = studio_.model;
    const int slot = m.SelectedTrack;
    if (!m.trackExists(slot)) return;
    const TrackSlot& t = m.track(slot);
    if (!t.untouched) {
        const DialogAnswer answer = studio_.dialogs.messageBox(t.name + kDeleteQuestionSuffix, studio_.texts.caption(),
                                                               DialogIcon::Warning, DialogButtons::YesNo);
        if (answer == DialogAnswer::No) return;
    }
    // Destroying a clip whose stream is still open would leave the device writing into freed
    // blocks, so a track whose clips are busy stops the engine first.
    for (int c : m.clipSlots()) {
        const TMultiWave* clip = m.clip(c);
        if (clip->GetTrack() == slot && (clip->playback().WaveOut != 0 || clip->IsCapturing())) {
            studio_.StopAll();
            break;
        }
    }
    m.removeTrack(slot);
}

// --- toggles and sliders ---

void TrackCommands::flip(int slot, bool TrackSlot::*flag) {
    if (!studio_.model.trackExists(slot)) return;
    TrackSlot& t = studio_.model.track(slot);
    t.*flag = !(t.*flag);
    studio_.model.updateAnySolo();
    studio_.model.changedTrack(slot, TrackChange::Values);
}

void TrackCommands::toggleMute(int slot) { flip(slot, &TrackSlot::muted); }
void TrackCommands::toggleSolo(int slot) { flip(slot, &TrackSlot::soloed); }
void TrackCommands::toggleRecordArm(int slot) {
    // Takes go beside the project file; one whose path the file could not store is never begun.
    const std::string& project = studio_.model.ProjectPath;
    const std::string folder = project.substr(0, project.rfind('/') + 1);
    if (studio_.model.trackExists(slot) && !studio_.model.track(slot).recordArmed && !takePathsFit(folder)) {
        studio_.dialogs.messageBox(takeFolderTooLongMessage(folder), kApplicationTitle, DialogIcon::Error,
                                   DialogButtons::Ok);
        return;
    }
    flip(slot, &TrackSlot::recordArmed);
}

void TrackCommands::setSliderPosition(int slot, TrackSlider slider, int p) {
    if (!studio_.model.trackExists(slot) || !validPosition(p)) return;
    TrackSlot& t = studio_.model.track(slot);
    switch (slider) {
        case TrackSlider::Volume: t.volume = sliderPositionToVolume(p); break;
        case TrackSlider::Pan: t.pan = sliderPositionToPan(p); break;
        case TrackSlider::Gain: t.gain = sliderPositionToGain(p); break;
    }
    studio_.model.changedTrack(slot, TrackChange::Values);
}

void TrackCommands::setVolumePosition(int slot, int p) { setSliderPosition(slot, TrackSlider::Volume, p); }
void TrackCommands::setPanPosition(int slot, int p) { setSliderPosition(slot, TrackSlider::Pan, p); }
void TrackCommands::setGainPosition(int slot, int p) { setSliderPosition(slot, TrackSlider::Gain, p); }

void TrackCommands::resetPan(int slot) { setPanPosition(slot, kCentre); }
void TrackCommands::resetGain(int slot) { setGainPosition(slot, kCentre); }

float TrackCommands::sliderValue(int slot, TrackSlider slider) const {
    const TrackSlot& t = studio_.model.track(slot);
    switch (slider) {
        case TrackSlider::Volume: return t.volume;
        case TrackSlider::Pan: return t.pan;
        case TrackSlider::Gain: return t.gain;
    }
    return 0.0f;
}

int TrackCommands::sliderPosition(int slot, TrackSlider slider) const {
    const float v = sliderValue(slot, slider);
    switch (slider) {
        case TrackSlider::Volume: return volumeToSliderPosition(v);
        case TrackSlider::Pan: return panToSliderPosition(v);
        case TrackSlider::Gain: return gainToSliderPosition(v);
    }
    return 0;
}

std::string TrackCommands::volumeText(float volume) { return formatFixed(volume, 2); }

std::string TrackCommands::panText(float pan) {
    const std::string magnitude = formatFixed(std::fabs(pan), 2);
    if (magnitude == "0.00") return "center";
    return (pan < 0 ? "L" : "R") + magnitude;
}

std::string TrackCommands::gainText(float gain) { return formatFixed(gain, 1) + "dB"; }

std::string TrackCommands::sliderText(TrackSlider slider, float value) {
    switch (slider) {
        case TrackSlider::Volume: return volumeText(value);
        case TrackSlider::Pan: return panText(value);
        case TrackSlider::Gain: return gainText(value);
    }
    return {};
}

const char* TrackCommands::sliderName(TrackSlider slider) {
    switch (slider) {
        case TrackSlider::Volume: return "Volume";
        case TrackSlider::Pan: return "Pan";
        case TrackSlider::Gain: return "Gain";
    }
    return "";
}

// --- icon and name ---

void TrackCommands::setIcon(int slot, int icon) {
    if (!studio_.model.trackExists(slot) || icon < 0 || icon >= kTrackIconCount) return;
    studio_.model.track(slot).icon = icon;
    studio_.model.changedTrack(slot, TrackChange::Values);
}

bool trackNameFits(const std::string& name) {
    return storedTextBytes(name) <= static_cast<std::size_t>(kMaxTrackNameBytes);
}

bool TrackCommands::setName(int slot, const std::string& name) {
    if (!studio_.model.trackExists(slot)) return false;
    if (!trackNameFits(name)) {
        studio_.dialogs.messageBox(kTrackNameTooLongMessage, kApplicationTitle, DialogIcon::Error, DialogButtons::Ok);
        return false;
    }
    TrackSlot& t = studio_.model.track(slot);
    if (t.name == name) return true;
    t.name = name;
    studio_.model.changedTrack(slot, TrackChange::Named);
    return true;
}

// --- panel heights and order ---

void TrackCommands::expandAll() { setEveryPanelHeight(kMaxPanelHeight); }

void TrackCommands::foldAll() { setEveryPanelHeight(kMinPanelHeight); }

void TrackCommands::setEveryPanelHeight(int height) {
    ProjectModel& m = studio_.model;
    for (int s = 0; s < kTrackSlots; ++s)
        if (m.trackExists(s)) m.track(s).panelHeight = height;
    m.restackPanels();
    m.changedTrack(-1, TrackChange::Layout);
}

void TrackCommands::togglePanelFold(int slot) {
    if (!studio_.model.trackExists(slot)) return;
    const int h = studio_.model.track(slot).panelHeight;
    resizePanel(slot, h == kMinPanelHeight ? kMaxPanelHeight : kMinPanelHeight);
}

void TrackCommands::resizePanel(int slot, int height) {
    if (!studio_.model.trackExists(slot)) return;
    studio_.model.setPanelHeight(slot, height);
}

void TrackCommands::swapTracks(int dragged, int target) {
    ProjectModel& m = studio_.model;
    if (dragged == target || !m.trackExists(dragged) || !m.trackExists(target)) return;
    m.swapPanels(dragged, target);
}

// --- rows seen from a clip ---

bool TrackCommands::ResizeTrackRow(int clipSlot, int height) {
    const TMultiWave* clip = studio_.model.clip(clipSlot);
    if (!clip || !studio_.model.trackExists(clip->GetTrack())) return false;
    resizePanel(clip->GetTrack(), height);
    return height > kMaxPanelHeight;
}

void TrackCommands::ToggleTrackRow(int clipSlot) {
    const TMultiWave* clip = studio_.model.clip(clipSlot);
    if (clip) togglePanelFold(clip->GetTrack());
}

void TrackCommands::MoveClipToTrackAt(int y, int clipSlot) {
    TMultiWave* clip = studio_.model.clip(clipSlot);
    if (!clip) return;
    ProjectModel& m = studio_.model;
    for (int s = 0; s < kTrackSlots; ++s) {
        if (!m.trackExists(s)) continue;
        const TrackSlot& t = m.track(s);
        const int rowTop = t.panelTop - kRulerHeight;
        if (rowTop <= y && y <= rowTop + t.panelHeight) {
            clip->SetTrack(s);
            m.changedClip(clipSlot, ClipChange::Moved);
            return;
        }
    }
}

}  // namespace tqx
