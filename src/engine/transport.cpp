#include "engine/transport.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <limits>

#include "engine/capture_engine.h"
#include "engine/level_meters.h"
#include "engine/playback_mixer.h"
#include "engine/studio.h"
#include "platform/number_format.h"

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

Transport::Transport(Studio& studio) : studio_(studio), self_(std::make_shared<Transport*>(this)) {}

Transport::~Transport() { StopTimer(); }

void Transport::SpeedButton1Click() {
    int started = 0;
    std::vector<StreamId> recordings;
    if (studio_.capture().StopRecording(true)) {
        studio_.notify(Change::TrackView);
    } else if (studio_.recordToggle) {
        started = studio_.capture().startRecordings();
        recordings = studio_.capture().streamsToStart();
    }

    if (TimerId != 0) {
        StopTimer();
        studio_.mixer().CloseAllOutputs();
        // Recordings started by this press run on their own.
        if (!recordings.empty()) studio_.audio.startStreams(recordings);
    } else {
        startPlayback(recordings);
    }
    studio_.meters().MeterDivisor = studio_.model.clipCount() - started;
}

void Transport::startPlayback(const std::vector<StreamId>& recordings) {
    Timeline& tl = studio_.timeline;
    tl.PlayHead = tl.StartPosition;
    runStart_ = tl.StartPosition;
    StartTimer();
    PlaybackMixer& mixer = studio_.mixer();
    // Streams left open by a start whose timer failed begin again with this run.
    mixer.CloseAllOutputs();
    mixer.openRun();
    for (int slot : studio_.model.clipSlots()) {
        if (studio_.model.clip(slot)->GetDataSize() == 0) continue;
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
    studio_.mixer().RewindOutputs();
    runStart_ = seconds;
    studio_.timeline.PlayHead = seconds;
}

void Transport::SpeedButton2Click() {
    Timeline& tl = studio_.timeline;
    tl.StartPosition = 0.0f;
    tl.CursorX = 0;
    restartAt(0.0f);
    tl.hScrollPosition = 0;
    studio_.notify(Change::Cursor);
    ShowTime(tl.PlayHead.load());
}

void Transport::seekToPixel(int p) {
    Timeline& tl = studio_.timeline;
    tl.CursorX = p;
    tl.StartPosition = studio_.secondsAtPixel(p);
    restartAt(tl.StartPosition);
    studio_.notify(Change::Cursor);
    ShowTime(tl.StartPosition);
}

void Transport::canvasClick(int x) {
    x = std::max(0, x);  // the timeline has no columns left of 0
    seekToPixel(x);
    studio_.diagnostic = std::to_string(x);
}

void Transport::TrackBar1Change(int position) {
    Timeline& tl = studio_.timeline;
    tl.trackBarPosition = std::clamp(position, tl.trackBarMin, std::max(tl.trackBarMin, tl.trackBarMax));
    tl.TimeScale = static_cast<float>(tl.trackBarPosition * 0.1);

    int rightmost = 0;
    for (int slot : studio_.model.clipSlots()) {
        TMultiWave& clip = *studio_.model.clip(slot);
        if (clip.GetDataSize() == 0) continue;
        studio_.layoutClip(clip);
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
    studio_.notify(Change::Rulers);
    studio_.notify(Change::Cursor);
}

void Transport::publishScale() {
    const double scale = studio_.timeline.TimeScale;
    pixelsPerSecond_ = scale > 0.0 ? double(studio_.model.ProjectSampleRate) / scale : 0.0;
}

void Transport::StartTimer() {
    if (TimerId != 0) return;
    publishScale();
    viewWidth_ = studio_.timeline.viewWidth;
    lastPageCursor_ = -1;  // every run turns its pages afresh
    if (studio_.timer.start([this] { OnTick(); })) {
        TimerId = ++nextTimerId_;
        if (TimerId == 0) TimerId = ++nextTimerId_;
    }
    if (TimerId == 0) studio_.dialogs.showMessage(kTimerFailedMessage);
}

void Transport::StopTimer() {
    if (TimerId == 0) return;
    studio_.timer.stop();
    TimerId = 0;
}

void Transport::OnTick() {
    Timeline& tl = studio_.timeline;
    PlaybackMixer& mixer = studio_.mixer();
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
        studio_.events.post([weak, work = std::move(work)] {
            if (auto self = weak.lock()) work(**self);
        });
    };

    // The view turns a page when the cursor reaches its right edge.
    const int w = viewWidth_.load();
    if (w > 0 && cursor % w > w - 2 && cursor != lastPageCursor_) {
        lastPageCursor_ = cursor;
        toGui([cursor](Transport& t) {
            t.studio_.timeline.hScrollPosition = cursor;
            t.studio_.notify(Change::Cursor);
        });
    }

    if (++repaintCounter_ > kRepaintEveryTicks) {
        repaintCounter_ = 0;
        toGui([](Transport& t) {
            t.viewWidth_ = t.studio_.timeline.viewWidth;
            t.studio_.notify(Change::Cursor);
        });
    }
    if (++displayCounter_ > kDisplayEveryTicks) {
        displayCounter_ = 0;
        toGui([](Transport& t) { t.ShowTime(t.studio_.timeline.PlayHead.load()); });
    }
}

std::string Transport::formatTime(double seconds) {
    // Minutes are truncated first; the seconds are rounded afterwards, so 59.9996 s reads
    // "00:60.000".
    const double minutes = std::trunc(seconds / 60.0);
    return formatFixed(minutes, 0, 2) + ":" + formatFixed(seconds - 60.0 * minutes, 3, 2);
}

void Transport::ShowTime(double t) {
    studio_.timeText = formatTime(t);
    studio_.notify(Change::Time);
}

}  // namespace tqx
