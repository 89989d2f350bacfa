#pragma once
// Writes the rendering of one or several tracks into an export's file a round of blocks at a
// time, so that an export holds a few blocks per track whatever its length. The tracks of a
// round are rendered side by side on the machine's cores; a mixdown then adds them in their
// fixed order, each addition clamped, so the bytes never depend on how many threads did the
// work.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "io/track_blocks.h"
#include "platform/atomic_file_writer.h"

namespace tqx {

enum class BlocksWritten { All, Cancelled, ClipUnreadable, WriteFailed };

struct BlockWriteResult {
    BlocksWritten status = BlocksWritten::All;
    std::string unreadFile;  // ClipUnreadable: the clip file that could not be read
};

// With `mixing` the tracks are added, in the order given, into a mix of `samples` samples (a
// mixdown, even of one track); otherwise the one track is written as it renders. `progress` is
// told the fraction written after each round; when it returns false the export stops there.
// `threads` counts the calling thread; 0 takes one per processor. No memory or no thread to be
// had throws.
BlockWriteResult writeTrackBlocks(std::vector<TrackBlocks>& tracks, std::uint64_t samples, bool mixing,
                                  AtomicFileWriter& file, const std::function<bool(double)>& progress,
                                  unsigned threads = 0);

}  // namespace tqx
