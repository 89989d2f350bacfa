#pragma once
// Per-clip output streams. Every clip with data gets its own stream of rotating blocks while the
// project plays; each block is taken from the clip's data at the play position and shaped by
// its track's mute, solo, gain, volume and pan (and the equalizer). The device layer mixes the
// streams.
//
// A run's streams, and its clock, are started together on the device's sample clock, so every
// clip on a device is sample-aligned with every other: block k of a clip's stream always holds
// the clip's frames from entryFrame + k blocks on, wherever the run began. Everything here runs
// on the GUI thread, except secondsHeard.
#include <cstdint>
#include <unordered_map>
#include <vector>

#include "audio/audio_system.h"
#include "engine/run_clock.h"
#include "engine/stream_equalizer.h"
#include "platform/user_dialogs.h"

namespace tqx {

class Equalizer;
class LevelMeters;
class ProjectModel;
class TMultiWave;
class WindowTexts;
struct DeviceSelection;
struct Timeline;

class PlaybackMixer : public AudioListener {
public:
    PlaybackMixer(AudioSystem& audio, UserDialogs& dialogs, ProjectModel& model, const Timeline& timeline,
                  const DeviceSelection& devices, const Equalizer& equalizer, LevelMeters& meters, WindowTexts& texts);

    // GUI thread. Opens the run's clock on the main playback device. Clip streams opened afterwards
    // join the run; startRun starts them all.
    void openRun();
    // GUI thread. Starts the clock, every clip stream waiting and `others` (recordings) together.
    void startRun(std::vector<StreamId> others = {});
    // Any thread: seconds of the run the listener has heard; nullopt while no run plays.
    std::optional<double> secondsHeard() const { return clock_.secondsHeard(); }
    // Timer thread: a millisecond for a run without playback device.
    void tick() { clock_.tick(); }

    // GUI thread. Opens the clip's stream on its device and queues its first blocks from the start
    // position; the stream waits for startRun. False (after a message) when the device refuses.
    bool OpenClipOutput(int clipSlot);
    // GUI thread. The clip frame the stream's next block begins with: the entry frame plus the
    // blocks queued so far.
    std::int64_t BlockStartOffset(int clipSlot);
    // GUI thread. Fills block `block` with the clip's frames from `firstFrame` on (frames outside
    // the data are silent): 1 = filled, 0 = the data is exhausted (nothing left to play), -1 =
    // error.
    int FillBlock(int clipSlot, int block, std::int64_t firstFrame);
    // GUI thread. A block of stream `h` came back from the device: refill and queue it again, or,
    // when the clip's data has run out, close the stream once its last block has played. Unknown
    // streams are ignored.
    void OnWaveOutDone(StreamId h);
    // GUI thread. Closes every open clip stream and the run's clock, and empties the meters.
    void CloseAllOutputs();
    // GUI thread. A seek while playing: every clip with data plays again from the start position,
    // in step with the others. Open streams are primed again, clips whose stream had ended get a
    // new one. False (after the device's message, every stream closed) when a device refuses.
    bool RewindOutputs();

    // GUI thread. Number of clip streams open right now.
    int openOutputCount() const;

    // GUI thread (the device layer hands blocks back through the event sink). AudioListener.
    void onOutputDone(StreamId stream, WaveHeader* header) override;
    void onInputData(StreamId stream, WaveHeader* header) override;

private:
    // Computes the clip's entry frame for the start position and queues its first blocks.
    void primeClip(int clipSlot);
    void closeClipStream(TMultiWave& clip);
    // Prepares and writes a block; false when the device did not take it.
    bool queueBlock(TMultiWave& clip, int block);
    // Fills block `block` with what plays next (silence while the clip lies ahead); the result
    // of FillBlock.
    int nextBlock(int clipSlot, TMultiWave& clip, int block);
    // Sound the clip's streams missed this run (late blocks), reported when the run ends.
    void noteLostFrames(const TMultiWave& clip);
    void reportLostFrames();

    AudioSystem& audio_;
    UserDialogs& dialogs_;
    ProjectModel& model_;
    const Timeline& timeline_;
    const DeviceSelection& devices_;
    const Equalizer& equalizer_;
    LevelMeters& meters_;
    WindowTexts& texts_;
    RunClock clock_;
    // Which clip slot each open stream plays, so a notification finds its clip at once.
    std::unordered_map<StreamId, int> streams_;
    // The equalizer along each open stream.
    std::unordered_map<StreamId, StreamEqualizer> equalizers_;
    std::unordered_map<int, std::uint64_t> lostMsByTrack_;  // per track slot
};

}  // namespace tqx
