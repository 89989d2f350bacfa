#include "engine/clip_waveform.h"

#include <algorithm>
#include <cmath>

#include "project/multi_wave.h"

namespace tqx {

int GetFrameSample(const std::uint8_t* data, std::uint32_t dataSize, int channel, std::int64_t frame,
                   const WaveFormat& format) {
    const std::uint32_t frameBytes = (format.bitsPerSample / 8u) * format.channels;
    if (!data || frameBytes == 0 || format.bitsPerSample != 16) return 0;
    const std::int64_t frames = dataSize / frameBytes;
    if (frame < 0 || frame >= frames) return 0;
    std::int64_t at = 0;
    if (format.channels == 1 && channel == 0)
        at = 2 * frame;
    else if (format.channels == 2 && (channel == 0 || channel == 1))
        at = 4 * frame + 2 * channel;
    else
        return 0;
    // Little-endian 16-bit, whatever the host's order.
    const auto lo = static_cast<std::uint16_t>(data[at]);
    const auto hi = static_cast<std::uint16_t>(data[at + 1]);
    return static_cast<std::int16_t>(static_cast<std::uint16_t>(lo | (hi << 8)));
}

std::int64_t frameAtColumn(int x, double timeScale, std::uint32_t clipRate, int projectRate) {
    if (projectRate <= 0) return 0;
    // Multiply before dividing so a 48,000 Hz clip in a 44,100 Hz project rounds the way it
    // always has; truncation toward zero, as every pixel/sample conversion does.
    const double k = double(clipRate) / double(projectRate);
    return static_cast<std::int64_t>(std::trunc(double(x) * timeScale * k));
}

WaveformRows waveformRows(int channels, int clientHeight) {
    WaveformRows rows;
    rows.height = clientHeight < 1 ? 50 : clientHeight;
    const int h = rows.height;
    if (channels == 1) {
        const int c = h / 2;
        rows.guides = {c};
        rows.centres = {c};
        rows.divisor = c > 0 ? 32767 / c : 32767;
    } else if (channels == 2) {
        const int q1 = h / 4;
        const int q3 = h * 3 / 4;
        rows.guides = {h / 2, q1, q3};
        rows.centres = {q1, q3};
        rows.divisor = q1 > 0 ? 32767 / q1 : 32767;
    }
    return rows;
}

int waveformEnd(int areaRight, std::uint32_t dataSize) {
    // dataSize below a non-negative int always fits back into an int.
    if (areaRight >= 0 && static_cast<std::uint32_t>(areaRight) > dataSize) return static_cast<int>(dataSize);
    return areaRight;
}

void waveformPoints(const WaveformInput& in, int channel, int centre, int divisor, int from, int to,
                    std::vector<WavePoint>& out) {
    out.clear();
    if (divisor == 0) divisor = 1;
    if (to < from) return;
    out.reserve(static_cast<std::size_t>(to - from) + 2);
    auto pointAt = [&](int x) {
        const int s =
            GetFrameSample(in.data, in.dataSize, channel,
                           frameAtColumn(x, in.timeScale, in.format.samplesPerSec, in.projectRate), in.format);
        return WavePoint{x, centre - s / divisor};  // integer division, as the rows are laid out
    };
    out.push_back(pointAt(from));  // the pen starts here
    for (int x = from; x <= to; ++x) out.push_back(pointAt(x));
}

WaveformInput waveformInput(const TMultiWave& clip, double timeScale, int projectRate) {
    return {clip.GetData(), clip.GetDataSize(), clip.GetFormat(), timeScale, projectRate};
}

}  // namespace tqx
