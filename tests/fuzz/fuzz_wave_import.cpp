// The WAVE reader and the import's format check on any file: chunks are found without reading
// outside the file, the data read is what the file holds, and only a record that a clip can
// play is accepted, its block align and byte rate agreeing with channels and rate.
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "audio/stream_format.h"
#include "io/import_format.h"
#include "platform/wave_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    tqx::FilePtr file(fmemopen(const_cast<std::uint8_t*>(data), size, "rb"));
    if (!file) return 0;
    const tqx::WaveScan scan = tqx::scanWave(file.get(), size);
    if (scan.error != tqx::WaveReadError::None) return 0;
    const tqx::WaveChunks& chunks = scan.chunks;
    if (chunks.dataOffset > size || chunks.dataAvailable > size - chunks.dataOffset) std::abort();
    if (chunks.dataAvailable > chunks.dataDeclared) std::abort();

    const tqx::ImportFormatCheck check = tqx::checkImportFormat(chunks.format, chunks.extensiblePcm);
    if (check.verdict != tqx::ImportFormatVerdict::Accepted) {
        if (tqx::importRefusalMessage("in.wav", chunks.format, check.verdict).empty()) std::abort();
        return 0;
    }
    if (!tqx::isStreamFormat(check.format) ||
        check.format.avgBytesPerSec != check.format.blockAlign * check.format.samplesPerSec)
        std::abort();
    const auto memo = tqx::recomputedFormatMemo("in.wav", chunks.format, check);
    if (memo.empty() != (chunks.format == check.format)) std::abort();
    if (tqx::readWaveData(file.get(), chunks).size() != chunks.dataAvailable) std::abort();
    return 0;
}
