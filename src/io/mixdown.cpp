#include "io/mixdown.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <exception>
#include <stdexcept>

#include "effects/equalizer.h"
#include "io/export_context.h"
#include "platform/byte_order.h"
#include "project/project_model.h"

namespace tqx {

namespace {

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
        case AtomicFileWriter::Status::NotRegular:
            text = notRegularFileMessage(file.target(), file.targetKind());
            break;
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

void reportExportDiscarded(UserDialogs& dialogs, const AtomicFileWriter& file, const std::string& caption) {
    std::string text = "エラー。エクスポートを最後まで行えなかったため、ファイルは書き込んでいません。";
    if (file.replacesExisting()) text += "同じ名前の以前のファイルはそのまま残っています。";
    dialogs.messageBox(text, caption, DialogIcon::Error, DialogButtons::Ok);
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

bool blocksComplete(const BlockWriteResult& written, AtomicFileWriter& file, UserDialogs& dialogs,
                    const std::string& caption) {
    switch (written.status) {
        case BlocksWritten::All: return true;
        case BlocksWritten::WriteFailed: throw std::runtime_error("write failed");
        case BlocksWritten::ClipUnreadable:
            dialogs.messageBox("エラー。クリップ「" + written.unreadFile + "」の音声ファイルを読めませんでした。",
                               caption, DialogIcon::Error, DialogButtons::Ok);
            file.discard();
            reportExportDiscarded(dialogs, file, caption);
            return false;
        case BlocksWritten::Cancelled: break;
    }
    file.discard();
    return false;
}

const EqCoefficientTable* equalizerInUse(const Equalizer& equalizer) {
    return equalizer.isOn() ? &equalizer.table() : nullptr;
}

MixdownResult writeMixdown(const ExportContext& context, const std::vector<int>& trackSlots, const std::string& path,
                           const RenderOptions& options) {
    MixdownResult result;

    // First pass: the extent of every chosen track gives the length of the mix.
    std::vector<std::pair<int, TrackExtent>> tracks;
    std::uint64_t mixBytes = 0;
    for (int slot : trackSlots) {
        if (!context.model.trackExists(slot)) continue;
        TrackExtent extent = trackExtent(context.model, slot, options.clipFiles);
        if (!extent.hasClips) continue;
        mixBytes = std::max(mixBytes, extent.length);
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
    if (options.progress && !options.progress(0.0)) return cancelled();

    try {
        if (mixBytes > kMaxExportDataBytes) throw std::length_error("mix too long for a WAVE file");
        // Second pass: every track set up to render, then the mix block by block.
        std::vector<TrackBlocks> blocks;
        for (const auto& [slot, extent] : tracks) {
            std::optional<TrackBlocks> track =
                prepareTrack(context.model, slot, extent, equalizerInUse(context.equalizer), context.dialogs,
                             context.texts.caption(), options);
            if (!track) {
                file.discard();
                reportExportDiscarded(context.dialogs, file, context.texts.caption());
                result.status = MixdownStatus::RenderFailed;
                return result;
            }
            blocks.push_back(std::move(*track));
        }
        const auto header = waveHeader44(WaveFormat::pcm(2, std::uint32_t(context.model.ProjectSampleRate)),
                                         static_cast<std::uint32_t>(mixBytes));
        if (!file.write(header.data(), header.size())) throw std::runtime_error("write failed");
        const BlockWriteResult written =
            writeTrackBlocks(blocks, mixBytes / 2, true, file, options.progress, options.threads);
        if (!blocksComplete(written, file, context.dialogs, context.texts.caption())) {
            if (written.status == BlocksWritten::Cancelled) return cancelled();
            result.status = MixdownStatus::RenderFailed;
            return result;
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
