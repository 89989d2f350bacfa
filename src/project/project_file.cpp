#include "project/project_file.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <set>

#include "audio/stream_format.h"
#include "platform/byte_order.h"
#include "platform/regular_file.h"
#include "project/text_encoding.h"

namespace tqx {

namespace {

// Every sampling rate a stream can play lies here; outside it the time scale degenerates.
constexpr std::int32_t kMinStoredRate = kLowestStreamRate;
constexpr std::int32_t kMaxStoredRate = kHighestStreamRate;

void putI32(std::string& out, std::int32_t v) { appendLe32(out, static_cast<std::uint32_t>(v)); }
void putF32(std::string& out, float v) {
    std::uint32_t bits;
    std::memcpy(&bits, &v, 4);
    appendLe32(out, bits);
}
void putU8(std::string& out, std::uint8_t v) { out.push_back(static_cast<char>(v)); }

void putText(std::string& out, const std::string& bytes) {
    putI32(out, static_cast<std::int32_t>(bytes.size()));
    out += bytes;
}

// Sequential reading that knows how much of the file is left. A field that does not lie whole
// in the file reads as 0 (the program always read into zeroed fields) and the rest of the
// file is used up; no count is trusted beyond the records that begin in the file.
class FieldReader {
public:
    FieldReader(std::FILE* f, std::uint64_t size) : f_(f), size_(size) {}

    std::uint64_t offset() const { return offset_; }
    std::uint64_t size() const { return size_; }
    bool atEnd() const { return offset_ >= size_; }

    // Up to `n` bytes into `out`; what lies past the end stays as it was. True when all were there.
    bool bytes(void* out, std::size_t n) {
        const std::size_t have = static_cast<std::size_t>(std::min<std::uint64_t>(n, size_ - offset_));
        if (have && std::fread(out, 1, have, f_) != have) {
            offset_ = size_;  // a read error ends the file here
            return false;
        }
        offset_ += have;
        return have == n;
    }
    bool i32(std::int32_t& v) {
        std::uint8_t b[4];
        const bool whole = bytes(b, 4);
        v = whole ? static_cast<std::int32_t>(getLe32(b)) : 0;
        return whole;
    }
    bool f32(float& v) {
        std::uint8_t b[4];
        const bool whole = bytes(b, 4);
        const std::uint32_t bits = whole ? getLe32(b) : 0;
        std::memcpy(&v, &bits, 4);
        return whole;
    }
    bool u8(std::uint8_t& v) {
        v = 0;
        return bytes(&v, 1);
    }

private:
    std::FILE* f_;
    std::uint64_t size_;
    std::uint64_t offset_ = 0;
};

class Parser {
public:
    Parser(FieldReader& in, ParsedProjectFile& out) : in_(in), out_(out) {}

    void run() {
        std::int32_t id = 0;
        if (!in_.i32(id) || id != ProjectFileId) return;
        out_.projectId = true;
        if (!header()) return;
        std::int32_t count = 0;
        const std::uint64_t countAt = in_.offset();
        in_.i32(count);
        if (count < 0) return damage(ProjectFileDamage::BadTrackCount, count, countAt);
        for (std::int32_t i = 0; i < count; ++i)
            if (!track()) return;
        equalizer();
    }

private:
    void damage(ProjectFileDamage what, std::int64_t value, std::uint64_t at) {
        out_.damage = what;
        out_.damageValue = value;
        out_.damageOffset = at;
    }
    // The count promised a record that the file ends before: the message says where it ended.
    void endedBefore(std::int64_t records) { damage(ProjectFileDamage::CutOff, records, in_.size()); }

    // The rate and the two main devices are read straight into their places: a file that
    // ends before them leaves them as they were.
    void keptField(std::optional<std::int32_t>& into) {
        std::int32_t v;
        if (in_.i32(v)) into = v;
    }

    bool header() {
        std::int32_t version;
        in_.i32(version);  // never checked
        const std::uint64_t rateAt = in_.offset();
        std::int32_t rate;
        if (in_.i32(rate)) {
            if (rate < kMinStoredRate || rate > kMaxStoredRate) {
                damage(ProjectFileDamage::BadSampleRate, rate, rateAt);
                return false;
            }
            out_.sampleRate = rate;
        }
        keptField(out_.playbackDevice);
        in_.i32(out_.playbackPerTrack);
        keptField(out_.recordingDevice);
        in_.i32(out_.recordingPerTrack);
        in_.i32(out_.recordingMode);
        return true;
    }

    bool text(std::string& into, int limit, ProjectFileDamage tooLong) {
        const std::uint64_t at = in_.offset();
        std::int32_t n;
        in_.i32(n);
        if (n < 0 || n > limit) {
            damage(tooLong, n, at);
            return false;
        }
        // Bytes the file ends before stay zero, as in the zeroed buffer the program read into.
        char buffer[kMaxStoredPathBytes + 1] = {};
        in_.bytes(buffer, static_cast<std::size_t>(n));
        into = fromStoredText(std::string_view(buffer, static_cast<std::size_t>(n)));
        return true;
    }

    // False when reading must stop: damage, or the file ended before a promised record.
    bool track() {
        StoredTrack t;
        TrackSettings& s = t.settings;
        const std::uint64_t slotAt = in_.offset();
        // A record whose slot is not whole in the file holds nothing that could be opened.
        if (!in_.i32(s.slot)) {
            endedBefore(1);
            return false;
        }
        if (s.slot < 0 || s.slot > kStoredTrackSlotLimit) {
            damage(ProjectFileDamage::BadTrackSlot, s.slot, slotAt);
            return false;
        }
        if (s.slot < kStoredTrackSlotLimit && !trackSlots_.insert(s.slot).second) {
            damage(ProjectFileDamage::DuplicateTrackSlot, s.slot, slotAt);
            return false;
        }
        if (!text(s.name, kMaxStoredNameBytes, ProjectFileDamage::BadNameLength)) return false;
        in_.i32(s.icon);
        in_.f32(s.volume);
        in_.f32(s.pan);
        in_.f32(s.gain);
        in_.i32(s.playbackDevice);
        in_.i32(s.recordingDevice);
        in_.u8(s.recordArmed);
        in_.u8(s.muted);
        in_.u8(s.soloed);
        const std::uint64_t countAt = in_.offset();
        std::int32_t count;
        in_.i32(count);
        if (count < 0) {
            damage(ProjectFileDamage::BadClipCount, count, countAt);
            return false;
        }
        // From here the track itself is whole; a damaged clip keeps the clips before it.
        bool whole = true;
        for (std::int32_t i = 0; i < count && whole; ++i) whole = clip(t);
        out_.tracks.push_back(std::move(t));
        return whole;
    }

    bool clip(StoredTrack& t) {
        StoredClip c;
        const std::uint64_t slotAt = in_.offset();
        if (!in_.i32(c.clipSlot)) {
            endedBefore(1);
            return false;
        }
        if (c.clipSlot < 0 || c.clipSlot >= kClipSlots) {
            damage(ProjectFileDamage::BadClipSlot, c.clipSlot, slotAt);
            return false;
        }
        if (!clipSlots_.insert(c.clipSlot).second) {
            damage(ProjectFileDamage::DuplicateClipSlot, c.clipSlot, slotAt);
            return false;
        }
        in_.i32(c.trackSlot);
        if (!text(c.path, kMaxStoredPathBytes, ProjectFileDamage::BadPathLength)) return false;
        in_.f32(c.start);
        t.clips.push_back(std::move(c));
        return true;
    }

    // What there is of the block is taken; the rest, or all of it after the last track, reads as 0.
    void equalizer() {
        StoredEqualizer eq;
        in_.u8(eq.on);
        in_.i32(eq.bandSet);
        for (auto& b : eq.bands) in_.i32(b);
        out_.equalizer = eq;
    }

    FieldReader& in_;
    ParsedProjectFile& out_;
    std::set<std::int32_t> trackSlots_;
    std::set<std::int32_t> clipSlots_;
};

}  // namespace

EncodedProjectFile encodeProjectFile(const ProjectFileContents& c) {
    EncodedProjectFile result;
    std::string& out = result.bytes;
    putI32(out, ProjectFileId);
    putI32(out, ProjectFileVersion);
    putI32(out, c.sampleRate);
    putI32(out, c.playbackDevice);
    putI32(out, c.playbackPerTrack);
    putI32(out, c.recordingDevice);
    putI32(out, c.recordingPerTrack);
    putI32(out, c.recordingMode);
    putI32(out, static_cast<std::int32_t>(c.tracks.size()));
    for (const StoredTrack& t : c.tracks) {
        const TrackSettings& s = t.settings;
        const std::string name = toStoredText(s.name);
        if (name.size() > kMaxStoredNameBytes) {
            result = {{}, EncodeError::NameTooLong, s.name};
            return result;
        }
        putI32(out, s.slot);
        putText(out, name);
        putI32(out, s.icon);
        putF32(out, s.volume);
        putF32(out, s.pan);
        putF32(out, s.gain);
        putI32(out, s.playbackDevice);
        putI32(out, s.recordingDevice);
        putU8(out, s.recordArmed);
        putU8(out, s.muted);
        putU8(out, s.soloed);
        putI32(out, static_cast<std::int32_t>(t.clips.size()));
        for (const StoredClip& clip : t.clips) {
            const std::string path = toStoredText(clip.path);
            if (path.size() > kMaxStoredPathBytes) {
                result = {{}, EncodeError::PathTooLong, clip.path};
                return result;
            }
            putI32(out, clip.clipSlot);
            putI32(out, clip.trackSlot);
            putText(out, path);
            putF32(out, clip.start);
        }
    }
    putU8(out, c.equalizer.on);
    putI32(out, c.equalizer.bandSet);
    for (std::int32_t b : c.equalizer.bands) putI32(out, b);
    return result;
}

ParsedProjectFile parseProjectFile(const std::string& path) {
    RegularFile opened = openRegularFile(path);
    if (!opened.file) {
        ParsedProjectFile out;
        out.kind = opened.kind;
        return out;
    }
    return parseProjectFile(opened.file.get(), opened.size);
}

ParsedProjectFile parseProjectFile(std::FILE* file, std::uint64_t size) {
    ParsedProjectFile out;
    out.opened = true;
    out.kind = FileKind::Regular;
    FieldReader in(file, size);
    Parser(in, out).run();
    return out;
}

}  // namespace tqx
