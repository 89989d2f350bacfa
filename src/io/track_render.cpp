#include "io/track_render.h"

#include <algorithm>
#include <cmath>
#include <exception>
#include <stdexcept>

#include "effects/equalize_signal.h"
#include "effects/equalizer.h"
#include "io/export_context.h"
#include "effects/pcm_requantise.h"
#include "platform/byte_order.h"
#include "project/project_model.h"

namespace tqx {

namespace {

constexpr const char* kRenderFailedMessage = "例外エラー。";

std::string clipConversionFailedMessage(const std::string& clipFile) {
    return "エラー。クリップ「" + clipFile + "」を変換できませんでした（メモリが足りないか、変換後の長さが 4 GiB を超えます）。";
}

// Samples handled between two progress reports.
constexpr std::size_t kChunkSamples = std::size_t{1} << 18;
// Far beyond anything a WAVE file can hold; keeps absurd clip times from overflowing.
constexpr long double kLengthCeiling = 17179869184.0L;  // 2^34 bytes

// Counts work done against an estimate and passes the fraction on.
class WorkMeter {
public:
    WorkMeter(const std::function<bool(double)>& report, double total) : report_(report), total_(total) {}
    bool add(double work) {
        done_ += work;
        if (!report_) return true;
        return report_(total_ > 0 ? std::min(1.0, done_ / total_) : 1.0);
    }

private:
    const std::function<bool(double)>& report_;
    double total_;
    double done_ = 0;
};

}  // namespace

TrackExtent trackExtent(const ProjectModel& model, int track) {
    TrackExtent extent;
    for (int slot : model.clipSlots()) {
        const TMultiWave* clip = model.clip(slot);
        if (clip->GetTrack() != track) continue;
        const float start = clip->GetStartTime();
        const std::uint32_t perSecond = clip->GetFormat().avgBytesPerSec;
        // The end in extended precision, stored as a float. A clip whose format gives no byte
        // rate has no duration we could honour; it ends where it starts.
        const float end = perSecond == 0 ? start
                                         : static_cast<float>(static_cast<long double>(start) +
                                                              static_cast<long double>(clip->GetDataSize()) / perSecond);
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

bool renderTrack(const ExportContext& context, int track, const TrackExtent& extent, std::span<std::int16_t> buffer,
                 const RenderOptions& options) {
    const std::size_t n = buffer.size();
    // The buffer starts silent. The first clip placed writes its span over whatever is there
    // (adding to zero) and only the rest is cleared, which saves a pass over long tracks.
    bool cleared = false;
    const auto clearAround = [&](std::size_t from, std::size_t to) {
        std::fill(buffer.begin(), buffer.begin() + std::ptrdiff_t(from), std::int16_t{0});
        std::fill(buffer.begin() + std::ptrdiff_t(to), buffer.end(), std::int16_t{0});
        cleared = true;
    };
    const std::int64_t rate = context.model.ProjectSampleRate;
    const bool equalize = context.equalizer.isOn();

    // The work estimate only shapes the progress fraction.
    double clipWork = 0;
    for (const ClipTime& entry : extent.starts) {
        if (const TMultiWave* clip = context.model.clip(entry.slot); clip && clip->GetFormat().avgBytesPerSec)
            clipWork += double(clip->GetDataSize()) / clip->GetFormat().avgBytesPerSec * double(rate) * 2;
    }
    WorkMeter meter(options.progress, clipWork + double(n) * (equalize ? 2 : 1));

    try {
        for (const ClipTime& entry : extent.starts) {
            const TMultiWave* clip = context.model.clip(entry.slot);
            if (!clip) continue;
            const WaveFormat format = clip->GetFormat();
            const std::uint8_t* source = clip->GetData();
            std::size_t sourceBytes = clip->GetDataSize();

            // Every clip is mixed as 16-bit stereo at the project rate; others go through the
            // converter first, stereo ones at another rate included.
            std::vector<std::uint8_t> converted;
            if (format.channels != 2 || format.samplesPerSec != std::uint32_t(rate) || format.bitsPerSample != 16) {
                ConvertResult result = convertWithRavelin(
                    context.dialogs, PcmShape{format.bitsPerSample, format.samplesPerSec, format.channels}, source,
                    static_cast<std::uint32_t>(sourceBytes), PcmShape{16, std::uint32_t(rate), 2},
                    options.converterLibrary);
                // A track without one of its clips is not the track: the export must not go on.
                if (result.status == ConvertStatus::LibraryMissing) return false;
                if (result.status == ConvertStatus::Failed) {
                    context.dialogs.messageBox(clipConversionFailedMessage(clip->FileName()), context.texts.caption(),
                                              DialogIcon::Error, DialogButtons::Ok);
                    return false;
                }
                converted = std::move(result.data);
                source = converted.data();
                sourceBytes = converted.size();
            }

            // K = trunc(StartTime × (R × 4) × 0.5) in extended precision, then down to a frame
            // boundary so that left samples stay left. Samples before time 0 are dropped.
            const long double at = static_cast<long double>(entry.time) * (rate * 4) * 0.5L;
            if (!(at > -kLengthCeiling && at < kLengthCeiling)) continue;  // NaN, or nowhere near the track
            std::int64_t k = static_cast<std::int64_t>(at);
            k -= (k & 1);
            const std::size_t first = k > 0 ? static_cast<std::size_t>(k) : 0;
            const std::size_t skipped = static_cast<std::size_t>(std::int64_t(first) - k);
            const std::size_t sourceSamples = sourceBytes / 2;
            if (first >= n || skipped >= sourceSamples) continue;
            const std::size_t count = std::min(n - first, sourceSamples - skipped);

            std::int16_t* out = buffer.data() + first;
            const std::uint8_t* in = source + 2 * skipped;
            const bool onSilence = !cleared;
            if (onSilence) clearAround(first, first + count);
            for (std::size_t done = 0; done < count;) {
                const std::size_t step = std::min(kChunkSamples, count - done);
                if (onSilence) {
                    for (std::size_t i = done; i < done + step; ++i) out[i] = mixSamples(0, getSample16(in + 2 * i));
                } else {
                    for (std::size_t i = done; i < done + step; ++i)
                        out[i] = mixSamples(out[i], getSample16(in + 2 * i));
                }
                done += step;
                if (!meter.add(double(step))) return false;
            }
        }
        if (!cleared) clearAround(n, n);

        // The whole track as one stereo signal, so it sounds as its playback does.
        if (equalize) {
            const EqCoefficientTable& table = context.equalizer.table();
            if (!EqualizeSignal(buffer, 2, table.denominator, table.numerator,
                                [&](std::size_t done) { return meter.add(double(done)); }))
                return false;
        }

        if (!context.model.trackExists(track)) throw std::out_of_range("no such track");
        const TrackSlot& settings = context.model.track(track);
        const TrackMix mix = TrackMix::of(settings.gain, settings.volume, settings.pan);
        for (std::size_t done = 0; done < n;) {
            const std::size_t step = std::min(kChunkSamples, n - done);
            mix.applyTo(buffer.data() + done, step, true, done);
            done += step;
            if (!meter.add(double(step))) return false;
        }
    } catch (const std::exception&) {
        context.dialogs.messageBox(kRenderFailedMessage, context.texts.caption(), DialogIcon::Error, DialogButtons::Ok);
        return false;
    }
    return true;
}

}  // namespace tqx
