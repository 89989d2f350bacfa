// tqx-mixdown: writes the mixdown of a project without opening any window. The file is the
// one the main window's "全体(&A)..." (or, with --tracks, "トラック選択(&S)...") would write.
#include <sys/stat.h>

#include <algorithm>
#include <iostream>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "audio/no_audio_system.h"
#include "cli/console_tool.h"
#include "io/mixdown.h"
#include "io/wave_import.h"
#include "platform/event_sink.h"
#include "platform/regular_file.h"
#include "platform/timer_service.h"
#include "project/project_model.h"
#include "session/project_file_commands.h"
#include "session/studio.h"

namespace {

constexpr const char* kTool = "tqx-mixdown";
constexpr const char* kUsage = R"(Usage: tqx-mixdown PROJECT.tqxproj OUT.wav [--tracks N,N,...]

Writes the mixdown of a Tinderquillex project as a 16-bit stereo WAVE file at the
project's sampling rate: every clip of the chosen tracks at its start time, the
equalizer as saved in the project, each track's gain, volume and pan. Mute and solo
do not apply. OUT.wav is replaced when it exists, and only by a complete file; a
symbolic link is followed to its target. OUT.wav may not be the project file, one of
its clip files, a directory or a device.

Options:
  --tracks N,N,...  mix only these tracks. N is the track number shown in the program
                    (トラック1 is 1). The tracks are mixed in their on-screen order,
                    top first, whatever order they are given in; a number given twice
                    counts once.
  -h, --help        show this text.

Messages the program would show in a window are printed to standard error.

Exit status:
  0  the file was written
  1  the project could not be read, or the mixdown could not be written whole (a
     track could not be rendered, a clip could not be converted or read, the
     converter library is missing, the disk is full...); no file is left, and an
     earlier OUT.wav stays as it was
  2  wrong command line, a track number that the project does not have, or an
     OUT.wav that may not be written
  3  nothing to write: none of the chosen tracks has a clip
  4  clips of the chosen tracks were left out because their files are missing or
     cannot be imported; each is named on standard error. The file holds the rest
     (none is written when no clip is left).
)";

// Why OUT must not be written, or nothing when it may be. Compared by the files themselves,
// so another name for the project or a clip (a link, "./", "..") is caught too.
std::optional<std::string> outputRefusal(const std::string& out, const std::string& projectPath,
                                         const tqx::Studio& studio, const std::vector<tqx::StoredClip>& leftOut) {
    struct stat target {};
    if (::stat(out.c_str(), &target) != 0) return std::nullopt;  // a new file
    switch (tqx::fileKindOf(out)) {
        case tqx::FileKind::Regular: break;
        case tqx::FileKind::Directory: return out + " is a directory";
        case tqx::FileKind::Device: return out + " is a device";
        default: return out + " is not a regular file";
    }
    const auto isTarget = [&](const std::string& path) {
        struct stat st {};
        return ::stat(path.c_str(), &st) == 0 && st.st_dev == target.st_dev && st.st_ino == target.st_ino;
    };
    if (isTarget(projectPath)) return out + " is the project file itself";
    std::vector<std::string> clipFiles;
    for (int slot : studio.model.clipSlots()) clipFiles.push_back(studio.model.clip(slot)->FileName());
    for (const tqx::StoredClip& clip : leftOut) clipFiles.push_back(clip.path);
    for (const std::string& clip : clipFiles)
        if (isTarget(clip)) return out + " is " + clip + ", a clip file of the project";
    return std::nullopt;
}

}  // namespace

int main(int argc, char** argv) {
    const tqx::CommandLine line = tqx::readCommandLine(argc, argv, {"--tracks"});
    if (line.help) {
        std::cout << kUsage;
        return 0;
    }
    std::vector<int> trackNumbers;
    if (!line.error.empty()) return tqx::usageError(kTool, line.error);
    if (!line.trackNumbers("--tracks", trackNumbers))
        return tqx::usageError(kTool, "bad track list '" + *line.value("--tracks") + "'");
    const bool tracksGiven = line.value("--tracks").has_value();
    if (line.positional.size() != 2) return tqx::usageError(kTool, "expected a project file and an output file");
    const std::vector<std::string>& positional = line.positional;
    const std::string& projectPath = positional[0];
    const std::string& outputPath = positional[1];

    tqx::ConsoleDialogs dialogs(kTool);
    tqx::NoAudioSystem audio;
    tqx::ManualTimerService timer;
    tqx::QueuedEventSink events;
    tqx::Studio studio(tqx::Platform{dialogs, audio, timer, events});

    // The clips are checked as the program checks them, but their audio is read from their
    // files while the mix is written, a block at a time: memory stays small however long the
    // project is. Clips whose WAVE file could not be read are listed; the rest stands.
    tqx::ClipFiles clipFiles;
    studio.importer().keepProjectAudioInFiles(&clipFiles);
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

    const std::vector<tqx::StoredClip>& failed = studio.projectFile().clipsLeftOut();
    if (const auto refusal = outputRefusal(outputPath, projectPath, studio, failed)) {
        std::cerr << "tqx-mixdown: " << *refusal << "; choose another output file\n";
        return 2;
    }
    std::vector<std::string> leftOut;
    for (const tqx::StoredClip& clip : failed)
        if (std::find(slots.begin(), slots.end(), clip.trackSlot) != slots.end()) leftOut.push_back(clip.path);

    tqx::RenderOptions options;
    options.clipFiles = &clipFiles;
    const tqx::MixdownResult result = tqx::writeMixdown(studio.exportContext(), slots, outputPath, options);
    if (result.status != tqx::MixdownStatus::Written && result.status != tqx::MixdownStatus::NothingToWrite) return 1;
    for (const std::string& path : leftOut) std::cerr << "tqx-mixdown: left out of the mix: " << path << '\n';
    if (!leftOut.empty()) return 4;
    if (result.status == tqx::MixdownStatus::NothingToWrite) {
        std::cerr << "tqx-mixdown: nothing to write: none of the chosen tracks has a clip\n";
        return 3;
    }
    return 0;
}
