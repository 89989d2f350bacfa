#include "io/block_export.h"

#include <algorithm>

#include "io/mixdown.h"
#include "io/sample_loops.h"
#include "io/worker_pool.h"

namespace tqx {

namespace {

// A round is long enough that handing it out to the threads costs little, and short enough
// that the progress moves often (a hundred rounds or more for all but the shortest exports)
// and that the blocks of every track together stay within kRoundBudgetBytes.
constexpr std::uint64_t kMinRoundFrames = 4096;
constexpr std::uint64_t kMaxRoundFrames = 65536;
constexpr std::uint64_t kRoundsWanted = 128;
constexpr std::uint64_t kRoundBudgetBytes = std::uint64_t{16} << 20;
constexpr std::uint64_t kSmallestRoundFrames = 256;
// The mix of a round is added up in stretches of this many samples, shared among the threads.
constexpr std::size_t kTileSamples = 16384;

std::size_t roundSamples(std::uint64_t samples, std::size_t tracks) {
    std::uint64_t frames = std::clamp(samples / 2 / kRoundsWanted, kMinRoundFrames, kMaxRoundFrames);
    frames =
        std::min(frames, std::max(kSmallestRoundFrames, kRoundBudgetBytes / (4 * std::max<std::size_t>(tracks, 1))));
    return static_cast<std::size_t>(std::min(2 * frames, samples));
}

}  // namespace

BlockWriteResult writeTrackBlocks(std::vector<TrackBlocks>& tracks, std::uint64_t samples, bool mixing,
                                  AtomicFileWriter& file, const std::function<bool(double)>& progress,
                                  unsigned threads) {
    BlockWriteResult result;
    if (tracks.empty() || samples == 0) return result;
    const std::size_t round = roundSamples(samples, tracks.size());
    // More threads than tracks would only wait.
    WorkerPool pool(
        threads != 0 ? threads : static_cast<unsigned>(std::min<std::size_t>(WorkerPool::processors(), tracks.size())));
    std::vector<std::vector<std::int16_t>> blocks;
    for (const TrackBlocks& track : tracks) blocks.emplace_back(std::min<std::uint64_t>(round, track.samples()));
    std::vector<std::int16_t> mix(mixing ? round : 0);
    std::vector<RenditionBuffers> buffers(pool.threads());
    std::vector<char> unread(tracks.size(), 0);

    for (std::uint64_t from = 0; from < samples; from += round) {
        const auto count = static_cast<std::size_t>(std::min<std::uint64_t>(round, samples - from));
        // The part of the round a track reaches: a shorter track ends early.
        const auto reach = [&](std::size_t t) {
            const std::uint64_t own = tracks[t].samples();
            return own > from ? static_cast<std::size_t>(std::min<std::uint64_t>(count, own - from)) : 0;
        };
        pool.run(tracks.size(), [&](std::size_t t, unsigned worker) {
            const std::size_t n = reach(t);
            if (n != 0 && !tracks[t].render(from, {blocks[t].data(), n}, buffers[worker])) unread[t] = 1;
        });
        for (std::size_t t = 0; t < tracks.size(); ++t) {
            if (!unread[t]) continue;
            result.status = BlocksWritten::ClipUnreadable;
            result.unreadFile = tracks[t].unreadFile();
            return result;
        }

        const std::int16_t* out = blocks.front().data();
        if (mixing) {
            pool.run((count + kTileSamples - 1) / kTileSamples, [&](std::size_t tile, unsigned) {
                const std::size_t first = tile * kTileSamples;
                const std::size_t end = std::min(count, first + kTileSamples);
                std::fill(mix.begin() + std::ptrdiff_t(first), mix.begin() + std::ptrdiff_t(end), std::int16_t{0});
                for (std::size_t t = 0; t < tracks.size(); ++t) {
                    const std::size_t upTo = std::min(end, reach(t));
                    if (first < upTo) addToMix(mix.data() + first, blocks[t].data() + first, upTo - first);
                }
            });
            out = mix.data();
        }
        if (!writeSamples(file, out, count)) {
            result.status = BlocksWritten::WriteFailed;
            return result;
        }
        if (progress && !progress(double(from + count) / double(samples))) {
            result.status = BlocksWritten::Cancelled;
            return result;
        }
    }
    return result;
}

}  // namespace tqx
