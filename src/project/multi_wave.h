#pragma once
// TMultiWave: one clip. Its audio (held whole in memory) and its place on the timeline; its
// playback stream and, while it records, its capture are members of their own (ClipPlayback,
// ClipCapture), reached through the clip's operations.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "audio/audio_system.h"
#include "platform/wave_format.h"
#include "project/clip_capture.h"
#include "project/clip_playback.h"

namespace tqx {

class TMultiWave {
public:
    static constexpr int kInitialOutBufferSamples = 8820;  // 50 ms of 16-bit stereo at 44,100 Hz
    static constexpr int kOutputBlocks = ClipPlayback::kBlocks;
    static constexpr std::uint32_t kMaxWaveDataBytes = ClipCapture::kMaxWaveDataBytes;

    explicit TMultiWave(int slotIndex);
    TMultiWave(const TMultiWave&) = delete;
    TMultiWave& operator=(const TMultiWave&) = delete;

    int SlotIndex() const { return slotIndex_; }

    void SetTrack(int track) { trackIndex_ = track; }
    void SetTimelinePos(int pos) { timelinePos_ = pos; }
    void SetStartTime(float seconds) { startTime_ = seconds; }
    void SetFormat(const WaveFormat& format) { format_ = format; }
    void SetData(const std::uint8_t* bytes, std::uint32_t length);
    // SetData without a copy; at most 4 GiB − 1 bytes, as DataSize counts them.
    void TakeData(std::vector<std::uint8_t>&& bytes) { data_ = std::move(bytes); }

    int GetTrack() const { return trackIndex_; }
    int GetTimelinePos() const { return timelinePos_; }
    WaveFormat GetFormat() const { return format_; }
    const std::uint8_t* GetData() const { return data_.empty() ? nullptr : data_.data(); }
    std::uint32_t GetDataSize() const { return static_cast<std::uint32_t>(data_.size()); }
    float GetStartTime() const { return startTime_; }

    const std::string& FileName() const { return fileName_; }
    void SetFileName(const std::string& name) { fileName_ = name; }

    // A clip whose WAVE file could not be read when the project was opened: it keeps its slot,
    // track, path and start time, holds no audio, plays and exports as silence, and is saved
    // as it was, so the project finds the file again once it is back.
    bool IsMissing() const { return missing_; }
    void SetMissing(bool missing) { missing_ = missing; }

    // Reads a WAVE file (the clip's own FileName when `name` is empty) into Format and Data.
    // Only 16-bit data is taken; any failure leaves Data as it was and reports nothing.
    void LoadWaveFile(const std::string& name = {});

    // --- playback stream, driven by the playback mixer ---
    ClipPlayback& playback() { return playback_; }
    const ClipPlayback& playback() const { return playback_; }
    void SetPlaying(std::uint8_t playing) { playback_.playing = playing; }
    std::uint8_t GetPlaying() const { return playback_.playing; }
    void SetBlockCounter(int counter) { playback_.blockCounter = counter; }
    int GetBlockCounter() const { return playback_.blockCounter; }
    void AllocOutBuffers(int sampleCount) { playback_.allocBuffers(sampleCount); }
    void FreeOutBuffers() { playback_.freeBuffers(); }
    int GetOutBufferSamples() const { return playback_.bufferSamples(); }
    std::int16_t* OutBuffer(int i) { return playback_.buffer(i); }
    int OutBlockFrames() const { return playback_.blockFrames(format_.channels); }
    static int playbackBlockSamples(int rate, int channels) { return ClipPlayback::blockSamples(rate, channels); }

    // --- the WAVE file written while recording (see ClipCapture) ---
    ClipCapture& capture() { return capture_; }
    const ClipCapture& capture() const { return capture_; }
    void SetCaptureFormat(std::uint16_t channels, std::uint32_t rate, std::uint16_t bits) {
        capture_.setFormat(channels, rate, bits);
    }
    const WaveFormat& CaptureFormat() const { return capture_.format(); }
    // As ClipCapture::createFile; the clip takes the file's name.
    int CreateWaveFile(const std::string& name);
    bool WriteCaptureBuffer(const WaveHeader& header) { return capture_.write(header); }
    void SetCaptureFileLimit(std::uint32_t bytes) { capture_.setFileLimit(bytes); }
    // Asked when the take outgrows its file: go on in a new one, or false to end the take.
    std::function<bool(TMultiWave&)> onCaptureFileFull;
    int CloseWaveFile() { return capture_.closeFile(); }
    bool WaveFileOpen() const { return capture_.fileOpen(); }
    std::uint32_t BytesWritten() const { return capture_.bytesWritten(); }

    // --- capture (recording) ---
    bool CreateCaptureHeap() { return capture_.createHeap(); }
    bool AllocCaptureBuffers() { return capture_.allocBuffers(); }
    void FreeCaptureBuffers() { capture_.freeBuffers(); }
    void DestroyCaptureHeap() { capture_.destroyHeap(); }
    bool QueryCaptureFormat(AudioSystem& audio, int device) { return capture_.queryFormat(audio, device); }
    bool OpenCapture(AudioSystem& audio, int device, AudioListener* listener) {
        return capture_.open(audio, device, listener);
    }
    // Each buffer is handed over with OutBufferSamples bytes (50 ms of 16-bit stereo at
    // 44,100 Hz for a recorded clip).
    bool QueueCaptureBuffers(AudioSystem& audio) { return capture_.queueBuffers(audio, playback_.bufferSamples()); }
    bool OnCaptureData(AudioSystem& audio, WaveHeader* header) { return capture_.onData(audio, header); }
    void StopCapture(AudioSystem& audio) { capture_.stop(audio); }
    bool CloseCapture(AudioSystem& audio) { return capture_.close(audio); }
    bool IsCapturing() const { return capture_.capturing(); }
    StreamId WaveIn() const { return capture_.waveIn(); }
    bool CaptureWriteFailed() const { return capture_.writeFailed(); }

    // --- place on the timeline (absolute pixels, before scrolling); the clip widget follows ---
    bool onTimeline = false;  // laid out on its track's row
    int left = 0;             // trunc(StartTime x rate / TimeScale)
    int width = 0;

private:
    int slotIndex_;
    int trackIndex_ = -1;
    int timelinePos_ = -1;
    WaveFormat format_{};
    std::vector<std::uint8_t> data_;
    float startTime_ = 0.0f;
    std::string fileName_;
    bool missing_ = false;
    ClipPlayback playback_;
    ClipCapture capture_;
};

}  // namespace tqx
