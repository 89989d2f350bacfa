#pragma once
// The time rulers above the clip canvas. Ticks lie at absolute timeline columns, one second's
// width plus a gap apart, each labelled with the time at that column ("0.000"); both rulers
// draw the same ticks shifted by the horizontal scroll position.
#include <string>
#include <vector>

class QPainter;
class QRect;

namespace tqx {

struct RulerTick {
    int x = 0;          // absolute timeline column
    std::string label;  // seconds at x, "0.000"
};

// Pixels added to one second's width between ticks; wider scales get wider gaps.
int rulerGap(double timeScale);
// Distance between ticks: trunc(rate / timeScale) + gap (never below 1).
int rulerStep(double timeScale, int rate);
// Ticks whose column lies in [from, to) (absolute columns).
std::vector<RulerTick> rulerTicks(double timeScale, int rate, int from, int to);

// Paints a ruler of `height` pixels whose left edge shows absolute column `scroll`, within
// `area` (widget coordinates): button-face fill, black frame, ticks from y = 7 down, 8-point
// labels at (x + 4, 3).
void paintRuler(QPainter& painter, const QRect& area, int width, int height, double timeScale, int rate, int scroll);

}  // namespace tqx
