// tqx-mixdown: writes the mixdown of a project without opening any window. The file is the
// one the main window's "全体(&A)..." (or, with --tracks, "トラック選択(&S)...") would write.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <set>
#include <string>
#include <vector>

#include "engine/studio.h"
#include "io/mixdown.h"
#include "platform/event_sink.h"
#include "platform/no_audio_system.h"
#include "platform/scripted_dialogs.h"
#include "platform/timer_service.h"
#include "project/project_file_commands.h"
#include "project/project_model.h"

namespace {

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

// Message boxes print their text; questions are answered Yes.
class ConsoleDialogs : public tqx::ScriptedDialogs {
public:
    tqx::DialogAnswer messageBox(const std::string& text, const std::string& caption, tqx::DialogIcon icon,
                                 tqx::DialogButtons buttons) override {
        std::cerr << "tqx-mixdown: " << text << '\n';
        return ScriptedDialogs::messageBox(text, caption, icon, buttons);
    }
    void showMessage(const std::string& text) override {
        std::cerr << "tqx-mixdown: " << text << '\n';
        ScriptedDialogs::showMessage(text);
    }
};

int usageError(const std::string& what) {
    std::cerr << "tqx-mixdown: " << what << "\nTry 'tqx-mixdown --help'.\n";
    return 2;
}

// "1,3,4" → {1, 3, 4}; false on anything that is not a list of positive numbers.
bool parseTrackNumbers(const std::string& text, std::vector<int>& out) {
    std::size_t at = 0;
    while (at <= text.size()) {
        const std::size_t comma = std::min(text.find(',', at), text.size());
        const std::string item = text.substr(at, comma - at);
        if (item.empty() || item.size() > 6 || !std::all_of(item.begin(), item.end(), [](char c) {
                return c >= '0' && c <= '9';
            }))
            return false;
        const int n = std::stoi(item);
        if (n < 1) return false;
        out.push_back(n);
        at = comma + 1;
    }
    return !out.empty();
}

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
        if (arg == "--tracks" || arg.rfind("--tracks=", 0) == 0) {
            std::string list;
            if (arg == "--tracks") {
                if (i + 1 >= argc) return usageError("--tracks needs a list of track numbers");
                list = argv[++i];
            } else {
                list = arg.substr(std::strlen("--tracks="));
            }
            if (!parseTrackNumbers(list, trackNumbers)) return usageError("bad track list '" + list + "'");
            tracksGiven = true;
        } else if (arg.size() > 1 && arg[0] == '-') {
            return usageError("unknown option '" + arg + "'");
        } else {
            positional.push_back(arg);
        }
    }
    if (positional.size() != 2) return usageError("expected a project file and an output file");
    const std::string& projectPath = positional[0];
    const std::string& outputPath = positional[1];

    ConsoleDialogs dialogs;
    tqx::NoAudioSystem audio;
    tqx::ManualTimerService timer;
    tqx::QueuedEventSink events;
    tqx::Studio studio(tqx::Platform{dialogs, audio, timer, events});

    if (!studio.projectFile().Load(projectPath)) {
        std::cerr << "tqx-mixdown: cannot read the project " << projectPath << '\n';
        return 1;
    }
    // Clips whose WAVE file could not be read are listed here; the rest of the project stands.
    for (const std::string& line : studio.memo) std::cerr << "tqx-mixdown: " << line << '\n';

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
