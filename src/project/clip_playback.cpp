#include "project/clip_playback.h"

#include <algorithm>

namespace tqx {

void ClipPlayback::allocBuffers(int sampleCount) {
    bufferSamples_ = std::max(0, sampleCount);
    for (auto& b : buffers_) b.assign(static_cast<std::size_t>(bufferSamples_), 0);
}

void ClipPlayback::freeBuffers() {
    for (auto& b : buffers_) {
        b.clear();
        b.shrink_to_fit();
    }
}

}  // namespace tqx
