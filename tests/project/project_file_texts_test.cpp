// Every text the project file stores comes back as written: names and clip paths made of
// every character cp932 holds, half-width katakana pairs included.
#include <cstdio>
#include <gtest/gtest.h>

#include "project/project_file.h"
#include "project/text_encoding.h"

namespace tqx {
namespace {

ParsedProjectFile parseBytes(const std::string& bytes) {
    FilePtr file(fmemopen(const_cast<char*>(bytes.data()), bytes.size(), "rb"));
    return parseProjectFile(file.get(), bytes.size());
}

// Texts of at most `limit` stored bytes that together hold every cp932 character.
std::vector<std::string> chunksOfEveryCp932Character(std::size_t limit) {
    std::vector<std::string> chunks(1);
    const auto add = [&](const std::string& c) {
        if (storedTextBytes(chunks.back() + c) > limit) chunks.emplace_back();
        chunks.back() += c;
    };
    for (int b = 0x20; b < 0x100; ++b) {
        const std::string code(1, static_cast<char>(b));
        if (auto c = cp932ToUtf8(code); c && utf8ToCp932(*c) == code) add(*c);
    }
    for (int lead = 0x81; lead <= 0xFC; ++lead)
        for (int trail = 0x40; trail <= 0xFC; ++trail) {
            const std::string code{static_cast<char>(lead), static_cast<char>(trail)};
            if (auto c = cp932ToUtf8(code); c && utf8ToCp932(*c) == code) add(*c);
        }
    return chunks;
}

TEST(ProjectFileTexts, NamesAndPathsOfEveryCp932CharacterReadBackUnchanged) {
    ProjectFileContents contents;
    const auto names = chunksOfEveryCp932Character(kMaxStoredNameBytes);
    const auto paths = chunksOfEveryCp932Character(kMaxStoredPathBytes - 8);
    ASSERT_GT(names.size(), 50u);
    for (std::size_t i = 0; i < names.size(); ++i) {
        StoredTrack t;
        t.settings.slot = static_cast<int>(i);
        t.settings.name = names[i];
        contents.tracks.push_back(t);
    }
    for (std::size_t i = 0; i < paths.size(); ++i)
        contents.tracks[i % contents.tracks.size()].clips.push_back(
            {static_cast<std::int32_t>(i), static_cast<std::int32_t>(i % contents.tracks.size()),
             "/m/" + paths[i] + ".wav", 0.0f});
    const EncodedProjectFile encoded = encodeProjectFile(contents);
    ASSERT_EQ(encoded.error, EncodeError::None);
    const ParsedProjectFile parsed = parseBytes(encoded.bytes);
    ASSERT_EQ(parsed.damage, ProjectFileDamage::None);
    ASSERT_EQ(parsed.tracks.size(), contents.tracks.size());
    for (std::size_t i = 0; i < parsed.tracks.size(); ++i) {
        EXPECT_EQ(parsed.tracks[i].settings.name, contents.tracks[i].settings.name);
        ASSERT_EQ(parsed.tracks[i].clips.size(), contents.tracks[i].clips.size());
        for (std::size_t k = 0; k < parsed.tracks[i].clips.size(); ++k)
            EXPECT_EQ(parsed.tracks[i].clips[k].path, contents.tracks[i].clips[k].path);
    }
}

TEST(ProjectFileTexts, LimitsCountTheStoredBytes) {
    // 127 "あ" are 381 bytes of UTF-8 but 254 of cp932, and fit; 128 do not.
    StoredTrack t;
    t.settings.name = "";
    for (int i = 0; i < 127; ++i) t.settings.name += "あ";
    ProjectFileContents contents;
    contents.tracks.push_back(t);
    EXPECT_EQ(encodeProjectFile(contents).error, EncodeError::None);
    contents.tracks[0].settings.name += "あ";
    EXPECT_EQ(encodeProjectFile(contents).error, EncodeError::NameTooLong);
    // A half-width pair stored with its zero byte counts that byte too.
    contents.tracks[0].settings.name = std::string(253, 'a') + "ﾃｽ";
    EXPECT_EQ(storedTextBytes(contents.tracks[0].settings.name), 256u);
    EXPECT_EQ(encodeProjectFile(contents).error, EncodeError::NameTooLong);
}

}  // namespace
}  // namespace tqx
