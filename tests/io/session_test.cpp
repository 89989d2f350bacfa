// A whole session through the core, as a user would go: a new project, an imported file,
// a take recorded over it while it plays, save, reopen, and a mixdown of the result.
#include <gtest/gtest.h>

#include "engine/capture_engine.h"
#include "engine/transport.h"
#include "io/mixdown.h"
#include "io/wave_import.h"
#include "session/new_project.h"
#include "session/project_file_commands.h"
#include "session/track_commands.h"
#include "support/studio_rig.h"
#include "support/test_support.h"

namespace tqx {
namespace {

std::int16_t heard(std::uint64_t frame, int channel) {
    return static_cast<std::int16_t>((frame * 13 + 500 * channel) % 4000);
}

TEST(Session, ImportRecordSaveReopenAndMixdown) {
    test::ScratchDir dir;
    test::StudioRig rig;
    Studio& studio = rig.studio;
    rig.audio.setInputSignal(heard);
    applyNewProject(studio, 0, 4, dir.file("song.tqxproj"));
    ASSERT_EQ(studio.model.trackCount(), 8);

    // One second of a stereo ramp onto track 1.
    std::vector<std::int16_t> ramp;
    for (int i = 0; i < 44100; ++i) {
        ramp.push_back(static_cast<std::int16_t>(i % 1000));
        ramp.push_back(static_cast<std::int16_t>(-(i % 1000)));
    }
    test::writeFile(dir.file("ramp.wav"), test::makeWave(2, 44100, ramp));
    studio.importer().importInteractive(dir.file("ramp.wav"));
    ASSERT_NE(studio.model.clip(0), nullptr);

    // Arm track 2 and record half a second while the ramp plays.
    studio.trackCommands().toggleRecordArm(1);
    studio.transport().setRecordToggle(true);
    studio.transport().SpeedButton1Click();
    ASSERT_TRUE(studio.transport().isPlaying());
    rig.audio.advance(500, [&] { rig.sink.pump(); });
    studio.transport().SpeedButton1Click();  // stops the take and reads it back
    rig.sink.pump();
    studio.transport().SpeedButton1Click();  // the next press plays; stop again
    studio.transport().SpeedButton1Click();
    rig.sink.pump();
    EXPECT_TRUE(rig.dialogs.messages().empty()) << rig.dialogs.messages().front();
    TMultiWave* take = studio.model.clip(1);
    ASSERT_NE(take, nullptr);
    EXPECT_EQ(take->GetTrack(), 1);
    EXPECT_EQ(take->FileName(), dir.file("0.wav"));
    EXPECT_GT(take->GetDataSize(), 0u);
    EXPECT_TRUE(take->onTimeline);
    const std::uint32_t takeBytes = take->GetDataSize();

    ASSERT_TRUE(studio.projectFile().Write(dir.file("song.tqxproj")));
    auto before = dir.file("before.wav");
    ASSERT_EQ(writeMixdown(studio.exportContext(), {0, 1}, before).status, MixdownStatus::Written);

    // A fresh program opens the project and renders exactly the same file.
    test::StudioRig again;
    ASSERT_TRUE(again.studio.projectFile().Load(dir.file("song.tqxproj")));
    EXPECT_EQ(again.studio.model.trackCount(), 8);
    ASSERT_NE(again.studio.model.clip(1), nullptr);
    EXPECT_EQ(again.studio.model.clip(1)->GetDataSize(), takeBytes);
    EXPECT_TRUE(again.studio.model.track(1).recordArmed);
    auto after = dir.file("after.wav");
    ASSERT_EQ(writeMixdown(again.studio.exportContext(), {0, 1}, after).status, MixdownStatus::Written);
    EXPECT_EQ(test::readFile(before), test::readFile(after));
    EXPECT_EQ(test::readFile(after).size(), 44u + 44100u * 4u);
}

}  // namespace
}  // namespace tqx
