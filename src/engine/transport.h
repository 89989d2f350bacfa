#pragma once
// Play/stop with the record toggle, go to start, seeking, the time scale and the 1 ms timer
// that shows the play head. The play head is where the run's sample clock has been heard, so
// it stays exact however long the run; the timer only reads it and asks for redraws.
// Everything runs on the GUI thread except OnTick, which runs on the timer's thread and
// touches only atomics; what it wants shown is posted to the GUI.
#include <atomic>
#include <memory>
#include <string>
#include <vector>

#include "audio/audio_system.h"
#include "platform/event_sink.h"
#include "platform/signal.h"
#include "platform/timer_service.h"
#include "platform/user_dialogs.h"

namespace tqx {

class CaptureEngine;
class LevelMeters;
class PlaybackMixer;
class ProjectModel;
class WindowTexts;
struct Timeline;

class Transport {
public:
    Transport(AudioSystem& audio, UserDialogs& dialogs, TimerService& timer, EventSink& events, ProjectModel& model,
              Timeline& timeline, WindowTexts& texts, PlaybackMixer& mixer, CaptureEngine& capture,
              LevelMeters& meters);
    ~Transport();
    Transport(const Transport&) = delete;
    Transport& operator=(const Transport&) = delete;

    // SpeedButton3, the record toggle: while down, the play button records on armed tracks.
    // It comes up by itself when a take could not be written.
    bool recordToggle = false;
    // GUI thread.
    void setRecordToggle(bool down);
    Signal<> recordToggleChanged;

    // GUI thread. The play/stop button: ends recordings, starts recordings on armed tracks when the
    // record toggle is down, and starts or stops playback.
    void SpeedButton1Click();
    // GUI thread. Go to start: position 0, open streams continue from there.
    void SpeedButton2Click();
    // GUI thread. A press on a clip at absolute timeline pixel p.
    void seekToPixel(int p);
    // GUI thread. The canvas's left button at absolute timeline pixel x.
    void canvasClick(int x);
    // GUI thread. The time-scale slider moved to `position`: every clip is laid out again.
    void TrackBar1Change(int position);

    // GUI thread: the 1 ms timer starts or stops.
    void StartTimer();
    void StopTimer();
    // The transport started or stopped playing.
    Signal<> playingChanged;
    // Timer thread: one millisecond of the timer.
    void OnTick();
    // GUI thread (the timer thread never asks).
    bool isPlaying() const { return TimerId != 0; }

    // Any thread. "mm:ss.fff" the way the time display writes it; 75.25 -> "01:15.250".
    static std::string formatTime(double seconds);
    // GUI thread. Shows t seconds in the time display.
    void ShowTime(double t);

private:
    // Opens the clock and every clip stream and starts them with `recordings`.
    void startPlayback(const std::vector<StreamId>& recordings);
    // After a seek: the play head and the running streams begin again at the start position.
    void restartAt(float seconds);
    // Pixels per second for the tick; kept apart from the timeline so the timer thread
    // never reads the slider's values while the GUI thread changes them.
    void publishScale();

    AudioSystem& audio_;
    UserDialogs& dialogs_;
    TimerService& timer_;
    EventSink& events_;
    ProjectModel& model_;
    Timeline& timeline_;
    WindowTexts& texts_;
    PlaybackMixer& mixer_;
    CaptureEngine& capture_;
    LevelMeters& meters_;
    Connection takeFailed_;
    int TimerId = 0;
    int nextTimerId_ = 0;
    std::atomic<double> pixelsPerSecond_{0.0};
    std::atomic<int> viewWidth_{0};
    // The start position of the running run, for the timer thread.
    std::atomic<double> runStart_{0.0};
    // Touched only by the timer thread.
    int repaintCounter_ = 0;
    int displayCounter_ = 0;
    int lastPageCursor_ = -1;
    // Display requests still queued when the transport goes away find this expired.
    std::shared_ptr<Transport*> self_;
};

}  // namespace tqx
