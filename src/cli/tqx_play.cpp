// tqx-play: plays a project through the sound device as the play button does, without any
// window, for scripts and tests.
#include <algorithm>
#include <iostream>
#include <string>
#include <vector>

#include "cli/console_tool.h"
#include "cli/headless_studio.h"
#include "engine/playback_mixer.h"
#include "engine/transport.h"

namespace {

constexpr const char* kTool = "tqx-play";
constexpr const char* kUsage = R"(Usage: tqx-play PROJECT.tqxproj [--from SECONDS] [--seconds N]

Opens a Tinderquillex project as the program does and plays it as the play button
does: every clip at its start time with its track's settings and the equalizer, on
the playback devices the project names. Playback starts at SECONDS (default 0) and
stops after N seconds have been heard (default: when the last clip has ended).

Options:
  --from SECONDS  where playback starts on the timeline.
  --seconds N     how long to play.
  -h, --help      show this text.

Messages the program would show in a window are printed to standard error, and so is
the running time when standard error is a terminal.

Exit status:
  0  played
  1  the project could not be read, or the playback device could not be opened
  2  wrong command line
)";

// Seconds on the timeline where the last clip ends.
double endOfLastClip(const tqx::ProjectModel& model) {
    double end = 0;
    for (int slot : model.clipSlots()) {
        const tqx::TMultiWave& clip = *model.clip(slot);
        const std::uint32_t perSecond = clip.GetFormat().avgBytesPerSec;
        if (clip.GetDataSize() == 0 || perSecond == 0) continue;
        end = std::max(end, double(clip.GetStartTime()) + double(clip.GetDataSize()) / perSecond);
    }
    return end;
}

}  // namespace

int main(int argc, char** argv) {
    const tqx::CommandLine line = tqx::readCommandLine(argc, argv, {"--from", "--seconds"});
    if (line.help) {
        std::cout << kUsage;
        return 0;
    }
    std::optional<double> from, seconds;
    if (!line.error.empty()) return tqx::usageError(kTool, line.error);
    if (!line.seconds("--from", from)) return tqx::usageError(kTool, "--from needs a number of seconds");
    if (!line.seconds("--seconds", seconds)) return tqx::usageError(kTool, "--seconds needs a number of seconds");
    if (line.positional.size() != 1) return tqx::usageError(kTool, "expected one project file");
    const std::vector<std::string>& positional = line.positional;

    tqx::HeadlessStudio headless(kTool);
    tqx::Studio& studio = headless.studio();
    if (!tqx::openProject(studio, kTool, positional[0])) return 1;

    const double start = from.value_or(0.0);
    const double end = seconds ? start + *seconds : std::max(start, endOfLastClip(studio.model));
    studio.timeline.StartPosition = static_cast<float>(start);
    const std::size_t messagesBefore = headless.dialogs().shown.size();
    studio.transport().SpeedButton1Click();
    // A device that refused shows its message, and nothing of the project plays.
    const bool refused = headless.dialogs().shown.size() > messagesBefore;
    if (!refused) {
        const bool showProgress = tqx::progressWanted();
        headless.runUntil([&] { return studio.timeline.PlayHead.load() >= end; }, end - start + 10.0,
                          [&] {
                              if (showProgress)
                                  std::cerr << '\r' << kTool << ": "
                                            << tqx::Transport::formatTime(studio.timeline.PlayHead.load()) << " / "
                                            << tqx::Transport::formatTime(end) << std::flush;
                          });
        if (showProgress) std::cerr << '\n';
    }
    if (studio.transport().isPlaying()) studio.transport().SpeedButton1Click();
    tqx::printMemo(studio, kTool);
    return refused ? 1 : 0;
}
