#pragma once
// Time, pixels and scrolling of the timeline, and the play position. Pixels are absolute
// timeline columns; the widgets subtract the scroll position when they draw. GUI thread,
// except PlayHead and CursorX, which the transport's timer thread sets while playing.
#include <atomic>
#include <cstdint>

#include "platform/signal.h"

namespace tqx {

class TMultiWave;

struct Timeline {
    float StartPosition = 0.0f;         // seconds; where playback and recording begin
    std::atomic<double> PlayHead{0.0};  // seconds heard of the run; set by the timer thread
    std::atomic<int> CursorX{0};        // pixel column of the play cursor
    float TimeScale = 1102.5f;          // samples of the project rate per pixel
    int trackBarMin = 4410, trackBarMax = 22050, trackBarPosition = 11025, tickFrequency = 500;
    int hScrollPosition = 0;
    int hScrollRange = 200;
    int vScrollPosition = 0;
    int viewWidth = 600;  // visible width of the clip area, pixels

    // The time-scale slider derived from a project rate (position rate / 4).
    void setRate(int rate);
    // The scroll range reaches at least 200 pixels past `right`.
    void coverRight(int right) {
        if (hScrollRange - 200 < right) hScrollRange = right + 200;
    }
    // Seconds at an absolute timeline pixel for a project at `rate`, and back (truncated
    // toward zero).
    float secondsAtPixel(int pixel, int rate) const;
    int pixelAtSeconds(double seconds, int rate) const;
    // Pixels `frames` frames of a clip at `clipRate` take: as many as the same length at the
    // project rate would (not truncated to whole pixels at the end).
    double widthOf(double frames, std::uint32_t clipRate, int projectRate) const;
    // Places a clip on the timeline: left from its start time, width from its data; the
    // scroll range covers it.
    // A missing clip (its file could not be read) has no length; it is drawn this wide.
    static constexpr int kMissingClipWidth = 100;
    void layClip(TMultiWave& clip, int projectRate);

    // The play cursor or the horizontal scroll position moved.
    Signal<> cursorMoved;
    // The time scale changed: the rulers and every clip's place.
    Signal<> scaleChanged;
};

}  // namespace tqx
