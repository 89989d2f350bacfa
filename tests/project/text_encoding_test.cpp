#include "project/text_encoding.h"

#include <gtest/gtest.h>

namespace tqx {
namespace {

TEST(TextEncoding, StoredTextIsCp932WhenItFitsAndUtf8Otherwise) {
    EXPECT_EQ(toStoredText("Track 1"), "Track 1");
    EXPECT_EQ(toStoredText("トラック1"), "\x83\x67\x83\x89\x83\x62\x83\x4E" "1");
    EXPECT_EQ(toStoredText("ｶﾅ"), "\xB6\xC5");  // half-width katakana: one byte each
    // Hangul has no cp932 form; the wave dash and the yen sign share codes with other
    // characters and would come back changed. All of these stay UTF-8.
    for (const char* text : {"한국어", "〜", "¥100", "a\xF0\x9F\x8E\xB8"})
        EXPECT_EQ(toStoredText(text), text) << text;
}

TEST(TextEncoding, EveryStoredTextReadsBackUnchanged) {
    for (const char* text : {"", "Track 1", "トラック1", "ｶﾅ", "音楽ギター①", "한국어", "〜", "¥100", "～", "混ぜ🎸"})
        EXPECT_EQ(fromStoredText(toStoredText(text)), text) << text;
}

TEST(TextEncoding, ReadingTakesUtf8FirstThenCp932AndSurvivesGarbage) {
    EXPECT_EQ(fromStoredText("\xE9\x9F\xB3"), "音");      // valid UTF-8 is taken as it is
    EXPECT_EQ(fromStoredText("\x89\xB9"), "音");          // otherwise cp932
    // A lone lead byte and an undefined byte: the readable parts survive.
    EXPECT_EQ(fromStoredText("a\x89\xB9\xFF" "b\x89"), "a音\xEF\xBF\xBD" "b\xEF\xBF\xBD");
}

TEST(TextEncoding, Utf8ValidationRejectsMalformedSequences) {
    EXPECT_TRUE(isValidUtf8("plain"));
    EXPECT_TRUE(isValidUtf8("\xF4\x8F\xBF\xBF"));  // U+10FFFF
    for (const char* bad : {"\x80", "\xC0\xAF", "\xE0\x80\xAF", "\xED\xA0\x80", "\xF4\x90\x80\x80", "\xE3\x81"})
        EXPECT_FALSE(isValidUtf8(bad)) << static_cast<int>(static_cast<unsigned char>(bad[0]));
}

}  // namespace
}  // namespace tqx
