#pragma once
// Offline rendering of one track: its clips mixed at their start times into 16-bit stereo at
// the project rate, then the equalizer, then the track's gain, volume and pan. Track export
// writes one rendering as it is; a mixdown adds several together. Mute and solo do not apply.
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "io/ravelin_client.h"

namespace tqx {

class ProjectModel;
struct ExportContext;

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
// the order of clips that start at the same time), and the track's rendered length.
TrackExtent trackExtent(const ProjectModel& model, int track);

struct RenderOptions {
    // Told the fraction of this rendering done (0..1) now and then; false stops the work.
    std::function<bool(double)> progress;
    // Converts clips that are not stereo at the project rate.
    std::string converterLibrary = kRavelinLibraryFile;
};

// Renders `track` into `buffer` (extent.length ÷ 2 samples, interleaved left/right). True when
// the whole track was rendered. False when the progress callback asked to stop, or when a
// clip could not be mixed (no converter, no room for its conversion) or the rendering failed,
// the user having been told; the buffer then does not hold the track.
bool renderTrack(const ExportContext& context, int track, const TrackExtent& extent, std::span<std::int16_t> buffer,
                 const RenderOptions& options = {});

}  // namespace tqx
