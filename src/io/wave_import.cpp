#include "io/wave_import.h"

#include <cmath>
#include <new>

#include "engine/timeline.h"
#include "engine/window_texts.h"
#include "io/import_format.h"
#include "io/ravelin_client.h"
#include "io/stereo_rendition.h"
#include "platform/regular_file.h"
#include "platform/wave_reader.h"
#include "project/project_file.h"
#include "project/project_model.h"
#include "project/text_encoding.h"

namespace tqx {

void WaveImporter::N17Click() {
    if (model_.trackCount() == 0) return;
    stopAll_();
    auto path = dialogs_.openFile({"Wave files", "*.wav"}, "wav");
    if (!path) return;
    importInteractive(*path);
}

void WaveImporter::warn(const std::string& text) {
    dialogs_.messageBox(text, kApplicationTitle, DialogIcon::Warning, DialogButtons::Ok);
}

WaveImporter::LoadResult WaveImporter::load(const std::string& path, WaveFormat& format,
                                            std::vector<std::uint8_t>& data, bool interactive, ClipFile* inFile) {
    const WaveScan scan = scanWaveFile(path);
    if (scan.error == WaveReadError::CannotOpen) {
        warn(kReadErrorMessage);
        return LoadResult::Failed;
    }
    if (scan.error == WaveReadError::NotRegular) {
        warn(notRegularFileMessage(path, scan.kind));
        return LoadResult::Failed;
    }
    if (scan.error == WaveReadError::NoRiff || scan.error == WaveReadError::NoFormat) {
        warn(notWaveMessage(path));
        return LoadResult::Failed;
    }
    format = scan.chunks.format;
    if (scan.error == WaveReadError::NoData) {
        warn(notWaveMessage(path));
        return LoadResult::Failed;
    }
    // The record is judged before any of the audio is read or converted.
    const ImportFormatCheck check = checkImportFormat(format, scan.chunks.extensiblePcm);
    if (check.verdict == ImportFormatVerdict::NotSixteenBit) {
        warn(kSixteenBitOnlyMessage);
        return LoadResult::FormatRefused;
    }
    if (check.verdict != ImportFormatVerdict::Accepted) {
        warn(importRefusalMessage(path, format, check.verdict));
        return LoadResult::FormatRefused;
    }
    const std::vector<std::string> recomputed = recomputedFormatMemo(path, format, check);
    format = check.format;
    if (interactive) texts_.setCaption(kOpeningCaption);

    const auto projectRate = static_cast<std::uint32_t>(model_.ProjectSampleRate);
    const bool convertRate = format.samplesPerSec != projectRate;
    if (inFile) {
        // The audio stays in the file: what converting it would meet is checked now.
        if (convertRate && !converterAvailable(dialogs_)) return LoadResult::Failed;
        const auto imported = rateStageBytes(scan.chunks.dataAvailable, format.samplesPerSec, projectRate);
        if (!imported) {
            warn(kConvertFailedMessage);
            return LoadResult::Failed;
        }
        *inFile = ClipFile{path, scan.chunks.dataOffset, scan.chunks.dataAvailable,
                           PcmShape{16, format.samplesPerSec, format.channels}, static_cast<std::uint32_t>(*imported)};
    } else {
        // Only what the file really holds is read: a data chunk that claims more gives less.
        std::optional<std::vector<std::uint8_t>> bytes;
        try {
            bytes = readWaveData(path, scan.chunks);
        } catch (const std::bad_alloc&) {
            bytes.reset();
        }
        if (!bytes) {
            warn(kReadErrorMessage);
            return LoadResult::Failed;
        }
        data = std::move(*bytes);
        if (convertRate) {
            ConvertResult converted =
                convertWithRavelin(dialogs_, {16, format.samplesPerSec, format.channels}, data.data(),
                                   static_cast<std::uint32_t>(data.size()), {16, projectRate, format.channels});
            if (converted.status == ConvertStatus::LibraryMissing) return LoadResult::Failed;
            if (converted.status != ConvertStatus::Ok) {
                warn(kConvertFailedMessage);
                return LoadResult::Failed;
            }
            data = std::move(converted.data);
        }
    }
    if (convertRate) {
        format.samplesPerSec = projectRate;
        format.blockAlign = static_cast<std::uint16_t>(format.channels * (format.bitsPerSample / 8));
        format.avgBytesPerSec = format.blockAlign * projectRate;
        format.extraSize = 18;
    }
    for (const std::string& line : recomputed) texts_.addMemo(line);
    return LoadResult::Ok;
}

void WaveImporter::placeClip(int slot, int track, const WaveFormat& format, std::vector<std::uint8_t>&& data,
                             const std::string& path) {
    const int rate = model_.ProjectSampleRate;
    const int cursor = timeline_.CursorX;
    TMultiWave& clip = model_.createClip(slot);
    try {
        // One tenth of a second per output block. A clip whose audio stays in its file is
        // only rendered, never played.
        if (!clipFiles_) clip.AllocOutBuffers(TMultiWave::playbackBlockSamples(rate, format.channels));
        clip.SetFileName(path);
    } catch (const std::bad_alloc&) {
        model_.destroyClip(slot);  // no clip without its audio
        throw;
    }
    clip.SetTrack(track);
    clip.SetFormat(format);
    // Handed over, not copied: a long clip is held once.
    clip.TakeData(std::move(data));
    clip.SetTimelinePos(cursor);
    // Seconds at the cursor, kept in single precision like every start time.
    clip.SetStartTime(static_cast<float>(double(cursor) * timeline_.TimeScale / rate));
    timeline_.layClip(clip, rate);
    model_.changedClip(slot, ClipChange::Added);
}

void WaveImporter::importInteractive(const std::string& path) {
    try {
        importIntoSelectedTrack(path);
    } catch (const std::bad_alloc&) {
        warn(outOfMemoryMessage(path));
    }
    texts_.setCaption(kApplicationTitle);
}

void WaveImporter::importIntoSelectedTrack(const std::string& path) {
    const int t = model_.SelectedTrack;
    if (!model_.trackExists(t)) return;
    // A clip whose path the project file cannot hold would make every later save fail.
    if (storedTextBytes(path) > static_cast<std::size_t>(kMaxStoredPathBytes)) {
        warn(pathTooLongMessage(path));
        return;
    }
    TrackSlot& track = model_.track(t);
    const WaveFormat previous = track.importFormat;
    std::vector<std::uint8_t> data;
    const LoadResult result = load(path, track.importFormat, data, true);
    if (result == LoadResult::FormatRefused) track.importFormat = previous;
    if (result != LoadResult::Ok) return;
    track.importBuffer = std::move(data);
    track.importBufferSize = static_cast<std::uint32_t>(track.importBuffer.size());
    track.untouched = false;

    const int slot = model_.firstFreeClipSlot();
    if (slot >= 0) {
        placeClip(slot, t, track.importFormat, std::move(track.importBuffer), path);
    } else {
        // No clip, but the timeline still makes room for one as long as the file.
        const WaveFormat& f = track.importFormat;
        const unsigned frameBytes = f.channels * (f.bitsPerSample / 8u);
        const double frames = frameBytes ? double(track.importBufferSize / frameBytes) : 0.0;
        const double width = timeline_.widthOf(frames, f.samplesPerSec, model_.ProjectSampleRate);
        const int cursor = timeline_.CursorX;
        timeline_.coverRight(static_cast<int>(std::trunc(width + cursor)));
        timeline_.cursorMoved();
    }
    track.importBuffer.clear();
    track.importBuffer.shrink_to_fit();
}

bool WaveImporter::importForProject(int clipSlot, const std::string& path, int track) {
    if (clipSlot < 0 || clipSlot >= kClipSlots) return false;
    if (!model_.trackExists(track)) return false;
    WaveFormat format{};
    std::vector<std::uint8_t> data;
    ClipFile file;
    if (clipFiles_) clipFiles_->erase(clipSlot);
    try {
        if (load(path, format, data, false, clipFiles_ ? &file : nullptr) != LoadResult::Ok) return false;
        placeClip(clipSlot, track, format, std::move(data), path);
        if (clipFiles_) (*clipFiles_)[clipSlot] = std::move(file);
    } catch (const std::bad_alloc&) {
        warn(outOfMemoryMessage(path));
        return false;
    }
    return true;
}

}  // namespace tqx
