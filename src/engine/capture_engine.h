#pragma once
// Recording on armed tracks. Every armed track gets a new clip, its own input stream and its
// own WAVE file in the project's folder; captured buffers are measured for the meters and
// appended to the file, and at the stop each file is finalised and read back into its clip.
// Everything here runs on the GUI thread; the device's buffers arrive through onInputData.
#include <chrono>
#include <string>
#include <vector>

#include "audio/audio_system.h"
#include "platform/signal.h"
#include "platform/user_dialogs.h"
#include "project/multi_wave.h"

namespace tqx {

class LevelMeters;
class ProjectModel;
class WindowTexts;
struct DeviceSelection;
struct Timeline;

class CaptureEngine : public AudioListener {
public:
    static constexpr const char* kStartFailedMessage = "例外エラーが発生しました。録音できません。";
    // Numbers run 0..65,536 and then start again at 0.
    static constexpr int kMaxFileCounter = 65536;

    CaptureEngine(AudioSystem& audio, UserDialogs& dialogs, ProjectModel& model, Timeline& timeline,
                  const DeviceSelection& devices, LevelMeters& meters, WindowTexts& texts);

    // Number for the next recording's file name; the first free number from here is taken.
    int RecordFileCounter = 0;

    // GUI thread. Prepares a recording on every armed track, in slot order; returns how many are
    // ready. A track that cannot record shows kStartFailedMessage and the others go on. The input
    // streams start with the transport's run (streamsToStart).
    int startRecordings();
    // GUI thread. The input streams of the recordings prepared since the last call.
    std::vector<StreamId> streamsToStart();
    // Bytes a take's file may hold before the take goes on in the next file. Tests lower it.
    std::uint32_t maxTakeFileBytes = TMultiWave::kMaxWaveDataBytes;

    // GUI thread. A filled (or handed back) capture buffer of stream `h`.
    void OnWaveInData(StreamId h, WaveHeader* H);
    // GUI thread. Track meter of `track` from the captured samples; the master meter too while
    // nothing plays.
    void MeasureCaptureLevel(int track, const WaveHeader& H, int channels);
    // GUI thread. Ends every recording. With `reload` the files are read back into their clips and
    // the clips laid on the timeline; without, the files are complete but the clips stay empty.
    // True when at least one clip was recording.
    bool StopRecording(bool reload);
    // GUI thread. The user's stop at `heard` seconds on the timeline (the run's play head): each
    // take ends at that moment, waiting a few seconds at most for its device to deliver
    // everything up to it, then the recordings end as StopRecording(true) ends them.
    bool StopRecordingAt(double heard);
    bool recording() const;
    // The longest a stop waits for a take's last input.
    static constexpr std::chrono::milliseconds kTailWait{3000};

    // A take stopped because its file could not be written (the user has been told).
    Signal<> takeFailed;

    // GUI thread (the device layer hands buffers back through the event sink). AudioListener:
    // capture streams report here; output streams belong to the mixer.
    void onOutputDone(StreamId, WaveHeader*) override {}
    void onInputData(StreamId stream, WaveHeader* header) override { OnWaveInData(stream, header); }

    // Any thread. The text shown when a take could not be written completely (disk full, folder
    // gone).
    static std::string writeFailedMessage(int track, const std::string& fileName);

private:
    bool startTrack(int track);
    // Name of the next recording: the project's folder + the first unused number + ".wav".
    std::string nextFileName();
    // Stops the clip's device, writes what it still holds, finalises the file and releases
    // the capture memory. False when the file did not receive everything.
    bool endCapture(TMultiWave& clip);
    // Reads the finished file back into the clip and lays it on its track's row.
    void reloadClip(TMultiWave& clip);
    // The full files of the takes that just ended, each read back as its own clip.
    void reloadFinishedParts();
    // The take of `clip` has filled its file: the file becomes a clip of its own and the take
    // goes on in the next free file, starting on the frame after its last one.
    bool continueTake(TMultiWave& clip);
    // The most bytes the current file of a take starting at `startTime` takes: the file ends
    // where the next part's start time can be stored exactly.
    std::uint32_t takeFileLimit(float startTime, int frameBytes) const;
    // Ends every take at `heard` seconds and waits for its input up to there; the memo names a
    // take whose device did not deliver it in time.
    void awaitTails(double heard);
    // A take lost input that the device could not hold: the memo says how much.
    void reportLostInput(const TMultiWave& clip);

    AudioSystem& audio_;
    UserDialogs& dialogs_;
    ProjectModel& model_;
    Timeline& timeline_;
    const DeviceSelection& devices_;
    LevelMeters& meters_;
    WindowTexts& texts_;
    std::vector<int> toStart_;        // clip slots whose input waits for the run
    std::vector<int> finishedParts_;  // clip slots of full files of the running takes
};

}  // namespace tqx
