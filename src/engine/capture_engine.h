#pragma once
// Recording on armed tracks. Every armed track gets a new clip, its own input stream and its
// own WAVE file in the project's folder; captured buffers are measured for the meters and
// appended to the file, and at the stop each file is finalised and read back into its clip.
// Everything here runs on the GUI thread; the device's buffers arrive through onInputData.
#include <string>

#include "platform/audio_system.h"

namespace tqx {

class Studio;
class TMultiWave;

class CaptureEngine : public AudioListener {
public:
    static constexpr const char* kStartFailedMessage = "例外エラーが発生しました。録音できません。";
    // Numbers run 0..65,536 and then start again at 0.
    static constexpr int kMaxFileCounter = 65536;

    explicit CaptureEngine(Studio& studio);

    // Number for the next recording's file name; the first free number from here is taken.
    int RecordFileCounter = 0;

    // Starts a recording on every armed track, in slot order; returns how many started.
    // A track that cannot record shows kStartFailedMessage and the others go on.
    int startRecordings();

    // A filled (or handed back) capture buffer of stream `h`.
    void OnWaveInData(StreamId h, WaveHeader* H);
    // Track meter of `track` from the captured samples; the master meter too while nothing plays.
    void MeasureCaptureLevel(int track, const WaveHeader& H, int channels);
    // Ends every recording. With `reload` the files are read back into their clips and the
    // clips laid on the timeline; without, the files are complete but the clips stay empty.
    // True when at least one clip was recording.
    bool StopRecording(bool reload);

    // AudioListener: capture streams report here; output streams belong to the mixer.
    void onOutputDone(StreamId, WaveHeader*) override {}
    void onInputData(StreamId stream, WaveHeader* header) override { OnWaveInData(stream, header); }

    // The text shown when a take could not be written completely (disk full, folder gone).
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

    Studio& studio_;
};

}  // namespace tqx
