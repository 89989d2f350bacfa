#include "app/ruler_painter.h"

#include <algorithm>
#include <cmath>

#include <QApplication>
#include <QPainter>
#include <QPalette>

#include "platform/number_format.h"

namespace tqx {

namespace {
constexpr int kLabelReach = 80;  // a label may start this far left of the repainted area
}

int rulerGap(double timeScale) {
    const auto a = static_cast<long long>(std::trunc(timeScale));
    if (a < 500) return 0;
    if (a < 1000) return 10;
    if (a < 1500) return 20;
    if (a < 2000) return 30;
    return 40;
}

int rulerStep(double timeScale, int rate) {
    if (timeScale <= 0) return 1;
    const double p = double(rate) / timeScale;
    return std::max(1, static_cast<int>(std::trunc(p)) + rulerGap(timeScale));
}

std::vector<RulerTick> rulerTicks(double timeScale, int rate, int from, int to) {
    std::vector<RulerTick> ticks;
    if (timeScale <= 0 || rate <= 0) return ticks;
    const int step = rulerStep(timeScale, rate);
    const double p = double(rate) / timeScale;
    long long x = from <= 0 ? 0 : (static_cast<long long>(from) + step - 1) / step * step;
    for (; x < to; x += step) ticks.push_back({static_cast<int>(x), formatFixed(double(x) / p, 3)});
    return ticks;
}

void paintRuler(QPainter& painter, const QRect& area, int width, int height, double timeScale, int rate, int scroll) {
    painter.fillRect(area, QApplication::palette().color(QPalette::Button));
    painter.setPen(Qt::black);
    painter.drawRect(0, 0, width - 1, height - 1);
    QFont font = painter.font();
    font.setPointSize(8);
    painter.setFont(font);
    const int from = std::max(0, scroll + area.left() - kLabelReach);
    for (const RulerTick& t : rulerTicks(timeScale, rate, from, scroll + area.right() + 1)) {
        const int x = t.x - scroll;
        painter.drawLine(x, 7, x, height);
        painter.drawText(x + 4, 3, kLabelReach, height - 3, Qt::AlignLeft | Qt::AlignTop,
                         QString::fromStdString(t.label));
    }
}

}  // namespace tqx
