#include "project/text_encoding.h"

#include <gtest/gtest.h>

namespace tqx {
namespace {

TEST(TextEncoding, StoredTextIsCp932WhenItFitsAndUtf8Otherwise) {
    EXPECT_EQ(toStoredText("Track 1"), "Track 1");
    EXPECT_EQ(toStoredText("トラック1"),
              "\x83\x67\x83\x89\x83\x62\x83\x4E"
              "1");
    EXPECT_EQ(toStoredText("ｶﾅ"), "\xB6\xC5");  // half-width katakana: one byte each
    // Hangul has no cp932 form; the wave dash and the yen sign share codes with other
    // characters and would come back changed. All of these stay UTF-8.
    for (const char* text : {"한국어", "〜", "¥100", "a\xF0\x9F\x8E\xB8"}) EXPECT_EQ(toStoredText(text), text) << text;
}

TEST(TextEncoding, EveryStoredTextReadsBackUnchanged) {
    for (const char* text : {"", "Track 1", "トラック1", "ｶﾅ", "音楽ギター①", "한국어", "〜", "¥100", "～", "混ぜ🎸"})
        EXPECT_EQ(fromStoredText(toStoredText(text)), text) << text;
}

TEST(TextEncoding, ReadingTakesUtf8FirstThenCp932AndKeepsOtherBytesAsTheyAre) {
    EXPECT_EQ(fromStoredText("\xE9\x9F\xB3"), "音");  // valid UTF-8 is taken as it is
    EXPECT_EQ(fromStoredText("\x89\xB9"), "音");      // otherwise cp932
    // Neither: a name from another system, or damage. Nothing is replaced, so it can be
    // stored again with the same bytes.
    const std::string garbage =
        "a\x89\xB9\xFE"
        "b\x89";
    EXPECT_EQ(fromStoredText(garbage), garbage);
    EXPECT_EQ(toStoredText(fromStoredText(garbage)), garbage);
    std::string longName;
    for (int i = 0; i < 85; ++i) longName += "\x80\xFD\xA0";
    EXPECT_EQ(toStoredText(fromStoredText(longName)).size(), 255u);
}

TEST(TextEncoding, PathBytesThatAreNotUtf8ComeBackByteForByte) {
    // Latin-1 names: "caf\xE9.wav" is no cp932 text and is stored as it is; "\xE9\x41" would
    // read as the kanji 顴 and is stored behind the byte 0xFF, which neither UTF-8 nor cp932
    // uses, so no reader takes it for text; so is a name that itself starts with 0xFF.
    EXPECT_EQ(toStoredText("/m/caf\xE9.wav"), "/m/caf\xE9.wav");
    EXPECT_EQ(toStoredText("\xE9\x41.wav"), "\xFF\xE9\x41.wav");
    EXPECT_EQ(toStoredText("\xFF"
                           "x.wav"),
              "\xFF\xFF"
              "x.wav");
    for (const char* path : {"/m/caf\xE9.wav", "\xE9\x41.wav",
                             "\xFF"
                             "x.wav",
                             "/m/Gr\xFC\xDF"
                             "e/\x89\xB9\x80"}) {
        const std::string stored = toStoredText(path);
        EXPECT_FALSE(isValidUtf8(stored)) << path;
        EXPECT_FALSE(cp932ToUtf8(stored)) << path;
        EXPECT_EQ(fromStoredText(stored), path) << path;
    }
}

TEST(TextEncoding, Utf8ValidationRejectsMalformedSequences) {
    EXPECT_TRUE(isValidUtf8("plain"));
    EXPECT_TRUE(isValidUtf8("\xF4\x8F\xBF\xBF"));  // U+10FFFF
    for (const char* bad : {"\x80", "\xC0\xAF", "\xE0\x80\xAF", "\xED\xA0\x80", "\xF4\x90\x80\x80", "\xE3\x81"})
        EXPECT_FALSE(isValidUtf8(bad)) << static_cast<int>(static_cast<unsigned char>(bad[0]));
}

}  // namespace
}  // namespace tqx

namespace tqx {
namespace {

// Every character cp932 can hold, each as UTF-8: one per code that reads back as that code.
std::vector<std::string> everyCp932Character() {
    std::vector<std::string> chars;
    const auto take = [&](const std::string& code) {
        const auto text = cp932ToUtf8(code);
        if (text && !text->empty() && text->find('\0') == std::string::npos && utf8ToCp932(*text) == code)
            chars.push_back(*text);
    };
    for (int b = 1; b < 0x100; ++b) take(std::string(1, static_cast<char>(b)));
    for (int lead = 0x81; lead <= 0xFC; ++lead) {
        if (lead > 0x9F && lead < 0xE0) continue;
        for (int trail = 0x40; trail <= 0xFC; ++trail)
            if (trail != 0x7F) take({static_cast<char>(lead), static_cast<char>(trail)});
    }
    return chars;
}

std::vector<std::string> halfWidthKatakana() {
    std::vector<std::string> kana;
    for (int b = 0xA1; b <= 0xDF; ++b) kana.push_back(*cp932ToUtf8(std::string(1, static_cast<char>(b))));
    return kana;
}

// Read back as itself, and stored as cp932 (what readers of the format see before a zero byte).
void expectRoundTripAsCp932(const std::string& text) {
    const std::string stored = toStoredText(text);
    EXPECT_EQ(fromStoredText(stored), text) << text;
    EXPECT_EQ(stored.substr(0, stored.find('\0')), utf8ToCp932(text).value_or("?")) << text;
}

TEST(TextEncoding, HalfWidthKatakanaWhoseCp932IsAlsoUtf8ComesBackAsWritten) {
    // "ﾃｽ" is C3 BD in cp932, which is also the UTF-8 of "ý".
    EXPECT_EQ(toStoredText("ﾃｽ"), std::string("\xC3\xBD\0", 3));
    EXPECT_EQ(fromStoredText(toStoredText("ﾃｽ")), "ﾃｽ");
    EXPECT_EQ(fromStoredText(toStoredText("ﾃｽﾄｱ")), "ﾃｽﾄｱ");
    EXPECT_EQ(fromStoredText("\xC3\xBD"), "ý");  // without the zero byte it stays UTF-8
    EXPECT_EQ(fromStoredText(toStoredText("ý")), "ý");
    EXPECT_EQ(storedTextBytes("ﾃｽ"), 3u);
    const auto kana = halfWidthKatakana();
    ASSERT_EQ(kana.size(), 63u);
    for (const std::string& a : kana)
        for (const std::string& b : kana) expectRoundTripAsCp932(a + b);
}

TEST(TextEncoding, EveryCp932CharacterRoundTripsInNamesAndPaths) {
    const auto chars = everyCp932Character();
    EXPECT_GT(chars.size(), 7000u);
    for (const std::string& c : chars) {
        expectRoundTripAsCp932(c);
        expectRoundTripAsCp932("ﾃ" + c + "ｽ");  // next to half-width katakana, which make UTF-8 look-alikes
        expectRoundTripAsCp932("/home/u/" + c + "/" + c + ".wav");
    }
}

}  // namespace
}  // namespace tqx
