#include "engine/studio.h"

#include <cmath>

#include "effects/equalizer.h"
#include "engine/capture_engine.h"
#include "engine/device_choice.h"
#include "engine/level_meters.h"
#include "engine/master_volume.h"
#include "engine/playback_mixer.h"
#include "engine/transport.h"
#include "io/exporter.h"
#include "io/wave_import.h"
#include "project/project_file_commands.h"
#include "project/track_commands.h"

namespace tqx {

void Timeline::setRate(int rate) {
    trackBarMin = static_cast<int>(std::trunc(rate * 0.1));
    trackBarMax = static_cast<int>(std::trunc(rate * 0.5));
    trackBarPosition = static_cast<int>(std::trunc(rate * 0.25));
    TimeScale = static_cast<float>(trackBarPosition * 0.1);
    switch (rate) {
        case 4000: tickFrequency = 50; break;
        case 8000: tickFrequency = 80; break;
        case 11025: tickFrequency = 125; break;
        case 22050: tickFrequency = 250; break;
        case 44100:
        case 48000: tickFrequency = 500; break;
        default: tickFrequency = 50; break;
    }
}

Studio::Studio(Platform platform)
    : dialogs(platform.dialogs), audio(platform.audio), timer(platform.timer), events(platform.events) {
    timeline.setRate(model.ProjectSampleRate);
    equalizer_ = std::make_unique<Equalizer>(dialogs);
    meters_ = std::make_unique<LevelMeters>(*this);
    mixer_ = std::make_unique<PlaybackMixer>(*this);
    transport_ = std::make_unique<Transport>(*this);
    capture_ = std::make_unique<CaptureEngine>(*this);
    deviceChoice_ = std::make_unique<DeviceChoice>(*this);
    masterVolume_ = std::make_unique<MasterVolume>(*this);
    importer_ = std::make_unique<WaveImporter>(*this);
    exporter_ = std::make_unique<Exporter>(*this);
    projectFile_ = std::make_unique<ProjectFileCommands>(*this);
    trackCommands_ = std::make_unique<TrackCommands>(*this);
}

Studio::~Studio() {
    StopAll();
    model.resetProject();
}

void Studio::setCaption(const std::string& text) {
    caption = text;
    notify(Change::Caption);
}

void Studio::StopAll() {
    mixer_->CloseAllOutputs();
    capture_->StopRecording(false);
    transport_->StopTimer();
}

float Studio::secondsAtPixel(int pixel) const {
    return static_cast<float>(double(pixel) * timeline.TimeScale / model.ProjectSampleRate);
}

int Studio::pixelAtSeconds(double seconds) const {
    return static_cast<int>(std::trunc(seconds * model.ProjectSampleRate / timeline.TimeScale));
}

void Studio::layoutClip(TMultiWave& clip) {
    const WaveFormat f = clip.GetFormat();
    const unsigned frameBytes = (f.bitsPerSample / 8u) * f.channels;
    const double frames = frameBytes ? double(clip.GetDataSize() / frameBytes) : 0.0;
    const double rateRatio = f.samplesPerSec ? double(f.samplesPerSec) / model.ProjectSampleRate : 1.0;
    // A clip at another rate is as wide as its data would be at the project rate.
    const double w1 = std::trunc(frames / timeline.TimeScale);
    clip.width = static_cast<int>(std::trunc(w1 / rateRatio));
    clip.left = pixelAtSeconds(clip.GetStartTime());
    clip.SetTimelinePos(clip.left);
    clip.onTimeline = true;
    if (timeline.hScrollRange - 200 < clip.left + clip.width)
        timeline.hScrollRange = clip.left + clip.width + 200;
}

}  // namespace tqx
