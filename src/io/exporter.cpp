#include "io/exporter.h"

#include <algorithm>
#include <cstdio>
#include <exception>
#include <stdexcept>

#include "effects/equalize_signal.h"
#include "effects/equalizer.h"
#include "effects/pcm_requantise.h"
#include "io/mixdown.h"
#include "io/track_render.h"
#include "platform/byte_order.h"
#include "project/project_model.h"

namespace tqx {

namespace {

constexpr const char* kTrackExportQuestion = "このトラックをエクスポートしますか？";
constexpr const char* kClipExportQuestion = "この音声をエクスポートしますか？";
constexpr const char* kMixdownQuestion = "エクスポートしますか？";
constexpr const char* kClipProcessingFailedMessage = "処理中にエラーが発生しました。継続できません。";
constexpr std::size_t kChunkSamples = std::size_t{1} << 18;

bool askYesNo(const ExportContext& context, const char* text, const std::string& caption, DialogIcon icon) {
    return context.dialogs.messageBox(text, caption, icon, DialogButtons::YesNo) == DialogAnswer::Yes;
}

// Puts "エクスポート中..." in the caption and the title back on every way out.
class ExportingCaption {
public:
    explicit ExportingCaption(WindowTexts& texts) : texts_(texts) { texts_.setCaption(kExportingCaption); }
    ~ExportingCaption() { texts_.setCaption(kApplicationTitle); }
    ExportingCaption(const ExportingCaption&) = delete;
    ExportingCaption& operator=(const ExportingCaption&) = delete;

private:
    WindowTexts& texts_;
};

std::string missingClipMessage(const std::string& path) {
    return "エラー。このクリップの音声ファイルが見つからないため、エクスポートできません。\n" + path;
}

// The name every export proposes.
constexpr const char* kProposedName = "NoName";

}  // namespace

std::optional<std::string> Exporter::askSavePath() {
    return context_.dialogs.saveFile(kProposedName, {"Wave files", "*.wav"}, "wav", true);
}

// ---- mixdowns ----

void Exporter::A2Click() {
    if (context_.model.trackCount() == 0) return;
    stopAll_();
    if (!askYesNo(context_, kMixdownQuestion, context_.texts.caption(), DialogIcon::Question)) return;
    std::vector<int> slots;
    for (int slot = 0; slot < kTrackSlots; ++slot)
        if (context_.model.trackExists(slot)) slots.push_back(slot);
    mixdownTo(slots);
}

void Exporter::S2Click() {
    if (context_.model.trackCount() == 0) return;
    stopAll_();
    // The dialog lists the tracks in display order, top first.
    const auto order = context_.model.buildOrderedTrackList();
    std::vector<std::string> names;
    for (const TrackOrderEntry& e : order) names.push_back(trackItemText(e));
    std::optional<std::vector<int>> ticked = context_.dialogs.chooseTracks(names);
    if (!ticked) return;
    // Ticked items in ascending order pick entries of the list as the dialog showed it, so the
    // tracks come in display order, top first.
    std::vector<int> items = *ticked;
    std::sort(items.begin(), items.end());
    items.erase(std::unique(items.begin(), items.end()), items.end());
    std::vector<int> slots;
    for (int k : items)
        if (k >= 0 && std::size_t(k) < order.size()) slots.push_back(order[std::size_t(k)].slot);
    if (slots.empty()) return;
    mixdownTo(slots);
}

void Exporter::mixdownTo(const std::vector<int>& trackSlots) {
    const std::optional<std::string> path = askSavePath();
    if (!path) return;
    ExportingCaption caption(context_.texts);
    writeMixdown(context_, trackSlots, *path, RenderOptions{progressToView(context_), converterLibrary});
}

// ---- track export ----

void Exporter::N25Click() {
    if (context_.model.trackCount() == 0) return;
    stopAll_();
    if (!askYesNo(context_, kTrackExportQuestion, context_.texts.caption(), DialogIcon::Question)) return;
    const std::optional<std::string> path = askSavePath();
    if (!path) return;
    ExportingCaption caption(context_.texts);
    writeTrack(context_.model.SelectedTrack, *path);
}

void Exporter::writeTrack(int track, const std::string& path) {
    if (!context_.model.trackExists(track)) return;
    const TrackExtent extent = trackExtent(context_.model, track);
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
    if (!openExportFile(context_, file, context_.texts.caption())) return;
    try {
        if (extent.length > kMaxExportDataBytes) throw std::length_error("track too long for a WAVE file");
        const auto header = waveHeader44(WaveFormat::pcm(2, std::uint32_t(context_.model.ProjectSampleRate)),
                                         static_cast<std::uint32_t>(extent.length));
        if (!file.write(header.data(), header.size())) throw std::runtime_error("write failed");
        std::optional<TrackBlocks> blocks =
            prepareTrack(context_.model, track, extent, equalizerInUse(context_.equalizer), context_.dialogs,
                         context_.texts.caption(), RenderOptions{nullptr, converterLibrary});
        if (!blocks) {
            file.discard();
            reportExportDiscarded(context_.dialogs, file, context_.texts.caption());
            return;
        }
        std::vector<TrackBlocks> one;
        one.push_back(std::move(*blocks));
        auto progress = progressToView(context_);
        const BlockWriteResult written =
            writeTrackBlocks(one, extent.length / 2, false, file, [&](double f) { return progress(f * 0.9); });
        if (!blocksComplete(written, file, context_.dialogs, context_.texts.caption())) return;
        commitExportFile(file);
        progress(1.0);
    } catch (const std::exception&) {
        file.discard();
        context_.dialogs.messageBox(kFileCreateFailedMessage, context_.texts.caption(), DialogIcon::Error,
                                    DialogButtons::Ok);
    }
}

// ---- clip export ----

void Exporter::E1Click() {
    stopAll_();
    if (!askYesNo(context_, kClipExportQuestion, kApplicationTitle, DialogIcon::Question)) return;
    // Before any clip was right-clicked there is no current clip: nothing to export.
    const TMultiWave* clip = context_.model.clip(currentClip_);
    if (!clip) return;
    if (clip->IsMissing()) {
        context_.dialogs.messageBox(missingClipMessage(clip->FileName()), kApplicationTitle, DialogIcon::Error,
                                    DialogButtons::Ok);
        return;
    }
    const std::optional<std::string> path = askSavePath();
    if (!path) return;
    writeClip(currentClip_, *path);
}

void Exporter::writeClip(int clipSlot, const std::string& path) {
    const TMultiWave& clip = *context_.model.clip(clipSlot);
    AtomicFileWriter file(path);
    if (!openExportFile(context_, file, kApplicationTitle)) return;
    ExportingCaption caption(context_.texts);
    auto progress = progressToView(context_);
    WaveFormat format = clip.GetFormat();
    // A clip holds 16-bit PCM whatever its file said (an extensible record is taken as PCM),
    // and the 16-byte record written here has no room for anything else.
    format.formatTag = WaveFormat::kPcm;
    const std::uint32_t bytes = clip.GetDataSize();

    // The clip's samples with its track's gain, volume and pan: a mono clip's samples all
    // follow the left-sample rule. Then the equalizer, the reverse of a track rendering.
    std::vector<std::int16_t> samples;
    try {
        samples.resize(bytes / 2);
        const std::uint8_t* data = clip.GetData();
        for (std::size_t i = 0; i < samples.size(); ++i) samples[i] = getSample16(data + 2 * i);
        TrackMix mix;
        if (context_.model.trackExists(clip.GetTrack())) {
            const TrackSlot& t = context_.model.track(clip.GetTrack());
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
        context_.dialogs.messageBox(kClipProcessingFailedMessage, kApplicationTitle, DialogIcon::Error,
                                    DialogButtons::Ok);
        return;
    }
    // Each of the clip's own channels is filtered on its own.
    if (context_.equalizer.isOn()) {
        const EqCoefficientTable& table = context_.equalizer.table();
        std::size_t filtered = 0;
        const bool finished =
            EqualizeSignal(samples, format.channels, table.denominator, table.numerator, [&](std::size_t done) {
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
        context_.dialogs.messageBox(kFileCreateFailedMessage, kApplicationTitle, DialogIcon::Error, DialogButtons::Ok);
    }
}

}  // namespace tqx
