// tqx-record: records takes onto chosen tracks while the rest of the project plays, as the
// record toggle and the play button do, then saves the project with the takes on it.
#include <algorithm>
#include <iostream>
#include <set>
#include <string>
#include <vector>

#include "cli/console_tool.h"
#include "cli/headless_studio.h"
#include "engine/transport.h"
#include "session/project_file_commands.h"

namespace {

constexpr const char* kTool = "tqx-record";
constexpr const char* kUsage = R"(Usage: tqx-record PROJECT.tqxproj --tracks N,N,... --seconds N [--from SECONDS]

Opens a Tinderquillex project, arms the given tracks (and only those), and records on
them for N seconds while the project plays, as pressing the record toggle and then the
play button does: from SECONDS on the timeline (default 0), from the recording devices
the project names. The takes are laid on their tracks as the program lays them, the
project is saved, and each take's file name is printed on standard output.

Options:
  --tracks N,N,...  the tracks to record on, numbered as the program shows them
                    (トラック1 is 1).
  --seconds N       how long to record.
  --from SECONDS    where on the timeline the takes start.
  -h, --help        show this text.

Messages the program would show in a window are printed to standard error, and so is
the running time when standard error is a terminal.

Exit status:
  0  recorded and saved
  1  the project could not be read or saved, or a take could not be recorded completely
  2  wrong command line, or a track number that the project does not have
)";

}  // namespace

int main(int argc, char** argv) {
    const tqx::CommandLine line = tqx::readCommandLine(argc, argv, {"--tracks", "--from", "--seconds"});
    if (line.help) {
        std::cout << kUsage;
        return 0;
    }
    std::vector<int> trackNumbers;
    std::optional<double> from, seconds;
    if (!line.error.empty()) return tqx::usageError(kTool, line.error);
    if (!line.trackNumbers("--tracks", trackNumbers))
        return tqx::usageError(kTool, "--tracks needs a list of track numbers");
    if (!line.seconds("--from", from)) return tqx::usageError(kTool, "--from needs a number of seconds");
    if (!line.seconds("--seconds", seconds)) return tqx::usageError(kTool, "--seconds needs a number of seconds");
    if (line.positional.size() != 1) return tqx::usageError(kTool, "expected one project file");
    if (trackNumbers.empty()) return tqx::usageError(kTool, "--tracks is required");
    if (!seconds) return tqx::usageError(kTool, "--seconds is required");
    const std::vector<std::string>& positional = line.positional;

    tqx::HeadlessStudio headless(kTool);
    tqx::Studio& studio = headless.studio();
    const std::string& path = positional[0];
    if (!tqx::openProject(studio, kTool, path)) return 1;

    const std::set<int> armed(trackNumbers.begin(), trackNumbers.end());
    for (int n : armed)
        if (!studio.model.trackExists(n - 1)) {
            std::cerr << kTool << ": the project has no track " << n << '\n';
            return 2;
        }
    for (int slot = 0; slot < tqx::kTrackSlots; ++slot)
        if (studio.model.trackExists(slot)) studio.model.track(slot).recordArmed = armed.count(slot + 1) != 0;

    const std::vector<int> before = studio.model.clipSlots();
    const double start = from.value_or(0.0);
    studio.timeline.StartPosition = static_cast<float>(start);
    studio.transport().setRecordToggle(true);
    const std::size_t messagesBefore = headless.dialogs().shown.size();
    studio.transport().SpeedButton1Click();

    std::vector<const tqx::TMultiWave*> takes;
    for (int slot : studio.model.clipSlots())
        if (const tqx::TMultiWave* clip = studio.model.clip(slot); clip->IsCapturing()) takes.push_back(clip);
    if (takes.empty()) {
        std::cerr << kTool << ": no take could be started\n";
        if (studio.transport().isPlaying()) studio.transport().SpeedButton1Click();
        return 1;
    }
    // The takes end once the run has been heard for N seconds; the stop waits for the input
    // the devices still owe up to then.
    auto recordedEnough = [&] { return studio.timeline.PlayHead.load() >= start + *seconds; };
    const bool showProgress = tqx::progressWanted();
    headless.runUntil(recordedEnough, *seconds + 15.0, [&] {
        if (showProgress)
            std::cerr << '\r' << kTool << ": " << tqx::Transport::formatTime(studio.timeline.PlayHead.load() - start)
                      << " / " << tqx::Transport::formatTime(*seconds) << std::flush;
    });
    if (showProgress) std::cerr << '\n';
    studio.transport().SpeedButton1Click();  // ends the takes and lays them on their tracks
    const bool complete = headless.dialogs().shown.size() == messagesBefore;
    tqx::printMemo(studio, kTool);

    if (!studio.projectFile().Write(path)) return 1;
    const std::set<int> earlier(before.begin(), before.end());
    for (int slot : studio.model.clipSlots())
        if (!earlier.count(slot)) std::cout << studio.model.clip(slot)->FileName() << '\n';
    return complete ? 0 : 1;
}
