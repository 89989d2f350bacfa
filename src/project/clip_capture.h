#pragma once
// A clip's side of a recording: its input stream, the four buffers the device fills and the
// WAVE file they are written to. The capture engine drives it on the GUI thread (the device
// layer hands the filled buffers back through the event sink); the buffers' memory is only
// lent to the device layer, which fills it on the audio callback.
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "audio/audio_system.h"
#include "platform/wave_file_writer.h"
#include "platform/wave_format.h"

namespace tqx {

class ClipCapture {
public:
    static constexpr int kBufferCount = 4;
    static constexpr std::uint32_t kBufferBytes = 65536;
    // The largest data chunk a WAVE file can describe, in whole frames of 16-bit mono or stereo.
    static constexpr std::uint32_t kMaxWaveDataBytes = 0xFFFFFFFFu - 38u - 3u;

    ClipCapture() = default;
    ~ClipCapture() { waveFile_.close(); }
    ClipCapture(const ClipCapture&) = delete;
    ClipCapture& operator=(const ClipCapture&) = delete;

    // --- the WAVE file ---
    void setFormat(std::uint16_t channels, std::uint32_t rate, std::uint16_t bits);
    const WaveFormat& format() const { return format_; }
    // 0 on success; 259 when a file is already open, 257 for an empty name, 256 when the
    // file cannot be created, 262 when the header cannot be written.
    int createFile(const std::string& name);
    // Appends the header's recorded bytes; false when nothing was recorded or not all of
    // them reached the file. A file takes at most fileLimit() bytes; when the take goes past
    // it, onFileFull is asked to go on in a new file (it returns false if it cannot, and the
    // rest of the bytes are not written).
    bool write(const WaveHeader& header);
    void setFileLimit(std::uint32_t bytes) { fileLimit_ = bytes; }
    std::uint32_t fileLimit() const { return fileLimit_; }
    std::function<bool()> onFileFull;
    // The take ends after `bytes` in all (its files together): input captured later is not
    // written. Until then a take takes everything.
    void endTakeAt(std::uint64_t bytes) { takeEnd_ = bytes; }
    // Finalises the chunk sizes and closes the file; 0 when no file was open.
    int closeFile() { return waveFile_.close(); }
    bool fileOpen() const { return waveFile_.isOpen(); }
    std::uint32_t bytesWritten() const { return bytesWritten_; }

    // --- the input stream and its buffers ---
    bool createHeap();
    bool allocBuffers();
    void freeBuffers();
    void destroyHeap();
    bool queryFormat(AudioSystem& audio, int device);
    bool open(AudioSystem& audio, int device, AudioListener* listener);
    // Hands every buffer to the device, each to be filled with `bytes` (at most kBufferBytes).
    bool queueBuffers(AudioSystem& audio, int bytes);
    // A buffer came back filled: written to the file and queued again.
    bool onData(AudioSystem& audio, WaveHeader* header);
    // Stops the device and writes everything it captured up to the stop.
    void stop(AudioSystem& audio);
    bool close(AudioSystem& audio);
    bool capturing() const { return waveIn_ != 0; }
    StreamId waveIn() const { return waveIn_; }
    int queued() const { return queued_; }
    // A buffer did not fully reach the file (disk full, file gone); from then on nothing more
    // is written, so the file never holds a gap, and the recording has to end.
    bool writeFailed() const { return writeFailed_; }

private:
    // Memory of one recording: four headers and four buffers, released in one step.
    struct Memory {
        std::array<WaveHeader, kBufferCount> headers{};
        std::array<std::vector<std::uint8_t>, kBufferCount> buffers;
        std::array<std::uint64_t, kBufferCount> queuedAs{};  // order handed to the device
        std::uint64_t queueCount = 0;
    };

    bool writeCaptured(const WaveHeader& header);  // write(), remembering a failure
    // Writes the buffers the device has handed back, in the order they were queued.
    void writeReturnedBuffers(AudioSystem& audio);

    std::unique_ptr<Memory> heap_;
    bool buffersAllocated_ = false;
    WaveFormat format_{};
    WaveFileWriter waveFile_;
    int queued_ = 0;
    std::uint32_t bytesWritten_ = 0;
    std::uint32_t fileLimit_ = kMaxWaveDataBytes;
    static constexpr std::uint64_t kWholeTake = ~std::uint64_t{0};
    std::uint64_t takeBytes_ = 0;  // written to the take's files since it started
    std::uint64_t takeEnd_ = kWholeTake;
    StreamId waveIn_ = 0;
    bool writeFailed_ = false;
};

}  // namespace tqx
