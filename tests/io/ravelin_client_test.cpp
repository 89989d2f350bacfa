// One conversion through the converter library, as the import and the exports make it.
#include "io/ravelin_client.h"

#include <gtest/gtest.h>

#include "platform/scripted_dialogs.h"

namespace tqx {
namespace {

using Bytes = std::vector<std::uint8_t>;

TEST(RavelinClient, ConvertsThroughTheLibraryBesideTheProgram) {
    ScriptedDialogs dialogs;
    const Bytes mono = {0x10, 0x00, 0xF0, 0xFF};  // 16, −16
    ConvertResult r = convertWithRavelin(dialogs, {16, 22050, 1}, mono.data(), 4, {16, 44100, 2});
    EXPECT_EQ(r.status, ConvertStatus::Ok);
    EXPECT_EQ(r.data, (Bytes{0x10, 0x00, 0x10, 0x00, 0x10, 0x00, 0x10, 0x00,  //
                             0xF0, 0xFF, 0xF0, 0xFF, 0xF0, 0xFF, 0xF0, 0xFF}));
    EXPECT_TRUE(dialogs.shown.empty());

    // The library keeps no result between loads, and an empty block is a result too.
    ConvertResult again = convertWithRavelin(dialogs, {16, 22050, 1}, mono.data(), 4, {16, 44100, 2});
    EXPECT_EQ(again.data, r.data);
    ConvertResult empty = convertWithRavelin(dialogs, {16, 48000, 2}, nullptr, 0, {16, 44100, 2});
    EXPECT_EQ(empty.status, ConvertStatus::Ok);
    EXPECT_TRUE(empty.data.empty());
}

TEST(RavelinClient, MissingLibraryOrFunctionsIsToldWithThePlainMessage) {
    const Bytes mono = {1, 0, 2, 0};
    // libCorvane.so lies beside the program too but exports no converter.
    for (const char* file : {"libRavelinGone.so", "libCorvane.so"}) {
        SCOPED_TRACE(file);
        ScriptedDialogs dialogs;
        ConvertResult r = convertWithRavelin(dialogs, {16, 22050, 1}, mono.data(), 4, {16, 44100, 2}, file);
        EXPECT_EQ(r.status, ConvertStatus::LibraryMissing);
        EXPECT_TRUE(r.data.empty());
        ASSERT_EQ(dialogs.shown.size(), 1u);
        EXPECT_EQ(dialogs.shown[0].kind, ScriptedDialogs::Kind::PlainMessage);
        EXPECT_EQ(dialogs.shown[0].text, "Ravelin.dllの読み込みに失敗しました。");
    }
}

TEST(RavelinClient, ConversionTheLibraryCannotHoldFailsWithoutAMessage) {
    ScriptedDialogs dialogs;
    const Bytes mono = {1, 0};
    ConvertResult r = convertWithRavelin(dialogs, {16, 1, 1}, mono.data(), 2, {16, 4294967295u, 1});
    EXPECT_EQ(r.status, ConvertStatus::Failed);
    EXPECT_TRUE(r.data.empty());
    EXPECT_TRUE(dialogs.shown.empty());
}

}  // namespace
}  // namespace tqx
