#pragma once
// Studio: the one core object the program creates. It owns the project model, the transport
// and timeline values, the device choices, the meters and every engine subsystem; the main
// window draws its state and turns gestures into calls on it. Tests create a fresh one each.
#include <atomic>
#include <memory>
#include <string>
#include <vector>

#include "audio/audio_system.h"
#include "platform/event_sink.h"
#include "platform/timer_service.h"
#include "platform/user_dialogs.h"
#include "project/project_model.h"

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

// What the widgets are told to redraw. The core calls StudioView on the GUI thread only.
enum class Change {
    Caption,       // window caption (progress texts)
    Time,          // the time display text
    Cursor,        // play line / cursor position, horizontal scroll
    Rulers,        // time scale changed: rulers and every clip's place
    Clips,         // clips added, removed, moved or changed track
    Tracks,        // track panels added, removed, resized, reordered or their values changed
    Meters,        // track or master meter images
    Memo,          // the message memo
    TrackView,     // RefreshTrackView
    Equalizer,     // equalizer controls
    Devices,       // device lists and their check boxes
    MasterVolume,  // master volume image
};

class StudioView {
public:
    virtual ~StudioView() = default;
    virtual void changed(Change) {}
    // Long work reports progress (0..1); returning false asks it to stop.
    virtual bool progress(const std::string& /*what*/, double /*fraction*/) { return true; }
};

struct Platform {
    UserDialogs& dialogs;
    AudioSystem& audio;
    TimerService& timer;
    EventSink& events;
};

// Time, pixels and scrolling of the timeline. Pixels are absolute timeline columns; the
// widgets subtract the scroll position when they draw.
struct Timeline {
    float StartPosition = 0.0f;          // seconds; where playback and recording begin
    std::atomic<double> PlayHead{0.0};   // seconds heard of the run; set by the timer thread
    std::atomic<int> CursorX{0};         // pixel column of the play cursor
    float TimeScale = 1102.5f;           // samples of the project rate per pixel
    int trackBarMin = 4410, trackBarMax = 22050, trackBarPosition = 11025, tickFrequency = 500;
    int hScrollPosition = 0;
    int hScrollRange = 200;
    int vScrollPosition = 0;
    int viewWidth = 600;                 // visible width of the clip area, pixels

    // The time-scale slider derived from a project rate (position rate / 4).
    void setRate(int rate);
};

struct DeviceSelection {
    int InputDeviceId = kDefaultDevice;
    int OutputDeviceId = kDefaultDevice;
    bool perTrackRecording = false;  // CheckBox1 "トラック毎に割り当てる" under the recording list
    bool perTrackPlayback = false;   // CheckBox2 under the playback list
    std::vector<DeviceCaps> inputs;
    std::vector<DeviceCaps> outputs;
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
    StudioView* view = nullptr;

    ProjectModel model;
    Timeline timeline;
    DeviceSelection devices;

    std::string caption = kApplicationTitle;  // main window caption
    std::string timeText = "00:00.000";       // Edit2
    std::string diagnostic;                   // the hidden Edit1
    std::vector<std::string> memo;            // the message memo
    bool closing = false;
    bool recordToggle = false;                // SpeedButton3 is down
    int recordingMode = 0;                    // 0 "ステレオ", 1 "モノラル"
    int selectedClip = -1;                    // last clip pressed with the right button
    const std::string exportProposedName = "NoName";

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

    void notify(Change change) {
        if (view) view->changed(change);
    }
    void setCaption(const std::string& text);

    // Closes every output stream, ends every recording without reading it back and stops
    // the timer; run before every project, import and export command and at closing.
    void StopAll();

    // Places a clip on the timeline at the current time scale: left from its start time,
    // width from its data at the project rate. Widens the scroll range when needed.
    void layoutClip(TMultiWave& clip);
    // Seconds at an absolute timeline pixel, and back (truncated toward zero).
    float secondsAtPixel(int pixel) const;
    int pixelAtSeconds(double seconds) const;

private:
    std::unique_ptr<Equalizer> equalizer_;
    std::unique_ptr<LevelMeters> meters_;
    std::unique_ptr<PlaybackMixer> mixer_;
    std::unique_ptr<Transport> transport_;
    std::unique_ptr<CaptureEngine> capture_;
    std::unique_ptr<DeviceChoice> deviceChoice_;
    std::unique_ptr<MasterVolume> masterVolume_;
    std::unique_ptr<WaveImporter> importer_;
    std::unique_ptr<Exporter> exporter_;
    std::unique_ptr<ProjectFileCommands> projectFile_;
    std::unique_ptr<TrackCommands> trackCommands_;
};

}  // namespace tqx
