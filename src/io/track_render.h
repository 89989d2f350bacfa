#pragma once
// Offline rendering of one track: its clips mixed at their start times into 16-bit stereo at
// the project rate, then the equalizer, then the track's gain, volume and pan. Track export
// writes one rendering as it is; a mixdown adds several together. Mute and solo do not apply.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "effects/equalizer.h"
#include "io/clip_bytes.h"
#include "io/ravelin_client.h"
#include "io/track_blocks.h"
#include "platform/user_dialogs.h"

namespace tqx {

class ProjectModel;

// A clip and a time on the timeline, in seconds.
struct ClipTime {
    std::int32_t slot = 0;
    float time = 0.0f;
};

struct TrackExtent {
    bool hasClips = false;
    // Bytes of 16-bit stereo at the project rate from time 0 to the latest clip end, a whole
    // number of 4-byte frames. May exceed what a WAVE file can hold; writers check.
    std::uint64_t length = 0;
    std::vector<ClipTime> starts;  // clip start times, ascending
    std::vector<ClipTime> ends;    // clip end times, ascending
};

// The clips of `track`, sorted by start and by end with the project's own sort (which fixes
// the order of clips that start at the same time), and the track's rendered length. Clips in
// `files` are as long as their import would make them. Missing clips are left out.
TrackExtent trackExtent(const ProjectModel& model, int track, const ClipFiles* files = nullptr);

struct RenderOptions {
    // Told the fraction of this rendering done (0..1) now and then; false stops the work.
    std::function<bool(double)> progress;
    // The converter whose rules bring clips that are not stereo at the project rate to it.
    std::string converterLibrary = kRavelinLibraryFile;
    // Clips whose audio is read from their files rather than from memory.
    const ClipFiles* clipFiles = nullptr;
    // Threads rendering side by side, the calling one counted; 0 takes one per processor.
    unsigned threads = 0;
};

// Sets up the rendering of `track` block by block (`extent` its own; `equalizer` nullptr when
// off). Each clip that needs the converter is checked as its conversion would meet it.
// Nothing, after telling the user under `caption`, when a clip cannot be mixed (no converter,
// a conversion too long) or the setup itself fails.
std::optional<TrackBlocks> prepareTrack(const ProjectModel& model, int track, const TrackExtent& extent,
                                        const EqCoefficientTable* equalizer, UserDialogs& dialogs,
                                        const std::string& caption, const RenderOptions& options = {});

}  // namespace tqx
