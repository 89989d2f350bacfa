#pragma once
// What a clip draws on the timeline, computed without any window: one sample per pixel
// column taken from the clip's in-memory data at the current time scale, and the polylines,
// guide lines and cursor column built from it. The clip widget only strokes what this gives.
#include <cstdint>
#include <vector>

#include "platform/wave_format.h"

namespace tqx {

class TMultiWave;

// One sample of one channel at one frame of 16-bit data; 0 outside the data, for a channel
// the data does not have, and for channel counts other than 1 and 2.
int GetFrameSample(const std::uint8_t* data, std::uint32_t dataSize, int channel, std::int64_t frame,
                   const WaveFormat& format);

// The frame a pixel column shows: trunc(x x timeScale x clipRate / projectRate), so a clip at
// another rate is laid out at its own rate.
std::int64_t frameAtColumn(int x, double timeScale, std::uint32_t clipRate, int projectRate);

struct WavePoint {
    int x = 0;
    int y = 0;
};

// The rows a clip of a given height draws on.
struct WaveformRows {
    int height = 0;            // the client height used (50 when it is below 1)
    std::vector<int> guides;   // y of the black guide lines
    std::vector<int> centres;  // the centre of each channel's polyline (1 or 2 entries)
    int divisor = 1;           // sample / divisor = pixels from the centre
};
WaveformRows waveformRows(int channels, int clientHeight);

// Last column (inclusive) of the polyline and the bottom line for a repaint ending at
// `areaRight`: the smaller of the two, compared unsigned as the clip's byte count always was.
int waveformEnd(int areaRight, std::uint32_t dataSize);

// The points of one channel's polyline over columns from..to (inclusive), in clip coordinates:
// a first point at `from` followed by one point per column. `out` is cleared first.
struct WaveformInput {
    const std::uint8_t* data = nullptr;
    std::uint32_t dataSize = 0;
    WaveFormat format{};
    double timeScale = 1.0;
    int projectRate = 44100;
};
void waveformPoints(const WaveformInput& in, int channel, int centre, int divisor, int from, int to,
                    std::vector<WavePoint>& out);

WaveformInput waveformInput(const TMultiWave& clip, double timeScale, int projectRate);

}  // namespace tqx
