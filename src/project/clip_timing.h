#pragma once
// Where a time of the timeline falls in frames. Playback, recording and the exports all place
// a clip with this one rule, so a clip starts on the same frame however it is heard.
#include <cmath>
#include <cstdint>
#include <optional>

namespace tqx {

// The frame at `seconds` for `rate` frames per second: the product in extended precision,
// rounded down (a clip starting inside a frame starts with that frame).
inline std::int64_t frameAtTime(double seconds, std::uint32_t rate) {
    const long double at = static_cast<long double>(seconds) * rate;
    if (!(at > -9.0e18L && at < 9.0e18L)) return 0;  // NaN, or nowhere on any timeline
    return static_cast<std::int64_t>(std::floor(at));
}

// A start time stored as the project stores it (single precision) that lands on `frame`
// exactly; nullopt when no such value exists (far out, neighbouring floats lie more than a
// frame apart).
inline std::optional<float> exactStartTime(std::int64_t frame, std::uint32_t rate) {
    if (rate == 0) return std::nullopt;
    const float near = static_cast<float>((static_cast<long double>(frame) + 0.5L) / rate);
    for (float t : {near, std::nextafter(near, -INFINITY), std::nextafter(near, INFINITY)})
        if (frameAtTime(t, rate) == frame) return t;
    return std::nullopt;
}

}  // namespace tqx
