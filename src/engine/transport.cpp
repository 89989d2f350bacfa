#include "engine/transport.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <limits>

#include "engine/capture_engine.h"
#include "engine/level_meters.h"
#include "engine/playback_mixer.h"
#include "engine/timeline.h"
#include "engine/window_texts.h"
#include "platform/number_format.h"
#include "project/project_model.h"

namespace tqx {

namespace {

constexpr const char* kTimerFailedMessage = "Error! Timer failed initialize.";
constexpr int kRepaintEveryTicks = 100;  // the cursor is redrawn after more ticks than this
constexpr int kDisplayEveryTicks = 50;   // and the time display after more than this

int truncToInt(double x) {
    if (!(x == x)) return 0;
    x = std::clamp(std::trunc(x), double(std::numeric_limits<int>::min()), double(std::numeric_limits<int>::max()));
    return static_cast<int>(x);
}

}  // namespace

Transport::Transport(AudioSystem& audio, UserDialogs& dialogs, TimerService& timer, EventSink& events,
                     ProjectModel& model, Timeline& timeline, WindowTexts& texts, PlaybackMixer& mixer,
                     CaptureEngine& capture, LevelMeters& meters)
    : audio_(audio),
      dialogs_(dialogs),
      timer_(timer),
      events_(events),
      model_(model),
      timeline_(timeline),
      texts_(texts),
      mixer_(mixer),
      capture_(capture),
      meters_(meters),
      self_(std::make_shared<Transport*>(this)) {
    takeFailed_ = capture_.takeFailed.connect([this] { setRecordToggle(false); });
}

void Transport::setRecordToggle(bool down) {
    if (recordToggle == down) return;
    recordToggle = down;
    recordToggleChanged();
}

Transport::~Transport() { StopTimer(); }

void Transport::SpeedButton1Click() {
    int started = 0;
    std::vector<StreamId> recordings;
    if (capture_.recording()) {
        // The takes end where the user stopped, once the devices delivered that far. Playback
        // ends first: waiting on an input must not leave the clip streams unfed.
        double heard = timeline_.PlayHead.load();
        if (const auto seconds = mixer_.secondsHeard()) heard = runStart_.load() + *seconds;
        const bool playing = TimerId != 0;
        if (playing) {
            StopTimer();
            mixer_.CloseAllOutputs();
        }
        capture_.StopRecordingAt(heard);  // the takes are read back and on their tracks
        if (!playing) startPlayback({});
        meters_.MeterDivisor = model_.clipCount();
        return;
    }
    if (recordToggle) {
        started = capture_.startRecordings();
        recordings = capture_.streamsToStart();
    }

    if (TimerId != 0) {
        StopTimer();
        mixer_.CloseAllOutputs();
        // Recordings started by this press run on their own.
        if (!recordings.empty()) audio_.startStreams(recordings);
    } else {
        startPlayback(recordings);
    }
    meters_.MeterDivisor = model_.clipCount() - started;
}

void Transport::startPlayback(const std::vector<StreamId>& recordings) {
    Timeline& tl = timeline_;
    tl.PlayHead = tl.StartPosition;
    runStart_ = tl.StartPosition;
    StartTimer();
    PlaybackMixer& mixer = mixer_;
    // Streams left open by a start whose timer failed begin again with this run.
    mixer.CloseAllOutputs();
    mixer.openRun();
    for (int slot : model_.clipSlots()) {
        if (model_.clip(slot)->GetDataSize() == 0) continue;
        if (!mixer.OpenClipOutput(slot)) {
            // Nothing of this run plays; the play head and the recordings go on.
            mixer.CloseAllOutputs();
            mixer.openRun();
            break;
        }
    }
    mixer.startRun(recordings);
}

void Transport::restartAt(float seconds) {
    mixer_.RewindOutputs();
    runStart_ = seconds;
    timeline_.PlayHead = seconds;
}

void Transport::SpeedButton2Click() {
    Timeline& tl = timeline_;
    tl.StartPosition = 0.0f;
    tl.CursorX = 0;
    restartAt(0.0f);
    tl.hScrollPosition = 0;
    tl.cursorMoved();
    ShowTime(tl.PlayHead.load());
}

void Transport::seekToPixel(int p) {
    Timeline& tl = timeline_;
    tl.CursorX = p;
    tl.StartPosition = tl.secondsAtPixel(p, model_.ProjectSampleRate);
    restartAt(tl.StartPosition);
    tl.cursorMoved();
    ShowTime(tl.StartPosition);
}

void Transport::canvasClick(int x) {
    x = std::max(0, x);  // the timeline has no columns left of 0
    seekToPixel(x);
    texts_.setDiagnostic(std::to_string(x));
}

void Transport::TrackBar1Change(int position) {
    Timeline& tl = timeline_;
    tl.trackBarPosition = std::clamp(position, tl.trackBarMin, std::max(tl.trackBarMin, tl.trackBarMax));
    tl.TimeScale = static_cast<float>(tl.trackBarPosition * 0.1);

    int rightmost = 0;
    for (int slot : model_.clipSlots()) {
        TMultiWave& clip = *model_.clip(slot);
        if (clip.GetDataSize() == 0) continue;
        tl.layClip(clip, model_.ProjectSampleRate);
        rightmost = std::max(rightmost, clip.left + clip.width);
    }
    tl.hScrollRange = rightmost + 200;

    publishScale();
    const double pixelsPerSecond = pixelsPerSecond_.load();
    if (isPlaying()) {
        tl.CursorX = truncToInt(pixelsPerSecond * tl.PlayHead.load());
    } else {
        tl.CursorX = truncToInt(pixelsPerSecond * tl.StartPosition);
        tl.PlayHead = tl.StartPosition;
    }
    tl.scaleChanged();
    tl.cursorMoved();
}

void Transport::publishScale() {
    const double scale = timeline_.TimeScale;
    pixelsPerSecond_ = scale > 0.0 ? double(model_.ProjectSampleRate) / scale : 0.0;
}

void Transport::StartTimer() {
    if (TimerId != 0) return;
    publishScale();
    viewWidth_ = timeline_.viewWidth;
    lastPageCursor_ = -1;  // every run turns its pages afresh
    if (timer_.start([this] { OnTick(); })) {
        TimerId = ++nextTimerId_;
        if (TimerId == 0) TimerId = ++nextTimerId_;
        playingChanged();
    }
    if (TimerId == 0) dialogs_.showMessage(kTimerFailedMessage);
}

void Transport::StopTimer() {
    if (TimerId == 0) return;
    timer_.stop();
    TimerId = 0;
    playingChanged();
}

void Transport::OnTick() {
    Timeline& tl = timeline_;
    PlaybackMixer& mixer = mixer_;
    mixer.tick();
    // The play head is what the listener has heard of the run; while the clock is between
    // runs (a seek on the GUI thread) it stays where it is.
    double next = tl.PlayHead.load();
    if (const auto heard = mixer.secondsHeard()) {
        next = runStart_.load() + *heard;
        tl.PlayHead = next;
    }

    const int cursor = truncToInt(pixelsPerSecond_.load() * next);
    tl.CursorX = cursor;

    // Display work belongs to the GUI thread; requests find the transport gone after it is.
    const std::weak_ptr<Transport*> weak = self_;
    auto toGui = [&](std::function<void(Transport&)> work) {
        events_.post([weak, work = std::move(work)] {
            if (auto self = weak.lock()) work(**self);
        });
    };

    // The view turns a page when the cursor reaches its right edge.
    const int w = viewWidth_.load();
    if (w > 0 && cursor % w > w - 2 && cursor != lastPageCursor_) {
        lastPageCursor_ = cursor;
        toGui([cursor](Transport& t) {
            t.timeline_.hScrollPosition = cursor;
            t.timeline_.cursorMoved();
        });
    }

    if (++repaintCounter_ > kRepaintEveryTicks) {
        repaintCounter_ = 0;
        toGui([](Transport& t) {
            t.viewWidth_ = t.timeline_.viewWidth;
            t.timeline_.cursorMoved();
        });
    }
    if (++displayCounter_ > kDisplayEveryTicks) {
        displayCounter_ = 0;
        toGui([](Transport& t) { t.ShowTime(t.timeline_.PlayHead.load()); });
    }
}

std::string Transport::formatTime(double seconds) {
    // Minutes are truncated first; the seconds are rounded afterwards, so 59.9996 s reads
    // "00:60.000".
    const double minutes = std::trunc(seconds / 60.0);
    return formatFixed(minutes, 0, 2) + ":" + formatFixed(seconds - 60.0 * minutes, 3, 2);
}

void Transport::ShowTime(double t) { texts_.setTimeText(formatTime(t)); }

}  // namespace tqx
