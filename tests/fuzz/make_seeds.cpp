// Writes the seed corpus of every fuzz target: small well-formed files of each kind, made with
// the program's own writers so that the seeds follow the formats as the program knows them.
// Usage: make_seeds OUTPUT_FOLDER
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/byte_order.h"
#include "project/project_file.h"
#include "project/text_encoding.h"
#include "support/test_support.h"

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

void put(const fs::path& folder, const std::string& name, const Bytes& bytes) {
    fs::create_directories(folder);
    std::ofstream(folder / name, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}
Bytes bytesOf(const std::string& s) { return {s.begin(), s.end()}; }

void projectSeeds(const fs::path& folder) {
    tqx::ProjectFileContents empty;
    put(folder, "empty", bytesOf(tqx::encodeProjectFile(empty).bytes));

    tqx::ProjectFileContents song;
    song.sampleRate = 48000;
    song.playbackDevice = 1;
    song.recordingMode = 1;
    tqx::StoredTrack bass{{}, {}};
    bass.settings.slot = 3;
    bass.settings.name = "ベース";
    bass.settings.pan = -0.5f;
    bass.clips.push_back({0, 3, "/songs/take 1.wav", 0.5f});
    bass.clips.push_back({7, 3, "/songs/caf\xE9.wav", 12.25f});
    bass.clips.push_back({8, 3, "/songs/\xE9\x41.wav", 3.0f});
    tqx::StoredTrack lead{{}, {}};
    lead.settings.slot = 0;
    lead.settings.name = "🎸 lead";
    lead.settings.soloed = 1;
    song.tracks = {bass, lead, tqx::StoredTrack{{10000, "skipped"}, {}}};
    song.equalizer.on = 1;
    song.equalizer.bandSet = 2;
    for (int i = 0; i < tqx::kEqualizerBands; ++i) song.equalizer.bands[std::size_t(i)] = 12 * i - 60;
    const std::string bytes = tqx::encodeProjectFile(song).bytes;
    put(folder, "song", bytesOf(bytes));
    put(folder, "song-without-equalizer", bytesOf(bytes.substr(0, bytes.size() - 45)));
}

void waveSeeds(const fs::path& folder) {
    using tqx::test::makeWave;
    put(folder, "stereo-44100", makeWave(2, 44100, {1, -1, 300, -300, 32767, -32768}));
    put(folder, "mono-22050", makeWave(1, 22050, {1000, -2000, 3000}));
    put(folder, "mono-8bit", makeWave(1, 8000, {1, 2}, 8));
    put(folder, "empty-data", makeWave(2, 48000, {}));
    // A LIST chunk before "fmt " and an odd-sized chunk before "data".
    Bytes listed = makeWave(1, 44100, {5, 6});
    std::string extra = "LIST";
    tqx::appendLe32(extra, 4);
    extra += "INFO";
    listed.insert(listed.begin() + 12, extra.begin(), extra.end());
    tqx::putLe32(listed.data() + 4, static_cast<std::uint32_t>(listed.size() - 8));
    put(folder, "list-chunk", listed);
    Bytes odd = makeWave(2, 44100, {7, 8});
    const std::string pad = std::string("junk") + std::string(
                                                      "\x03\x00\x00\x00"
                                                      "abc\0",
                                                      8);
    odd.insert(odd.begin() + 36, pad.begin(), pad.end());
    put(folder, "odd-chunk", odd);
}

void ravelinSeeds(const fs::path& folder) {
    // Header bytes: source width/channels, source rate, destination width/channels,
    // destination rate, mode; see fuzz_ravelin.cpp.
    const Bytes pcm = {0x10, 0x00, 0xF0, 0xFF, 0x00, 0x80, 0xFF, 0x7F};
    const auto seed = [&](const std::string& name, Bytes head) {
        head.insert(head.end(), pcm.begin(), pcm.end());
        put(folder, name, head);
    };
    seed("mono-22050-to-stereo-44100", {0x01, 2, 0x11, 0, 0});
    seed("stereo-44100-to-48000", {0x11, 0, 0x11, 1, 0});
    seed("8-to-24-bit-out-file", {0x00, 0, 0x02, 0, 1});
    seed("32-bit-stereo-to-mono-and-back", {0x13, 0, 0x03, 3, 2});
    seed("unsupported-width", {0x15, 0, 0x01, 0, 4});
}

void textSeeds(const fs::path& folder) {
    for (const char* text : {"Track 1", "トラック1", "ｶﾅ", "音楽ギター①", "한국어", "〜", "¥100", "/m/caf\xE9.wav"}) {
        static int n = 0;
        put(folder, "text-" + std::to_string(n), bytesOf(text));
        put(folder, "stored-" + std::to_string(n++), bytesOf(tqx::toStoredText(text)));
    }
    put(folder, "marked", bytesOf("\xFF\xE9\x41.wav"));
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) return 2;
    const fs::path out = argv[1];
    projectSeeds(out / "project_file");
    waveSeeds(out / "wave_import");
    ravelinSeeds(out / "ravelin");
    textSeeds(out / "text_encoding");
    return 0;
}
