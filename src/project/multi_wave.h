#pragma once
// TMultiWave: one clip. Its audio (held whole in memory), its place on the timeline, its own
// playback stream and, while it records, its capture stream and the WAVE file being written.
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/wave_file_writer.h"
#include "audio/audio_system.h"
#include "platform/wave_format.h"

namespace tqx {

class TMultiWave {
public:
    static constexpr int kInitialOutBufferSamples = 8820;  // 50 ms of 16-bit stereo at 44,100 Hz
    static constexpr int kCaptureBufferCount = 4;
    // Output blocks of 0.1 s in flight per clip stream: 0.4 s of sound queued ahead, so a
    // busy moment of the program (a large repaint, a loaded machine) is bridged.
    static constexpr int kOutputBlocks = 4;
    static constexpr std::uint32_t kCaptureBufferBytes = 65536;

    explicit TMultiWave(int slotIndex);
    ~TMultiWave();
    TMultiWave(const TMultiWave&) = delete;
    TMultiWave& operator=(const TMultiWave&) = delete;

    int SlotIndex() const { return slotIndex_; }

    void SetTrack(int track) { trackIndex_ = track; }
    void SetTimelinePos(int pos) { timelinePos_ = pos; }
    void SetStartTime(float seconds) { startTime_ = seconds; }
    void SetPlaying(std::uint8_t playing) { playing_ = playing; }
    void SetBlockCounter(int counter) { blockCounter_ = counter; }
    void SetFormat(const WaveFormat& format) { format_ = format; }
    void SetData(const std::uint8_t* bytes, std::uint32_t length);
    // SetData without a copy; at most 4 GiB − 1 bytes, as DataSize counts them.
    void TakeData(std::vector<std::uint8_t>&& bytes) { data_ = std::move(bytes); }
    void AllocOutBuffers(int sampleCount);
    // Samples of a playback block at `rate`: 0.1 s of whole frames.
    static int playbackBlockSamples(int rate, int channels) {
        return static_cast<int>(rate / 10) * channels;
    }
    void FreeOutBuffers();

    int GetTrack() const { return trackIndex_; }
    int GetTimelinePos() const { return timelinePos_; }
    WaveFormat GetFormat() const { return format_; }
    const std::uint8_t* GetData() const { return data_.empty() ? nullptr : data_.data(); }
    std::uint32_t GetDataSize() const { return static_cast<std::uint32_t>(data_.size()); }
    float GetStartTime() const { return startTime_; }
    std::uint8_t GetPlaying() const { return playing_; }
    int GetBlockCounter() const { return blockCounter_; }
    int GetOutBufferSamples() const { return outBufferSamples_; }

    const std::string& FileName() const { return fileName_; }
    void SetFileName(const std::string& name) { fileName_ = name; }

    // Reads a WAVE file (the clip's own FileName when `name` is empty) into Format and Data.
    // Only 16-bit data is taken; any failure leaves Data as it was and reports nothing.
    void LoadWaveFile(const std::string& name = {});

    // --- the WAVE file written while recording ---
    void SetCaptureFormat(std::uint16_t channels, std::uint32_t rate, std::uint16_t bits);
    const WaveFormat& CaptureFormat() const { return captureFormat_; }
    // 0 on success; 259 when a file is already open, 257 for an empty name, 256 when the
    // file cannot be created, 262 when the header cannot be written.
    int CreateWaveFile(const std::string& name);
    // Appends the header's recorded bytes; false when nothing was recorded or not all of
    // them reached the file. A file takes at most CaptureFileLimit bytes; when the take goes
    // past it, onCaptureFileFull is asked to go on in a new file (it returns false if it
    // cannot, and the rest of the bytes are not written).
    bool WriteCaptureBuffer(const WaveHeader& header);
    // The largest data chunk a WAVE file can describe, in whole frames of 16-bit mono or stereo.
    static constexpr std::uint32_t kMaxWaveDataBytes = 0xFFFFFFFFu - 38u - 3u;
    void SetCaptureFileLimit(std::uint32_t bytes) { captureFileLimit_ = bytes; }
    std::uint32_t CaptureFileLimit() const { return captureFileLimit_; }
    std::function<bool(TMultiWave&)> onCaptureFileFull;
    // Finalises the chunk sizes and closes the file; 0 when no file was open.
    int CloseWaveFile();
    bool WaveFileOpen() const { return waveFile_.isOpen(); }
    std::uint32_t BytesWritten() const { return bytesWritten_; }

    // --- capture (recording) ---
    bool CreateCaptureHeap();
    bool AllocCaptureBuffers();
    void FreeCaptureBuffers();
    void DestroyCaptureHeap();
    bool QueryCaptureFormat(AudioSystem& audio, int device);
    bool OpenCapture(AudioSystem& audio, int device, AudioListener* listener);
    bool QueueCaptureBuffers(AudioSystem& audio);
    bool OnCaptureData(AudioSystem& audio, WaveHeader* header);
    void StopCapture(AudioSystem& audio);
    bool CloseCapture(AudioSystem& audio);
    bool IsCapturing() const { return waveIn_ != 0; }
    StreamId WaveIn() const { return waveIn_; }
    int CaptureQueued() const { return captureQueued_; }
    // A buffer did not fully reach the file (disk full, file gone); from then on nothing more
    // is written, so the file never holds a gap, and the recording has to end.
    bool CaptureWriteFailed() const { return captureWriteFailed_; }

    // --- playback stream, driven by the playback mixer ---
    StreamId WaveOut = 0;
    std::array<WaveHeader, kOutputBlocks> OutHeaders{};
    std::int16_t* OutBuffer(int i) { return outBuffers_[i].data(); }
    // Whole frames in one output block; a trailing partial frame of the block is never used.
    int OutBlockFrames() const { return format_.channels ? outBufferSamples_ / format_.channels : 0; }
    // The clip's frame that plays at the run's first frame (negative: the clip lies ahead).
    std::int64_t entryFrame = 0;
    // The clip's data has run out: no block is queued again, and the stream closes once the
    // blocks still queued have played.
    bool outputDraining = false;

    // --- place on the timeline (absolute pixels, before scrolling); the clip widget follows ---
    bool onTimeline = false;  // laid out on its track's row
    int left = 0;             // trunc(StartTime x rate / TimeScale)
    int width = 0;

private:
    // Memory of one recording: four headers and four buffers, released in one step.
    struct CaptureMemory {
        std::array<WaveHeader, kCaptureBufferCount> headers{};
        std::array<std::vector<std::uint8_t>, kCaptureBufferCount> buffers;
        std::array<std::uint64_t, kCaptureBufferCount> queuedAs{};  // order handed to the device
        std::uint64_t queueCount = 0;
    };

    int slotIndex_;
    int trackIndex_ = -1;
    int timelinePos_ = -1;
    WaveFormat format_{};
    std::vector<std::uint8_t> data_;
    float startTime_ = 0.0f;
    std::uint8_t playing_ = 0;
    int blockCounter_ = 0;
    std::array<std::vector<std::int16_t>, kOutputBlocks> outBuffers_;
    int outBufferSamples_ = 0;
    std::string fileName_;

    std::unique_ptr<CaptureMemory> captureHeap_;
    bool captureBuffersAllocated_ = false;
    WaveFormat captureFormat_{};
    WaveFileWriter waveFile_;
    int captureQueued_ = 0;
    std::uint32_t bytesWritten_ = 0;
    std::uint32_t captureFileLimit_ = kMaxWaveDataBytes;
    StreamId waveIn_ = 0;
    bool captureWriteFailed_ = false;
    bool writeCaptured(const WaveHeader& header);  // WriteCaptureBuffer, remembering a failure
    // Writes the capture buffers the device has handed back, in the order they were queued.
    void writeReturnedBuffers(AudioSystem& audio);
};

}  // namespace tqx
