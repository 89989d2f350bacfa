#include "io/track_render.h"

#include <algorithm>
#include <cmath>
#include <exception>
#include <stdexcept>

#include "project/project_model.h"

namespace tqx {

namespace {

constexpr const char* kRenderFailedMessage = "例外エラー。";

std::string clipConversionFailedMessage(const std::string& clipFile) {
    return "エラー。クリップ「" + clipFile +
           "」を変換できませんでした（メモリが足りないか、変換後の長さが 4 GiB を超えます）。";
}

// Far beyond anything a WAVE file can hold; keeps absurd clip times from overflowing.
constexpr long double kLengthCeiling = 17179869184.0L;  // 2^34 bytes

}  // namespace

TrackExtent trackExtent(const ProjectModel& model, int track, const ClipFiles* files) {
    TrackExtent extent;
    for (int slot : model.clipSlots()) {
        const TMultiWave* clip = model.clip(slot);
        // A missing clip has no audio and no length: it neither sounds nor stretches the track.
        if (clip->GetTrack() != track || clip->IsMissing()) continue;
        const float start = clip->GetStartTime();
        const std::uint32_t perSecond = clip->GetFormat().avgBytesPerSec;
        // The end in extended precision, stored as a float. A clip whose format gives no byte
        // rate has no duration we could honour; it ends where it starts.
        const float end = perSecond == 0
                              ? start
                              : static_cast<float>(static_cast<long double>(start) +
                                                   static_cast<long double>(clipDataSize(*clip, files)) / perSecond);
        extent.starts.push_back({slot, start});
        extent.ends.push_back({slot, end});
    }
    if (extent.starts.empty()) return extent;
    extent.hasClips = true;

    const auto byTime = [](const ClipTime& c) { return c.time; };
    quickSortByKey(extent.starts, byTime);
    quickSortByKey(extent.ends, byTime);

    // L = trunc(T × (R × 4)) in extended precision, then up to a whole frame: a length that
    // ends inside a frame would drop the last right sample and leave the file misaligned.
    const long double bytes =
        static_cast<long double>(extent.ends.back().time) * (static_cast<long double>(model.ProjectSampleRate) * 4);
    std::uint64_t length = 0;
    if (bytes > 0) length = static_cast<std::uint64_t>(std::min(bytes, kLengthCeiling));
    extent.length = (length + 3) / 4 * 4;
    return extent;
}

std::optional<TrackBlocks> prepareTrack(const ProjectModel& model, int track, const TrackExtent& extent,
                                        const EqCoefficientTable* equalizer, UserDialogs& dialogs,
                                        const std::string& caption, const RenderOptions& options) {
    const auto rate = static_cast<std::uint32_t>(model.ProjectSampleRate);
    try {
        std::vector<PlacedClip> placed;
        for (const ClipTime& entry : extent.starts) {
            const TMultiWave* clip = model.clip(entry.slot);
            if (!clip) continue;
            const WaveFormat format = clip->GetFormat();
            PcmShape stored{format.bitsPerSample, format.samplesPerSec, format.channels};
            std::uint64_t storedBytes = clip->GetDataSize();
            std::unique_ptr<ClipBytes> bytes;
            if (const ClipFile* file = clipFileOf(options.clipFiles, entry.slot)) {
                stored = file->shape;
                storedBytes = file->bytes;
                bytes = std::make_unique<FileClipBytes>(*file);
            } else {
                bytes = std::make_unique<HeldClipBytes>(std::span(clip->GetData(), clip->GetDataSize()));
            }

            // Every clip is mixed as 16-bit stereo at the project rate; the others are converted
            // by the converter's rules, stereo ones at another rate included.
            if (format.channels != 2 || format.samplesPerSec != rate || format.bitsPerSample != 16) {
                if (stored.bits == 16) {
                    // Converted here block by block, which needs the converter no less than
                    // a conversion of the whole clip.
                    if (!converterAvailable(dialogs, options.converterLibrary)) return std::nullopt;
                } else {
                    // Other widths (no import makes them) go through the converter whole.
                    ConvertResult result = convertWithRavelin(dialogs, stored, clip->GetData(), clip->GetDataSize(),
                                                              PcmShape{16, rate, 2}, options.converterLibrary);
                    // A track without one of its clips is not the track: the export must not go on.
                    if (result.status == ConvertStatus::LibraryMissing) return std::nullopt;
                    if (result.status == ConvertStatus::Failed) {
                        dialogs.messageBox(clipConversionFailedMessage(clip->FileName()), caption, DialogIcon::Error,
                                           DialogButtons::Ok);
                        return std::nullopt;
                    }
                    stored = PcmShape{16, rate, 2};
                    storedBytes = result.data.size();
                    bytes = std::make_unique<HeldClipBytes>(std::move(result.data));
                }
            }
            const std::optional<StereoRendition> rendition = StereoRendition::of(stored, storedBytes, rate);
            if (!rendition) {
                dialogs.messageBox(clipConversionFailedMessage(clip->FileName()), caption, DialogIcon::Error,
                                   DialogButtons::Ok);
                return std::nullopt;
            }

            // K = trunc(StartTime × (R × 4) × 0.5) in extended precision, then down to a frame
            // boundary so that left samples stay left. Samples before time 0 are dropped.
            const long double at = static_cast<long double>(entry.time) * (std::int64_t{rate} * 4) * 0.5L;
            if (!(at > -kLengthCeiling && at < kLengthCeiling)) continue;  // NaN, or nowhere near the track
            std::int64_t k = static_cast<std::int64_t>(at);
            k -= (k & 1);
            placed.push_back({k, *rendition, std::move(bytes), clip->FileName()});
        }
        if (!model.trackExists(track)) throw std::out_of_range("no such track");
        const TrackSlot& settings = model.track(track);
        return TrackBlocks(std::move(placed), extent.length / 2,
                           TrackMix::of(settings.gain, settings.volume, settings.pan), equalizer);
    } catch (const std::exception&) {
        dialogs.messageBox(kRenderFailedMessage, caption, DialogIcon::Error, DialogButtons::Ok);
        return std::nullopt;
    }
}

}  // namespace tqx
