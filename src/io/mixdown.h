#pragma once
// Mixdown of several tracks into one 16-bit stereo WAVE file at the project rate, and the
// output file handling shared by every export: a file is only ever written whole.
#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "io/block_export.h"
#include "io/track_render.h"
#include "platform/atomic_file_writer.h"
#include "platform/wave_format.h"

namespace tqx {

struct ExportContext;

inline constexpr const char* kExportingCaption = "エクスポート中...";
inline constexpr const char* kFileCreateFailedMessage = "エラー。ファイルの作成に失敗しました。";
// The largest data chunk a 44-byte-header file can describe (its RIFF size is data + 36),
// kept to whole 4-byte frames.
inline constexpr std::uint64_t kMaxExportDataBytes = (0xFFFFFFFFull - 36) / 4 * 4;

// The canonical 44-byte header: "RIFF", data + 36, "WAVE", a 16-byte "fmt " chunk (the
// format's fields up to the bits per sample), "data", data.
std::array<std::uint8_t, 44> waveHeader44(const WaveFormat& format, std::uint32_t dataBytes);

// Opens an export's output, a temporary file that replaces `file`'s target only once the
// export is complete (see AtomicFileWriter). False, after telling the user why under
// `caption`, when there is nothing to write to.
bool openExportFile(const ExportContext& context, AtomicFileWriter& file, const std::string& caption);
// 16-bit samples, stored little-endian.
bool writeSamples(AtomicFileWriter& file, const std::int16_t* samples, std::size_t count);
// Puts the finished file in place; throws std::runtime_error when that fails (the target stays).
void commitExportFile(AtomicFileWriter& file);
// Said when an export stopped before its end: no file was written, an earlier one stays.
void reportExportDiscarded(UserDialogs& dialogs, const AtomicFileWriter& file, const std::string& caption);
// After writeTrackBlocks: true when every block was written. Otherwise the file is discarded:
// quietly when the user stopped the export, after saying why when a clip's file could not be
// read. A failed write throws std::runtime_error, as every failed write of an export does.
bool blocksComplete(const BlockWriteResult& written, AtomicFileWriter& file, UserDialogs& dialogs,
                    const std::string& caption);
// The equalizer's table for a rendering: nullptr while it is off.
const EqCoefficientTable* equalizerInUse(const Equalizer& equalizer);

// Reports an export's progress through the dialogs, a few hundred times at most; false when
// the user asked to stop.
std::function<bool(double)> progressToView(const ExportContext& context);

enum class MixdownStatus {
    Written,
    NothingToWrite,  // no chosen track has a clip; no file, no message
    CreateFailed,    // the file could not be created; the user was told
    WriteFailed,     // mixing or writing failed; the user was told, no file is left
    RenderFailed,    // a track could not be rendered whole; the user was told, no file is left
    Cancelled,       // the progress callback asked to stop; no file is left
};

struct MixdownResult {
    MixdownStatus status = MixdownStatus::NothingToWrite;
    std::uint64_t dataBytes = 0;
};

// Renders `trackSlots` (in the order given; slots without a track are skipped), adds them
// together and writes the file at `path`. The file is as long as the longest track; shorter
// ones leave the rest of the mix as it is. Shows its own messages; touches neither the
// caption nor the transport, which are the caller's.
MixdownResult writeMixdown(const ExportContext& context, const std::vector<int>& trackSlots, const std::string& path,
                           const RenderOptions& options = {});

}  // namespace tqx
