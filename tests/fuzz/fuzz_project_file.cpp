// The project file reader on any bytes. It stops at the first damage without reading outside
// the file or trusting a count; a file it reads whole can be saved again, and the saved file
// reads whole and saves to the same bytes.
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "project/project_file.h"

namespace {

tqx::ParsedProjectFile parseBytes(const std::uint8_t* data, std::size_t size) {
    tqx::FilePtr file(fmemopen(const_cast<std::uint8_t*>(data), size, "rb"));
    if (!file) std::abort();
    return tqx::parseProjectFile(file.get(), size);
}

bool whole(const tqx::ParsedProjectFile& p) {
    return p.projectId && p.damage == tqx::ProjectFileDamage::None && p.equalizer.has_value();
}

tqx::ProjectFileContents contentsOf(const tqx::ParsedProjectFile& p) {
    tqx::ProjectFileContents c;
    // A file that ends in its header leaves the rate and the main devices as they were.
    c.sampleRate = p.sampleRate.value_or(c.sampleRate);
    c.playbackDevice = p.playbackDevice.value_or(c.playbackDevice);
    c.playbackPerTrack = p.playbackPerTrack;
    c.recordingDevice = p.recordingDevice.value_or(c.recordingDevice);
    c.recordingPerTrack = p.recordingPerTrack;
    c.recordingMode = p.recordingMode;
    c.tracks = p.tracks;
    c.equalizer = *p.equalizer;
    return c;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const tqx::ParsedProjectFile parsed = parseBytes(data, size);
    if (parsed.damageOffset > size) std::abort();
    if (!whole(parsed)) return 0;

    const tqx::EncodedProjectFile saved = tqx::encodeProjectFile(contentsOf(parsed));
    if (saved.error != tqx::EncodeError::None) std::abort();
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(saved.bytes.data());
    const tqx::ParsedProjectFile reread = parseBytes(bytes, saved.bytes.size());
    if (!whole(reread)) std::abort();
    if (tqx::encodeProjectFile(contentsOf(reread)).bytes != saved.bytes) std::abort();
    return 0;
}
