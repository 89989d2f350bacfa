#include "project/multi_wave.h"

#include <algorithm>

#include "platform/wave_reader.h"

namespace tqx {

TMultiWave::TMultiWave(int slotIndex) : slotIndex_(slotIndex) {
    AllocOutBuffers(kInitialOutBufferSamples);
}

TMultiWave::~TMultiWave() { waveFile_.close(); }

void TMultiWave::SetData(const std::uint8_t* bytes, std::uint32_t length) {
    if (bytes == nullptr) length = 0;
    data_.assign(bytes, bytes + length);
}

void TMultiWave::AllocOutBuffers(int sampleCount) {
    outBufferSamples_ = std::max(0, sampleCount);
    for (auto& b : outBuffers_) b.assign(static_cast<std::size_t>(outBufferSamples_), 0);
}

void TMultiWave::FreeOutBuffers() {
    for (auto& b : outBuffers_) {
        b.clear();
        b.shrink_to_fit();
    }
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

void TMultiWave::SetCaptureFormat(std::uint16_t channels, std::uint32_t rate, std::uint16_t bits) {
    captureFormat_ = WaveFormat::pcm(channels, rate, bits);
}

int TMultiWave::CreateWaveFile(const std::string& name) {
    int rc = waveFile_.create(name, captureFormat_);
    if (rc == WaveFileWriter::kOk) {
        fileName_ = name;
        bytesWritten_ = 0;
    }
    return rc;
}

bool TMultiWave::WriteCaptureBuffer(const WaveHeader& header) {
    if (header.bytesRecorded == 0 || header.data == nullptr) return false;
    const std::uint8_t* bytes = header.data;
    std::uint32_t left = header.bytesRecorded;
    while (left > 0) {
        if (bytesWritten_ >= captureFileLimit_) {
            // The file is full: the take goes on in the next one, or ends here.
            if (!onCaptureFileFull || !onCaptureFileFull(*this) || bytesWritten_ >= captureFileLimit_)
                return false;
            continue;
        }
        const std::uint32_t n = std::min(left, captureFileLimit_ - bytesWritten_);
        const std::uint32_t written = waveFile_.append(bytes, n);
        bytesWritten_ += written;
        if (written != n) return false;
        bytes += n;
        left -= n;
    }
    return true;
}

int TMultiWave::CloseWaveFile() { return waveFile_.close(); }

}  // namespace tqx
