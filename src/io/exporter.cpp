#include "io/exporter.h"

#include <algorithm>
#include <cstdio>
#include <exception>
#include <stdexcept>

#include "effects/equalize_signal.h"
#include "effects/equalizer.h"
#include "engine/studio.h"
#include "io/mixdown.h"
#include "io/pcm_requantise.h"
#include "io/track_render.h"
#include "platform/byte_order.h"
#include "project/project_model.h"

namespace tqx {

namespace {

constexpr const char* kTrackExportQuestion = "このトラックをエクスポートしますか？";
constexpr const char* kClipExportQuestion = "この音声をエクスポートしますか？";
constexpr const char* kClipDeleteQuestion = "この音声を削除しますか？";
constexpr const char* kMixdownQuestion = "エクスポートしますか？";
constexpr const char* kClipProcessingFailedMessage = "処理中にエラーが発生しました。継続できません。";
constexpr std::size_t kChunkSamples = std::size_t{1} << 18;

bool askYesNo(Studio& studio, const char* text, const std::string& caption, DialogIcon icon) {
    return studio.dialogs.messageBox(text, caption, icon, DialogButtons::YesNo) == DialogAnswer::Yes;
}

// Puts "エクスポート中..." in the caption and the title back on every way out.
class ExportingCaption {
public:
    explicit ExportingCaption(Studio& studio) : studio_(studio) { studio_.setCaption(kExportingCaption); }
    ~ExportingCaption() { studio_.setCaption(kApplicationTitle); }
    ExportingCaption(const ExportingCaption&) = delete;
    ExportingCaption& operator=(const ExportingCaption&) = delete;

private:
    Studio& studio_;
};

}  // namespace

std::optional<std::string> Exporter::askSavePath() {
    return studio_.dialogs.saveFile(studio_.exportProposedName, {"Wave files", "*.wav"}, "wav", true);
}

// ---- mixdowns ----

void Exporter::A2Click() {
    if (studio_.model.trackCount() == 0) return;
    studio_.StopAll();
    if (!askYesNo(studio_, kMixdownQuestion, studio_.caption, DialogIcon::Question)) return;
    std::vector<int> slots;
    for (int slot = 0; slot < kTrackSlots; ++slot)
        if (studio_.model.trackExists(slot)) slots.push_back(slot);
    mixdownTo(slots);
}

void Exporter::S2Click() {
    if (studio_.model.trackCount() == 0) return;
    studio_.StopAll();
    if (!chooseTracks) return;
    std::optional<std::vector<int>> ticked = chooseTracks();
    if (!ticked) return;
    // Ticked items in ascending order pick entries of the list as the dialog showed it, so the
    // tracks come in display order, top first.
    std::vector<int> items = *ticked;
    std::sort(items.begin(), items.end());
    items.erase(std::unique(items.begin(), items.end()), items.end());
    const auto order = studio_.model.buildOrderedTrackList();
    std::vector<int> slots;
    for (int k : items)
        if (k >= 0 && std::size_t(k) < order.size()) slots.push_back(order[std::size_t(k)].slot);
    if (slots.empty()) return;
    mixdownTo(slots);
}

void Exporter::mixdownTo(const std::vector<int>& trackSlots) {
    const std::optional<std::string> path = askSavePath();
    if (!path) return;
    ExportingCaption caption(studio_);
    writeMixdown(studio_, trackSlots, *path, RenderOptions{progressToView(studio_), converterLibrary});
}

// ---- track export ----

void Exporter::N25Click() {
    if (studio_.model.trackCount() == 0) return;
    studio_.StopAll();
    if (!askYesNo(studio_, kTrackExportQuestion, studio_.caption, DialogIcon::Question)) return;
    const std::optional<std::string> path = askSavePath();
    if (!path) return;
    ExportingCaption caption(studio_);
    writeTrack(studio_.model.SelectedTrack, *path);
}

void Exporter::writeTrack(int track, const std::string& path) {
    if (!studio_.model.trackExists(track)) return;
    const TrackExtent extent = trackExtent(studio_.model, track);
    if (!extent.hasClips) return;
    // Where each clip begins and ends, for whoever follows the export on the console.
    for (const ClipTime& c : extent.starts) {
        std::fprintf(stderr, "index: %d\n", c.slot);
        std::fprintf(stderr, "pos: %.3f\n", double(c.time));
    }
    for (const ClipTime& c : extent.ends) {
        std::fprintf(stderr, "index: %d\n", c.slot);
        std::fprintf(stderr, "EndPos: %.3f\n", double(c.time));
    }

    AtomicFileWriter file(path);
    if (!openExportFile(studio_, file, studio_.caption)) return;
    try {
        if (extent.length > kMaxExportDataBytes) throw std::length_error("track too long for a WAVE file");
        const auto header = waveHeader44(WaveFormat::pcm(2, std::uint32_t(studio_.model.ProjectSampleRate)),
                                         static_cast<std::uint32_t>(extent.length));
        if (!file.write(header.data(), header.size())) throw std::runtime_error("write failed");
        std::optional<TrackBlocks> blocks =
            prepareTrack(studio_.model, track, extent, equalizerInUse(studio_.equalizer()), studio_.dialogs,
                         studio_.caption, RenderOptions{nullptr, converterLibrary});
        if (!blocks) {
            file.discard();
            reportExportDiscarded(studio_.dialogs, file, studio_.caption);
            return;
        }
        std::vector<TrackBlocks> one;
        one.push_back(std::move(*blocks));
        auto progress = progressToView(studio_);
        const BlockWriteResult written = writeTrackBlocks(one, extent.length / 2, false, file,
                                                          [&](double f) { return progress(f * 0.9); });
        if (!blocksComplete(written, file, studio_.dialogs, studio_.caption)) return;
        commitExportFile(file);
        progress(1.0);
    } catch (const std::exception&) {
        file.discard();
        studio_.dialogs.messageBox(kFileCreateFailedMessage, studio_.caption, DialogIcon::Error, DialogButtons::Ok);
    }
}

// ---- clip export ----

void Exporter::E1Click() {
    studio_.StopAll();
    if (!askYesNo(studio_, kClipExportQuestion, kApplicationTitle, DialogIcon::Question)) return;
    // Before any clip was right-clicked there is no current clip: nothing to export.
    if (!studio_.model.clip(studio_.selectedClip)) return;
    const std::optional<std::string> path = askSavePath();
    if (!path) return;
    writeClip(studio_.selectedClip, *path);
}

void Exporter::writeClip(int clipSlot, const std::string& path) {
    const TMultiWave& clip = *studio_.model.clip(clipSlot);
    AtomicFileWriter file(path);
    if (!openExportFile(studio_, file, kApplicationTitle)) return;
    ExportingCaption caption(studio_);
    auto progress = progressToView(studio_);
    const WaveFormat format = clip.GetFormat();
    const std::uint32_t bytes = clip.GetDataSize();

    // The clip's samples with its track's gain, volume and pan: a mono clip's samples all
    // follow the left-sample rule. Then the equalizer, the reverse of a track rendering.
    std::vector<std::int16_t> samples;
    try {
        samples.resize(bytes / 2);
        const std::uint8_t* data = clip.GetData();
        for (std::size_t i = 0; i < samples.size(); ++i) samples[i] = getSample16(data + 2 * i);
        TrackMix mix;
        if (studio_.model.trackExists(clip.GetTrack())) {
            const TrackSlot& t = studio_.model.track(clip.GetTrack());
            mix = TrackMix::of(t.gain, t.volume, t.pan);
        }
        for (std::size_t done = 0; done < samples.size();) {
            const std::size_t step = std::min(kChunkSamples, samples.size() - done);
            mix.applyTo(samples.data() + done, step, format.channels == 2, done);
            done += step;
            if (!progress(0.8 * double(done) / double(samples.size()))) return;  // cancelled
        }
    } catch (const std::exception&) {
        file.discard();
        studio_.dialogs.messageBox(kClipProcessingFailedMessage, kApplicationTitle, DialogIcon::Error,
                                   DialogButtons::Ok);
        return;
    }
    // Each of the clip's own channels is filtered on its own.
    if (studio_.equalizer().isOn()) {
        const EqCoefficientTable& table = studio_.equalizer().table();
        std::size_t filtered = 0;
        const bool finished = EqualizeSignal(samples, format.channels, table.denominator, table.numerator,
                                             [&](std::size_t done) {
                                                 filtered += done;
                                                 return progress(0.8 + 0.1 * double(filtered) / double(samples.size()));
                                             });
        if (!finished) return;  // cancelled
    }
    if (!progress(0.9)) return;  // cancelled

    try {
        if (std::uint64_t(bytes) > kMaxExportDataBytes) throw std::length_error("clip too long for a WAVE file");
        const auto header = waveHeader44(format, bytes);
        if (!file.write(header.data(), header.size())) throw std::runtime_error("write failed");
        if (!writeSamples(file, samples.data(), samples.size())) throw std::runtime_error("write failed");
        // An odd last byte is not part of any sample and goes out as it is.
        if (bytes % 2 && !file.write(clip.GetData() + bytes - 1, 1)) throw std::runtime_error("write failed");
        commitExportFile(file);
        progress(1.0);
    } catch (const std::exception&) {
        file.discard();
        studio_.dialogs.messageBox(kFileCreateFailedMessage, kApplicationTitle, DialogIcon::Error, DialogButtons::Ok);
    }
}

// ---- clip deletion ----

void Exporter::N23Click() {
    studio_.StopAll();
    if (!askYesNo(studio_, kClipDeleteQuestion, studio_.caption, DialogIcon::Warning)) return;
    if (!studio_.model.clip(studio_.selectedClip)) return;
    // Only the clip goes; its WAVE file stays where it is, and the current clip slot keeps its
    // number.
    studio_.model.destroyClip(studio_.selectedClip);
    studio_.notify(Change::Clips);
}

}  // namespace tqx
