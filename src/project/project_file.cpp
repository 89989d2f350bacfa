#include "project/project_file.h"

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

// The smallest track record (empty name, no clips) and clip record (empty path).
constexpr std::uint64_t kMinTrackRecordBytes = 4 + 4 + 4 + 3 * 4 + 2 * 4 + 3 + 4;
constexpr std::uint64_t kMinClipRecordBytes = 4 + 4 + 4 + 4;
constexpr std::uint64_t kEqualizerBytes = 1 + 4 + kEqualizerBands * 4;

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

// Sequential reading that knows how much of the file is left, so no count is trusted
// beyond what the file can really hold.
class FieldReader {
public:
    FieldReader(std::FILE* f, std::uint64_t size) : f_(f), size_(size) {}

    std::uint64_t offset() const { return offset_; }
    std::uint64_t remaining() const { return size_ - offset_; }
    bool atEnd() const { return offset_ >= size_; }

    bool bytes(void* out, std::size_t n) {
        if (remaining() < n) return false;
        if (n && std::fread(out, 1, n, f_) != n) return false;
        offset_ += n;
        return true;
    }
    bool i32(std::int32_t& v) {
        std::uint8_t b[4];
        if (!bytes(b, 4)) return false;
        v = static_cast<std::int32_t>(getLe32(b));
        return true;
    }
    bool f32(float& v) {
        std::uint8_t b[4];
        if (!bytes(b, 4)) return false;
        const std::uint32_t bits = getLe32(b);
        std::memcpy(&v, &bits, 4);
        return true;
    }
    bool u8(std::uint8_t& v) { return bytes(&v, 1); }

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
        if (!field(in_.i32(count))) return;
        if (count < 0 || std::uint64_t(count) * kMinTrackRecordBytes > in_.remaining())
            return damage(ProjectFileDamage::BadTrackCount, count, countAt);
        for (std::int32_t i = 0; i < count; ++i)
            if (!track()) return;
        equalizer();
    }

private:
    bool field(bool ok) {
        if (!ok) damage(ProjectFileDamage::CutOff, 0, in_.offset());
        return ok;
    }
    void damage(ProjectFileDamage what, std::int64_t value, std::uint64_t at) {
        out_.damage = what;
        out_.damageValue = value;
        out_.damageOffset = at;
    }
    bool optionalField(std::optional<std::int32_t>& into) {
        std::int32_t v;
        if (!field(in_.i32(v))) return false;
        into = v;
        return true;
    }

    bool header() {
        std::int32_t version;
        if (!field(in_.i32(version))) return false;  // never checked
        const std::uint64_t rateAt = in_.offset();
        std::int32_t rate;
        if (!field(in_.i32(rate))) return false;
        if (rate < kMinStoredRate || rate > kMaxStoredRate) {
            damage(ProjectFileDamage::BadSampleRate, rate, rateAt);
            return false;
        }
        out_.sampleRate = rate;
        return optionalField(out_.playbackDevice) && optionalField(out_.playbackPerTrack) &&
               optionalField(out_.recordingDevice) && optionalField(out_.recordingPerTrack) &&
               optionalField(out_.recordingMode);
    }

    bool text(std::string& into, int limit, ProjectFileDamage tooLong) {
        const std::uint64_t at = in_.offset();
        std::int32_t n;
        if (!field(in_.i32(n))) return false;
        if (n < 0 || n > limit) {
            damage(tooLong, n, at);
            return false;
        }
        char buffer[kMaxStoredPathBytes + 1] = {};
        if (!field(in_.bytes(buffer, static_cast<std::size_t>(n)))) return false;
        into = fromStoredText(std::string_view(buffer, static_cast<std::size_t>(n)));
        return true;
    }

    bool track() {
        StoredTrack t;
        TrackSettings& s = t.settings;
        const std::uint64_t slotAt = in_.offset();
        if (!field(in_.i32(s.slot))) return false;
        if (s.slot < 0 || s.slot > kStoredTrackSlotLimit) {
            damage(ProjectFileDamage::BadTrackSlot, s.slot, slotAt);
            return false;
        }
        if (s.slot < kStoredTrackSlotLimit && !trackSlots_.insert(s.slot).second) {
            damage(ProjectFileDamage::DuplicateTrackSlot, s.slot, slotAt);
            return false;
        }
        if (!text(s.name, kMaxStoredNameBytes, ProjectFileDamage::BadNameLength)) return false;
        if (!field(in_.i32(s.icon) && in_.f32(s.volume) && in_.f32(s.pan) && in_.f32(s.gain) &&
                   in_.i32(s.playbackDevice) && in_.i32(s.recordingDevice) && in_.u8(s.recordArmed) &&
                   in_.u8(s.muted) && in_.u8(s.soloed)))
            return false;
        const std::uint64_t countAt = in_.offset();
        std::int32_t count;
        if (!field(in_.i32(count))) return false;
        if (count < 0 || std::uint64_t(count) * kMinClipRecordBytes > in_.remaining()) {
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
        if (!field(in_.i32(c.clipSlot))) return false;
        if (c.clipSlot < 0 || c.clipSlot >= kClipSlots) {
            damage(ProjectFileDamage::BadClipSlot, c.clipSlot, slotAt);
            return false;
        }
        if (!clipSlots_.insert(c.clipSlot).second) {
            damage(ProjectFileDamage::DuplicateClipSlot, c.clipSlot, slotAt);
            return false;
        }
        if (!field(in_.i32(c.trackSlot))) return false;
        if (!text(c.path, kMaxStoredPathBytes, ProjectFileDamage::BadPathLength)) return false;
        if (!field(in_.f32(c.start))) return false;
        t.clips.push_back(std::move(c));
        return true;
    }

    void equalizer() {
        StoredEqualizer eq;
        // A file that ends right after the tracks has no equalizer block: it reads as zeros.
        if (!in_.atEnd()) {
            if (in_.remaining() < kEqualizerBytes) damage(ProjectFileDamage::CutOff, 0, in_.offset());
            // What there is of a cut block is still taken; the rest reads as zeros.
            if (in_.u8(eq.on) && in_.i32(eq.bandSet))
                for (auto& b : eq.bands)
                    if (!in_.i32(b)) break;
        }
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
