#include "project/multi_wave.h"

#include "platform/wave_reader.h"

namespace tqx {

TMultiWave::TMultiWave(int slotIndex) : slotIndex_(slotIndex) {
    AllocOutBuffers(kInitialOutBufferSamples);
    capture_.onFileFull = [this] { return onCaptureFileFull && onCaptureFileFull(*this); };
}

void TMultiWave::SetData(const std::uint8_t* bytes, std::uint32_t length) {
    if (bytes == nullptr) length = 0;
    data_.assign(bytes, bytes + length);
}

void TMultiWave::LoadWaveFile(const std::string& name) {
    const std::string path = name.empty() ? fileName_ : name;
    WaveScan scan = scanWaveFile(path);
    if (scan.error == WaveReadError::CannotOpen || scan.error == WaveReadError::NotRegular ||
        scan.error == WaveReadError::NoRiff || scan.error == WaveReadError::NoFormat)
        return;
    // The format is taken as soon as the fmt chunk was read, even if no data follows.
    format_ = scan.chunks.format;
    if (scan.error != WaveReadError::None) return;
    if (format_.bitsPerSample != 16) return;
    auto bytes = readWaveData(path, scan.chunks);
    if (!bytes) return;
    data_ = std::move(*bytes);
}

int TMultiWave::CreateWaveFile(const std::string& name) {
    const int rc = capture_.createFile(name);
    if (rc == WaveFileWriter::kOk) fileName_ = name;
    return rc;
}

}  // namespace tqx
