#include "project/multi_wave.h"

#include <sys/resource.h>

#include <csignal>
#include <cstdlib>
#include <gtest/gtest.h>

#include "platform/byte_order.h"
#include "support/test_support.h"

namespace tqx {
namespace {

using test::readFile;
using test::ScratchDir;
using test::writeFile;

WaveHeader recorded(std::vector<std::uint8_t>& bytes) {
    WaveHeader h;
    h.data = bytes.data();
    h.bufferLength = static_cast<std::uint32_t>(bytes.size());
    h.bytesRecorded = h.bufferLength;
    return h;
}

bool soxAccepts(const std::string& path) {
    if (std::system("command -v sox >/dev/null 2>&1") != 0) return true;  // judge absent
    return std::system(("sox --i '" + path + "' >/dev/null 2>&1").c_str()) == 0;
}

TEST(WaveFileWriting, EmptyRecordingIs46BytesWithRiffSize38) {
    ScratchDir dir;
    TMultiWave clip(0);
    clip.SetCaptureFormat(2, 44100, 16);
    ASSERT_EQ(clip.CreateWaveFile(dir.file("0.wav")), 0);
    EXPECT_EQ(clip.CloseWaveFile(), 0);
    auto bytes = readFile(dir.file("0.wav"));
    ASSERT_EQ(bytes.size(), 46u);
    EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 4), "RIFF");
    EXPECT_EQ(getLe32(&bytes[4]), 38u);
    EXPECT_EQ(std::string(bytes.begin() + 8, bytes.begin() + 16), "WAVEfmt ");
    EXPECT_EQ(getLe32(&bytes[16]), 18u);
    auto fmt = WaveFormat::fromBytes(&bytes[20], 18);
    EXPECT_EQ(fmt, WaveFormat::pcm(2, 44100));
    EXPECT_EQ(fmt.avgBytesPerSec, 176400u);
    EXPECT_EQ(std::string(bytes.begin() + 38, bytes.begin() + 42), "data");
    EXPECT_EQ(getLe32(&bytes[42]), 0u);
}

TEST(WaveFileWriting, OddDataIsPaddedAndReadsBack) {
    ScratchDir dir;
    TMultiWave clip(0);
    clip.SetCaptureFormat(1, 22050, 16);
    ASSERT_EQ(clip.CreateWaveFile(dir.file("1.wav")), 0);
    std::vector<std::uint8_t> a{1, 2, 3, 4}, b{5, 6, 7};
    EXPECT_TRUE(clip.WriteCaptureBuffer(recorded(a)));
    EXPECT_TRUE(clip.WriteCaptureBuffer(recorded(b)));
    EXPECT_EQ(clip.BytesWritten(), 7u);
    // While recording, the header already describes everything written so far.
    auto partial = readFile(dir.file("1.wav"));
    EXPECT_EQ(getLe32(&partial[42]), 7u);
    EXPECT_EQ(getLe32(&partial[4]), partial.size() - 8);
    ASSERT_EQ(clip.CloseWaveFile(), 0);
    auto bytes = readFile(dir.file("1.wav"));
    ASSERT_EQ(bytes.size(), 46u + 8u);
    EXPECT_EQ(getLe32(&bytes[42]), 7u);
    EXPECT_EQ(getLe32(&bytes[4]), 46u);  // pad byte counted in the RIFF chunk
    EXPECT_EQ(bytes.back(), 0);
    EXPECT_TRUE(soxAccepts(dir.file("1.wav")));

    TMultiWave reader(1);
    reader.LoadWaveFile(dir.file("1.wav"));
    EXPECT_EQ(reader.GetDataSize(), 7u);
    EXPECT_EQ(reader.GetFormat().samplesPerSec, 22050u);
}

TEST(WaveFileWriting, CreateOnOpenFileReturns259AndLeavesItAlone) {
    ScratchDir dir;
    TMultiWave clip(0);
    clip.SetCaptureFormat(2, 44100, 16);
    EXPECT_EQ(clip.CreateWaveFile(""), 257);
    ASSERT_EQ(clip.CreateWaveFile(dir.file("a.wav")), 0);
    std::vector<std::uint8_t> data{9, 9, 9, 9};
    clip.WriteCaptureBuffer(recorded(data));
    EXPECT_EQ(clip.CreateWaveFile(dir.file("b.wav")), 259);
    EXPECT_EQ(clip.FileName(), dir.file("a.wav"));
    clip.CloseWaveFile();
    EXPECT_EQ(readFile(dir.file("a.wav")).size(), 50u);
    EXPECT_TRUE(readFile(dir.file("b.wav")).empty());
}

TEST(WaveFileWriting, WriteWithNothingRecordedIsRefused) {
    ScratchDir dir;
    TMultiWave clip(0);
    clip.SetCaptureFormat(2, 44100, 16);
    ASSERT_EQ(clip.CreateWaveFile(dir.file("a.wav")), 0);
    std::vector<std::uint8_t> data{1, 2};
    WaveHeader h = recorded(data);
    h.bytesRecorded = 0;
    EXPECT_FALSE(clip.WriteCaptureBuffer(h));
    clip.CloseWaveFile();
}

// A RIFF file assembled chunk by chunk, for the reader's cases.
std::vector<std::uint8_t> riff(const std::string& formType,
                               const std::vector<std::pair<std::string, std::string>>& chunks) {
    std::string body = formType;
    for (const auto& [id, payload] : chunks) {
        body += id;
        appendLe32(body, static_cast<std::uint32_t>(payload.size()));
        body += payload;
        if (payload.size() % 2) body += '\0';
    }
    std::string out = "RIFF";
    appendLe32(out, static_cast<std::uint32_t>(body.size()));
    out += body;
    return {out.begin(), out.end()};
}

std::string fmtPayload(std::uint16_t channels, std::uint32_t rate, std::uint16_t bits, std::size_t extra = 0) {
    auto rec = WaveFormat::pcm(channels, rate, bits).toBytes();
    std::string s(rec.begin(), rec.begin() + 16);
    if (extra) {
        appendLe16(s, static_cast<std::uint16_t>(extra));
        s += std::string(extra, '\x7f');
    }
    return s;
}

TEST(WaveFileReading, ChunkSearchAcceptsLongFormatsListChunksAndOtherFormTypes) {
    ScratchDir dir;
    const std::string samples("\x01\x00\xff\x7f", 4);
    writeFile(dir.file("ext.wav"), riff("WAVE", {{"fmt ", fmtPayload(2, 48000, 16, 22)}, {"data", samples}}));
    writeFile(
        dir.file("list.wav"),
        riff("WAVE", {{"fmt ", fmtPayload(1, 44100, 16)}, {"LIST", "INFOISFT\x05\0\0\0abcde"}, {"data", samples}}));
    writeFile(dir.file("other.wav"), riff("XYZW", {{"fmt ", fmtPayload(1, 8000, 16)}, {"data", samples}}));
    for (const char* name : {"ext.wav", "list.wav", "other.wav"}) {
        TMultiWave clip(0);
        clip.LoadWaveFile(dir.file(name));
        ASSERT_EQ(clip.GetDataSize(), 4u) << name;
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(clip.GetData()), 4), samples) << name;
    }
    TMultiWave ext(0);
    ext.LoadWaveFile(dir.file("ext.wav"));
    EXPECT_EQ(ext.GetFormat().extraSize, 22u);  // only the first 18 bytes of the record are taken
    EXPECT_EQ(ext.GetFormat().samplesPerSec, 48000u);
}

TEST(WaveFileReading, OnlySixteenBitDataIsLoaded) {
    ScratchDir dir;
    for (std::uint16_t bits : {8, 24}) {
        writeFile(dir.file("w.wav"), riff("WAVE", {{"fmt ", fmtPayload(1, 44100, bits)}, {"data", "abcdef"}}));
        TMultiWave clip(0);
        clip.LoadWaveFile(dir.file("w.wav"));
        EXPECT_EQ(clip.GetDataSize(), 0u) << bits;
        EXPECT_EQ(clip.GetFormat().bitsPerSample, bits);  // the format is taken, the data is not
    }
}

TEST(WaveFileReading, DamagedFilesNeverReadPastTheirEnd) {
    ScratchDir dir;
    auto good = test::makeWave(2, 44100, {1, -1, 2, -2, 3, -3});
    // Claims far more data than the file holds: the clip takes what is there.
    auto lying = good;
    putLe32(&lying[40], 0x7ffffff0u);
    writeFile(dir.file("lying.wav"), lying);
    TMultiWave clip(0);
    clip.LoadWaveFile(dir.file("lying.wav"));
    EXPECT_EQ(clip.GetDataSize(), 12u);
    // Every truncation point: no crash, never more than the file holds.
    for (std::size_t cut = 0; cut <= good.size(); ++cut) {
        writeFile(dir.file("cut.wav"), std::vector<std::uint8_t>(good.begin(), good.begin() + cut));
        TMultiWave c(0);
        c.LoadWaveFile(dir.file("cut.wav"));
        EXPECT_LE(c.GetDataSize(), cut > 44 ? cut - 44 : 0u) << cut;
    }
    TMultiWave missing(0);
    missing.LoadWaveFile(dir.file("none.wav"));
    EXPECT_EQ(missing.GetDataSize(), 0u);
}

}  // namespace
}  // namespace tqx

namespace tqx {
namespace {

// The file system refuses to let the file grow past `bytes` while this lives.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        getrlimit(RLIMIT_FSIZE, &saved_);
        previous_ = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = saved_;
        limit.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &saved_);
        std::signal(SIGXFSZ, previous_);
    }

private:
    rlimit saved_{};
    void (*previous_)(int) = nullptr;
};

TEST(WaveFileWriting, ShortWriteEndsTheTakeOnAWholeFrame) {
    ScratchDir dir;
    TMultiWave clip(0);
    clip.SetCaptureFormat(2, 44100, 16);
    ASSERT_EQ(clip.CreateWaveFile(dir.file("full.wav")), 0);
    std::vector<std::uint8_t> data{1, 2, 3, 4, 5, 6, 7, 8};
    {
        FileSizeLimit limit(46 + 6);  // room for one frame and a half
        EXPECT_FALSE(clip.WriteCaptureBuffer(recorded(data)));
    }
    EXPECT_EQ(clip.BytesWritten(), 4u);
    ASSERT_EQ(clip.CloseWaveFile(), 0);
    auto bytes = readFile(dir.file("full.wav"));
    ASSERT_EQ(bytes.size(), 50u);
    EXPECT_EQ(getLe32(&bytes[42]), 4u);
    EXPECT_EQ(getLe32(&bytes[4]), 42u);
    EXPECT_TRUE(soxAccepts(dir.file("full.wav")));
}

}  // namespace
}  // namespace tqx
