#pragma once
// Studio: the session, the one root the program creates. It owns the document (the project
// model and its device choices), the view state (timeline and window texts), the equalizer,
// the engine (meters, playback, capture, transport, devices, master volume), the import and
// export work and the commands, and hands each only the parts it uses. Each part announces
// its own changes; the windows subscribe to what they show and turn gestures into calls on
// these parts. Tests create a fresh one each. GUI thread.
#include <memory>
#include <string>

#include "audio/audio_system.h"
#include "engine/timeline.h"
#include "engine/window_texts.h"
#include "io/export_context.h"
#include "platform/event_sink.h"
#include "platform/timer_service.h"
#include "platform/user_dialogs.h"
#include "project/device_selection.h"
#include "project/project_model.h"
#include "session/new_project.h"

namespace tqx {

class Equalizer;
class LevelMeters;
class PlaybackMixer;
class Transport;
class CaptureEngine;
class DeviceChoice;
class MasterVolume;
class WaveImporter;
class Exporter;
class ProjectFileCommands;
class TrackCommands;

struct Platform {
    UserDialogs& dialogs;
    AudioSystem& audio;
    TimerService& timer;
    EventSink& events;
};

class Studio {
public:
    explicit Studio(Platform platform);
    ~Studio();
    Studio(const Studio&) = delete;
    Studio& operator=(const Studio&) = delete;

    UserDialogs& dialogs;
    AudioSystem& audio;
    TimerService& timer;
    EventSink& events;

    // The document.
    ProjectModel model;
    DeviceSelection devices;
    // The view state.
    Timeline timeline;
    WindowTexts texts;
    int selectedClip = -1;  // the clip the clip popup menu was last opened on
    bool closing = false;   // the main window is closing
    // The last new project's tracks and rate; an open the user stops falls back to such a project.
    NewProjectChoice newProjectChoice;

    Equalizer& equalizer() { return *equalizer_; }
    LevelMeters& meters() { return *meters_; }
    PlaybackMixer& mixer() { return *mixer_; }
    Transport& transport() { return *transport_; }
    CaptureEngine& capture() { return *capture_; }
    DeviceChoice& deviceChoice() { return *deviceChoice_; }
    MasterVolume& masterVolume() { return *masterVolume_; }
    WaveImporter& importer() { return *importer_; }
    Exporter& exporter() { return *exporter_; }
    ProjectFileCommands& projectFile() { return *projectFile_; }
    TrackCommands& trackCommands() { return *trackCommands_; }

    // What rendering and writing an export take of the session.
    ExportContext exportContext();

    // Closes every output stream, ends every recording without reading it back and stops
    // the timer; run before every project, import and export command and at closing.
    void StopAll();

private:
    std::unique_ptr<Equalizer> equalizer_;
    std::unique_ptr<LevelMeters> meters_;
    std::unique_ptr<PlaybackMixer> mixer_;
    std::unique_ptr<CaptureEngine> capture_;
    std::unique_ptr<Transport> transport_;
    std::unique_ptr<DeviceChoice> deviceChoice_;
    std::unique_ptr<MasterVolume> masterVolume_;
    std::unique_ptr<WaveImporter> importer_;
    std::unique_ptr<Exporter> exporter_;
    std::unique_ptr<ProjectFileCommands> projectFile_;
    std::unique_ptr<TrackCommands> trackCommands_;
    Connection equalizerEdits_, deviceEdits_;
};

}  // namespace tqx
