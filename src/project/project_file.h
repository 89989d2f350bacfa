#pragma once
// The ".tqxproj" project file as bytes: a flat little-endian sequence (int32, float32, one-byte
// flags, texts as an int32 byte count and that many bytes). The header, the tracks in display
// order with their clip lists, then the equalizer. This file knows nothing of the studio;
// ProjectFileCommands gathers the values and applies what was read.
#include <array>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "platform/regular_file.h"
#include "project/project_model.h"

namespace tqx {

inline constexpr std::int32_t ProjectFileId = 201202;
inline constexpr std::int32_t ProjectFileVersion = 20121001;
inline constexpr int kMaxStoredNameBytes = 255;      // a track name's 256-byte buffer, terminator included
inline constexpr int kMaxStoredPathBytes = 259;      // a clip path's 260-byte buffer
inline constexpr int kStoredTrackSlotLimit = 10000;  // slot 10,000 is tolerated and skipped
inline constexpr int kEqualizerBands = 10;

struct StoredClip {
    std::int32_t clipSlot = 0;
    std::int32_t trackSlot = 0;
    std::string path;  // UTF-8, or the bytes of a file name that is not UTF-8
    float start = 0.0f;
};

// One track record: the track's settings and its clips. On disk the icon comes before the
// volume, although TrackSettings holds it after the device indices.
struct StoredTrack {
    TrackSettings settings;  // texts in UTF-8
    std::vector<StoredClip> clips;
};

struct StoredEqualizer {
    std::uint8_t on = 0;
    std::int32_t bandSet = 0;
    std::array<std::int32_t, kEqualizerBands> bands{};
};

struct ProjectFileContents {
    std::int32_t sampleRate = 44100;
    std::int32_t playbackDevice = -1;  // -1: "WAVE MAPPER"
    std::int32_t playbackPerTrack = 0;
    std::int32_t recordingDevice = -1;
    std::int32_t recordingPerTrack = 0;
    std::int32_t recordingMode = 0;  // 0 stereo, 1 mono
    std::vector<StoredTrack> tracks;
    StoredEqualizer equalizer;
};

// --- writing ---

enum class EncodeError { None, NameTooLong, PathTooLong };

struct EncodedProjectFile {
    std::string bytes;
    EncodeError error = EncodeError::None;
    std::string offending;  // the name or path that cannot be stored
};

// The file's bytes. A name or path whose stored form is longer than its buffer allows is not
// cut: nothing is encoded and the text is named in `offending`.
EncodedProjectFile encodeProjectFile(const ProjectFileContents& contents);

// --- reading ---

enum class ProjectFileDamage {
    None,
    CutOff,  // the file ends before a record its count promised
    BadSampleRate,
    BadTrackCount,  // below 0, or more records than the file can hold
    BadTrackSlot,   // outside 0..10,000
    DuplicateTrackSlot,
    BadNameLength,  // below 0 or above 255
    BadClipCount,
    BadClipSlot,  // outside 0..32,767
    DuplicateClipSlot,
    BadPathLength,  // below 0 or above 259
};

// What a file gave. A field that the file ends before reads as 0, so a record cut inside keeps
// what it holds; reading stops at the first damage, and everything before it is kept. The rate
// and the two main devices are not set when the file ends before them: the caller keeps its own.
struct ParsedProjectFile {
    bool opened = false;                // the file could be opened for reading
    FileKind kind = FileKind::Missing;  // what the path names (only regular files are opened)
    bool projectId = false;             // it starts with the program id
    std::optional<std::int32_t> sampleRate;
    std::optional<std::int32_t> playbackDevice, recordingDevice;
    std::int32_t playbackPerTrack = 0, recordingPerTrack = 0, recordingMode = 0;
    std::vector<StoredTrack> tracks;  // every record that begins in the file
    // Read when the track records were intact; a file that ends right after them reads as
    // off, band set 0, all bands 0.
    std::optional<StoredEqualizer> equalizer;
    ProjectFileDamage damage = ProjectFileDamage::None;
    std::int64_t damageValue = 0;    // the offending count or slot
    std::uint64_t damageOffset = 0;  // byte offset of the offending field, or where the file ended
};

// Only a regular file is opened: a FIFO, device or folder is refused at once.
ParsedProjectFile parseProjectFile(const std::string& path);
// The same on an open file of `size` bytes.
ParsedProjectFile parseProjectFile(std::FILE* file, std::uint64_t size);

}  // namespace tqx
