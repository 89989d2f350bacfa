// tqx-mixdown: writes the mixdown of a project without opening any window. The file is the
// one the main window's "全体(&A)..." (or, with --tracks, "トラック選択(&S)...") would write.
#include <iostream>
#include <set>
#include <string>
#include <vector>

#include "cli/console_tool.h"
#include "engine/studio.h"
#include "io/mixdown.h"
#include "platform/event_sink.h"
#include "platform/no_audio_system.h"
#include "platform/timer_service.h"
#include "project/project_model.h"

namespace {

constexpr const char* kTool = "tqx-mixdown";
constexpr const char* kUsage = R"(Usage: tqx-mixdown PROJECT.tqxproj OUT.wav [--tracks N,N,...]

Writes the mixdown of a Tinderquillex project as a 16-bit stereo WAVE file at the
project's sampling rate: every clip of the chosen tracks at its start time, the
equalizer as saved in the project, each track's gain, volume and pan. Mute and solo
do not apply. OUT.wav is replaced when it exists.

Options:
  --tracks N,N,...  mix only these tracks. N is the track number shown in the program
                    (トラック1 is 1). The tracks are mixed in their on-screen order,
                    top first, whatever order they are given in; a number given twice
                    counts once.
  -h, --help        show this text.

Messages the program would show in a window are printed to standard error.

Exit status:
  0  the file was written
  1  the project could not be read, or the file could not be written
  2  wrong command line, or a track number that the project does not have
  3  nothing to write: none of the chosen tracks has a clip
)";

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> positional;
    std::vector<int> trackNumbers;
    bool tracksGiven = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "-h" || arg == "--help") {
            std::cout << kUsage;
            return 0;
        }
        bool missing = false;
        if (const auto list = tqx::optionValue(argc, argv, i, "--tracks", missing)) {
            if (missing) return tqx::usageError(kTool, "--tracks needs a list of track numbers");
            if (!tqx::parseTrackNumbers(*list, trackNumbers)) return tqx::usageError(kTool, "bad track list '" + *list + "'");
            tracksGiven = true;
        } else if (arg.size() > 1 && arg[0] == '-') {
            return tqx::usageError(kTool, "unknown option '" + arg + "'");
        } else {
            positional.push_back(arg);
        }
    }
    if (positional.size() != 2) return tqx::usageError(kTool, "expected a project file and an output file");
    const std::string& projectPath = positional[0];
    const std::string& outputPath = positional[1];

    tqx::ConsoleDialogs dialogs(kTool);
    tqx::NoAudioSystem audio;
    tqx::ManualTimerService timer;
    tqx::QueuedEventSink events;
    tqx::Studio studio(tqx::Platform{dialogs, audio, timer, events});

    // Clips whose WAVE file could not be read are listed; the rest of the project stands.
    if (!tqx::openProject(studio, kTool, projectPath)) return 1;

    std::vector<int> slots;
    if (!tracksGiven) {
        for (int slot = 0; slot < tqx::kTrackSlots; ++slot)
            if (studio.model.trackExists(slot)) slots.push_back(slot);
    } else {
        std::set<int> wanted;
        for (int n : trackNumbers) {
            if (!studio.model.trackExists(n - 1)) {
                std::cerr << "tqx-mixdown: the project has no track " << n << '\n';
                return 2;
            }
            wanted.insert(n - 1);
        }
        // The order of the track selection dialog: the panels from the top.
        for (const tqx::TrackOrderEntry& entry : studio.model.buildOrderedTrackList())
            if (wanted.count(entry.slot)) slots.push_back(entry.slot);
    }

    const tqx::MixdownResult result = tqx::writeMixdown(studio, slots, outputPath);
    switch (result.status) {
        case tqx::MixdownStatus::Written:
            return 0;
        case tqx::MixdownStatus::NothingToWrite:
            std::cerr << "tqx-mixdown: nothing to write: none of the chosen tracks has a clip\n";
            return 3;
        default:
            return 1;
    }
}
