#include "audio/audio_system.h"

namespace tqx {

bool AudioSystem::prepareHeader(WaveHeader* header) {
    if (!header) return false;
    header->flags |= WaveHeader::Prepared;
    return true;
}

bool AudioSystem::unprepareHeader(WaveHeader* header) {
    if (!header) return false;
    if (header->flags & WaveHeader::InQueue) return false;
    header->flags &= ~static_cast<std::uint32_t>(WaveHeader::Prepared);
    return true;
}

}  // namespace tqx
