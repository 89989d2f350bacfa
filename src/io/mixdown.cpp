#include "io/mixdown.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <exception>
#include <memory>
#include <span>
#include <stdexcept>

#include "io/export_context.h"
#include "effects/pcm_requantise.h"
#include "platform/byte_order.h"
#include "project/project_model.h"

namespace tqx {

namespace {

constexpr std::size_t kWriteChunkSamples = std::size_t{1} << 18;

void failed(const ExportContext& context) {
    context.dialogs.messageBox(kFileCreateFailedMessage, context.texts.caption(), DialogIcon::Error, DialogButtons::Ok);
}

}  // namespace

std::array<std::uint8_t, 44> waveHeader44(const WaveFormat& format, std::uint32_t dataBytes) {
    std::array<std::uint8_t, 44> h{};
    std::memcpy(&h[0], "RIFF", 4);
    putLe32(&h[4], dataBytes + 36);
    std::memcpy(&h[8], "WAVEfmt ", 8);
    putLe32(&h[16], 16);
    // The format record without its extra-size field.
    const auto record = format.toBytes();
    std::memcpy(&h[20], record.data(), 16);
    std::memcpy(&h[36], "data", 4);
    putLe32(&h[40], dataBytes);
    return h;
}

// ---- the output file ----

bool openExportFile(const ExportContext& context, AtomicFileWriter& file, const std::string& caption) {
    std::string text = kFileCreateFailedMessage;
    switch (file.open()) {
        case AtomicFileWriter::Status::Ok: return true;
        case AtomicFileWriter::Status::NotRegular: text = notRegularFileMessage(file.target(), file.targetKind()); break;
        case AtomicFileWriter::Status::ReadOnly: text = readOnlyFileMessage(file.target()); break;
        case AtomicFileWriter::Status::CannotCreate:
        case AtomicFileWriter::Status::CannotWrite: break;
    }
    context.dialogs.messageBox(text, caption, DialogIcon::Error, DialogButtons::Ok);
    return false;
}

bool writeSamples(AtomicFileWriter& file, const std::int16_t* samples, std::size_t count) {
    if constexpr (std::endian::native == std::endian::little) {
        return file.write(samples, count * 2);
    } else {
        std::vector<std::uint8_t> bytes(count * 2);
        for (std::size_t i = 0; i < count; ++i) putSample16(&bytes[2 * i], samples[i]);
        return file.write(bytes.data(), bytes.size());
    }
}

void commitExportFile(AtomicFileWriter& file) {
    if (file.commit() != AtomicFileWriter::Status::Ok)
        throw std::runtime_error("the finished file could not reach the disk or take its name");
}

void reportExportDiscarded(const ExportContext& context, const AtomicFileWriter& file, const std::string& caption) {
    std::string text = "エラー。エクスポートを最後まで行えなかったため、ファイルは書き込んでいません。";
    if (file.replacesExisting()) text += "同じ名前の以前のファイルはそのまま残っています。";
    context.dialogs.messageBox(text, caption, DialogIcon::Error, DialogButtons::Ok);
}

// ---- progress ----

std::function<bool(double)> progressToView(const ExportContext& context) {
    double last = -1.0;
    return [context, last](double fraction) mutable {
        if (fraction < 1.0 && last >= 0.0 && fraction - last < 0.005) return true;
        last = fraction;
        return context.dialogs.progress(kExportingCaption, fraction);
    };
}

// ---- mixdown ----

MixdownResult writeMixdown(const ExportContext& context, const std::vector<int>& trackSlots, const std::string& path,
                           const RenderOptions& options) {
    MixdownResult result;

    // First pass: the extent of every chosen track gives the length of the mix.
    std::vector<std::pair<int, TrackExtent>> tracks;
    std::uint64_t mixBytes = 0;
    double work = 0;
    for (int slot : trackSlots) {
        if (!context.model.trackExists(slot)) continue;
        TrackExtent extent = trackExtent(context.model, slot);
        if (!extent.hasClips) continue;
        mixBytes = std::max(mixBytes, extent.length);
        work += double(extent.length);
        tracks.emplace_back(slot, std::move(extent));
    }
    if (mixBytes == 0) return result;

    AtomicFileWriter file(path);
    if (!openExportFile(context, file, context.texts.caption())) {
        result.status = MixdownStatus::CreateFailed;
        return result;
    }

    const auto cancelled = [&] {
        file.discard();
        result.status = MixdownStatus::Cancelled;
        return result;
    };
    // Rendering and adding each track count as its length; writing as the mix's.
    work += double(mixBytes);
    double done = 0;
    bool stopRequested = false;
    const auto report = [&](double fraction) {
        if (options.progress && !options.progress(fraction)) stopRequested = true;
        return !stopRequested;
    };
    if (!report(0.0)) return cancelled();

    try {
        if (mixBytes > kMaxExportDataBytes) throw std::length_error("mix too long for a WAVE file");
        std::vector<std::int16_t> mix(mixBytes / 2, 0);

        // Second pass: render each track and add it in, one at a time. One track buffer
        // serves them all (the rendering clears what it uses).
        const auto trackBuffer = std::make_unique_for_overwrite<std::int16_t[]>(mix.size());
        for (auto& [slot, extent] : tracks) {
            const std::span<std::int16_t> rendered(trackBuffer.get(), extent.length / 2);
            const double share = double(extent.length);
            RenderOptions trackOptions{nullptr, options.converterLibrary};
            trackOptions.progress = [&, share](double f) { return report((done + share * 0.8 * f) / work); };
            if (!renderTrack(context, slot, extent, rendered, trackOptions)) {
                if (stopRequested) return cancelled();
                file.discard();
                reportExportDiscarded(context, file, context.texts.caption());
                result.status = MixdownStatus::RenderFailed;
                return result;
            }
            // Each addition is clamped: v from the track, w from the mix.
            std::int16_t* const m = mix.data();
            for (std::size_t k = 0; k < rendered.size(); ++k) m[k] = mixSamples(rendered[k], m[k]);
            done += share;
            if (!report(done / work)) return cancelled();
        }

        const auto header = waveHeader44(WaveFormat::pcm(2, std::uint32_t(context.model.ProjectSampleRate)),
                                         static_cast<std::uint32_t>(mixBytes));
        if (!file.write(header.data(), header.size())) throw std::runtime_error("write failed");
        for (std::size_t at = 0; at < mix.size(); at += kWriteChunkSamples) {
            const std::size_t count = std::min(kWriteChunkSamples, mix.size() - at);
            if (!writeSamples(file, mix.data() + at, count)) throw std::runtime_error("write failed");
            if (!report((done + 2.0 * double(at + count)) / work)) return cancelled();
        }
        commitExportFile(file);
    } catch (const std::exception&) {
        file.discard();
        failed(context);
        result.status = MixdownStatus::WriteFailed;
        return result;
    }
    result.status = MixdownStatus::Written;
    result.dataBytes = mixBytes;
    return result;
}

}  // namespace tqx
