// The library's one result block across calls, and the WAVE file of WaveConvertOut.
#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "ravelin_test_support.h"
#include "support/test_support.h"

namespace tqx::test {
namespace {

using Bytes = std::vector<std::uint8_t>;

std::uint32_t u32At(const Bytes& b, std::size_t at) {
    return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | std::uint32_t{b[at + 3]} << 24;
}
std::uint16_t u16At(const Bytes& b, std::size_t at) { return static_cast<std::uint16_t>(b[at] | b[at + 1] << 8); }
std::string textAt(const Bytes& b, std::size_t at) { return std::string(b.begin() + at, b.begin() + at + 4); }

TEST_F(RavelinTest, SameShapeCopiesTheInputWhateverItsLength) {
    const Bytes in = {1, 2, 3, 4, 5, 6, 7};
    std::uint32_t length = 0;
    const std::uint8_t* out = call({16, 44100, 2}, in, {16, 44100, 2}, &length);
    ASSERT_NE(out, nullptr);
    EXPECT_NE(out, in.data());
    EXPECT_EQ(Bytes(out, out + length), in);
}

TEST_F(RavelinTest, EmptyInputGivesAnEmptyResultThroughEveryStage) {
    for (PcmShape to : {PcmShape{16, 44100, 1}, PcmShape{24, 96000, 2}, PcmShape{8, 8000, 1}}) {
        std::uint32_t length = 99;
        EXPECT_NE(waveConvert(16, 44100, 1, nullptr, 0, to.bits, to.rate, to.channels, &length), nullptr);
        EXPECT_EQ(length, 0u);
    }
}

TEST_F(RavelinTest, ConversionsFollowEachOtherAndConvertFinish) {
    const Bytes in = pack(16, {1, -1, 300, -300});
    const Bytes first = convert({16, 22050, 1}, in, {16, 44100, 2});
    convertFinish();
    convertFinish();  // with no block left, nothing happens
    EXPECT_EQ(convert({16, 22050, 1}, in, {16, 44100, 2}), first);
    EXPECT_EQ(first.size(), 4 * in.size());
}

TEST_F(RavelinTest, PreviousResultCanBeConvertedAgain) {
    const Bytes in = pack(16, {-32768, -2, 0, 5, 32767});
    std::uint32_t wideLength = 0;
    const std::uint8_t* wide = call({16, 44100, 1}, in, {24, 44100, 1}, &wideLength);
    ASSERT_NE(wide, nullptr);
    std::uint32_t backLength = 0;
    const std::uint8_t* back = waveConvert(24, 44100, 1, wide, wideLength, 16, 44100, 1, &backLength);
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(Bytes(back, back + backLength), in);
}

TEST_F(RavelinTest, ResultTooLongToReportGivesNothingAndTheNextCallWorks) {
    // Two bytes at 1 Hz to 4,294,967,295 Hz would be 8.6 GB.
    std::uint32_t length = 7;
    EXPECT_EQ(call({16, 1, 1}, {1, 2}, {16, 4294967295u, 1}, &length), nullptr);
    EXPECT_EQ(length, 0u);
    EXPECT_EQ(convert({16, 1, 1}, {1, 2}, {16, 3, 1}), (Bytes{1, 2, 1, 2, 1, 2}));
}

TEST_F(RavelinTest, WaveConvertOutWritesTheHeaderAndTheConvertedData) {
    ScratchDir dir;
    const std::string path = dir.file("out.wav");
    const Bytes in = pack(16, {100, -100, 7});
    ASSERT_TRUE(
        waveConvertOut(16, 22050, 1, in.data(), static_cast<std::uint32_t>(in.size()), 16, 44100, 2, path.c_str()));
    const Bytes file = readFile(path);
    const Bytes data = convert({16, 22050, 1}, in, {16, 44100, 2});
    ASSERT_EQ(file.size(), 44 + data.size());
    EXPECT_EQ(textAt(file, 0), "RIFF");
    EXPECT_EQ(u32At(file, 4), data.size() + 36);
    EXPECT_EQ(textAt(file, 8), "WAVE");
    EXPECT_EQ(textAt(file, 12), "fmt ");
    EXPECT_EQ(u32At(file, 16), 16u);
    EXPECT_EQ(u16At(file, 20), 1);
    EXPECT_EQ(u16At(file, 22), 2);
    EXPECT_EQ(u32At(file, 24), 44100u);
    EXPECT_EQ(u32At(file, 28), 176400u);
    EXPECT_EQ(u16At(file, 32), 4);
    EXPECT_EQ(u16At(file, 34), 16);
    EXPECT_EQ(textAt(file, 36), "data");
    EXPECT_EQ(u32At(file, 40), data.size());
    EXPECT_EQ(Bytes(file.begin() + 44, file.end()), data);

    // An odd length gets no pad byte; an existing file is replaced.
    ASSERT_TRUE(waveConvertOut(8, 8000, 1, in.data(), 3, 8, 8000, 1, path.c_str()));
    const Bytes odd = readFile(path);
    EXPECT_EQ(odd.size(), 47u);
    EXPECT_EQ(u32At(odd, 4), 39u);
    EXPECT_EQ(u32At(odd, 40), 3u);
}

TEST_F(RavelinTest, WaveConvertOutReportsAFileItCouldNotWrite) {
    ScratchDir dir;
    const Bytes in = pack(16, {1, 2});
    const std::string missing = dir.file("no-such-folder/out.wav");
    EXPECT_FALSE(waveConvertOut(16, 44100, 1, in.data(), 4, 16, 44100, 1, missing.c_str()));
    EXPECT_FALSE(std::filesystem::exists(missing));
    // The device accepts the open but no byte: the lost data is reported, not hidden.
    if (std::filesystem::exists("/dev/full")) {
        EXPECT_FALSE(waveConvertOut(16, 44100, 1, in.data(), 4, 16, 44100, 1, "/dev/full"));
    }
    EXPECT_EQ(convert({16, 44100, 1}, in, {16, 44100, 1}), in);
}

TEST_F(RavelinTest, SoxReadsTheWrittenFiles) {
    if (std::system("command -v sox >/dev/null 2>&1") != 0) GTEST_SKIP() << "sox is not installed";
    ScratchDir dir;
    const Bytes in = pack(16, {0, 1000, -1000, 32767, -32768, 12});
    for (PcmShape to :
         {PcmShape{16, 44100, 2}, PcmShape{24, 48000, 1}, PcmShape{8, 11025, 2}, PcmShape{32, 96000, 2}}) {
        const std::string path = dir.file("sox" + std::to_string(to.bits) + ".wav");
        ASSERT_TRUE(waveConvertOut(16, 22050, 1, in.data(), static_cast<std::uint32_t>(in.size()), to.bits, to.rate,
                                   to.channels, path.c_str()));
        const std::string rateFile = dir.file("rate.txt");
        ASSERT_EQ(std::system(("sox --i -r '" + path + "' > '" + rateFile + "' 2>&1").c_str()), 0) << path;
        const Bytes said = readFile(rateFile);
        EXPECT_EQ(std::string(said.begin(), said.end()), std::to_string(to.rate) + "\n");
    }
}

}  // namespace
}  // namespace tqx::test
