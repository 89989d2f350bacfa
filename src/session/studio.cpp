#include "session/studio.h"

#include "effects/equalizer.h"
#include "engine/capture_engine.h"
#include "engine/device_choice.h"
#include "engine/level_meters.h"
#include "engine/master_volume.h"
#include "engine/playback_mixer.h"
#include "engine/transport.h"
#include "io/exporter.h"
#include "io/wave_import.h"
#include "session/project_file_commands.h"
#include "session/track_commands.h"

namespace tqx {

Studio::Studio(Platform platform)
    : dialogs(platform.dialogs), audio(platform.audio), timer(platform.timer), events(platform.events) {
    timeline.setRate(model.ProjectSampleRate);
    equalizer_ = std::make_unique<Equalizer>(dialogs);
    meters_ = std::make_unique<LevelMeters>(model, texts);
    mixer_ = std::make_unique<PlaybackMixer>(audio, dialogs, model, timeline, devices, *equalizer_, *meters_, texts);
    capture_ = std::make_unique<CaptureEngine>(audio, dialogs, model, timeline, devices, *meters_, texts);
    transport_ = std::make_unique<Transport>(audio, dialogs, timer, events, model, timeline, texts, *mixer_, *capture_,
                                             *meters_);
    deviceChoice_ = std::make_unique<DeviceChoice>(audio, model, devices);
    masterVolume_ = std::make_unique<MasterVolume>(dialogs);
    const auto stopAll = [this] { StopAll(); };
    importer_ = std::make_unique<WaveImporter>(dialogs, model, timeline, texts, stopAll);
    exporter_ = std::make_unique<Exporter>(exportContext(), stopAll, selectedClip);
    projectFile_ = std::make_unique<ProjectFileCommands>(*this);
    trackCommands_ = std::make_unique<TrackCommands>(*this);
    // The equalizer and the per-track device boxes are saved with the project.
    equalizerEdits_ = equalizer_->changed.connect([this] { model.markModified(); });
    deviceEdits_ = deviceChoice_->changed.connect([this] { model.markModified(); });
}

Studio::~Studio() {
    StopAll();
    model.resetProject();
}

ExportContext Studio::exportContext() { return {model, *equalizer_, dialogs, texts}; }

void Studio::StopAll() {
    mixer_->CloseAllOutputs();
    capture_->StopRecording(false);
    transport_->StopTimer();
}

}  // namespace tqx
