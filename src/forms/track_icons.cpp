#include "forms/track_icons.h"

#include <array>
#include <cmath>

#include <QPainter>
#include <QPainterPath>
#include <QPolygon>

#include "session/track_commands.h"

namespace tqx {

namespace {

// Every icon gets its own background colour as well as its own drawing, so two tracks are
// told apart at a glance even when the panels are folded.
void drawIcon(QPainter& p, int index) {
    static const QColor backgrounds[kTrackIconCount] = {
        {70, 90, 140},  {190, 120, 40}, {150, 40, 40}, {240, 240, 240}, {60, 130, 60},  {40, 40, 40}, {120, 60, 150},
        {210, 180, 60}, {20, 60, 90},   {110, 70, 40}, {220, 110, 150}, {60, 150, 160}, {90, 90, 90}};
    p.fillRect(0, 0, kTrackIconSize, kTrackIconSize, backgrounds[index]);
    p.setRenderHint(QPainter::Antialiasing, true);
    const QPen dark(Qt::black, 2);
    const QPen light(Qt::white, 2);

    switch (index) {
        case 0:  // microphone
            p.setPen(Qt::NoPen);
            p.setBrush(QColor(200, 200, 210));
            p.drawRoundedRect(11, 3, 10, 16, 5, 5);
            p.setPen(light);
            p.setBrush(Qt::NoBrush);
            p.drawArc(8, 8, 16, 16, 180 * 16, 180 * 16);
            p.drawLine(16, 24, 16, 28);
            p.drawLine(11, 28, 21, 28);
            break;
        case 1: {  // guitar
            p.setPen(Qt::NoPen);
            p.setBrush(QColor(90, 40, 10));
            p.drawEllipse(5, 15, 13, 13);
            p.drawEllipse(9, 10, 10, 10);
            p.setBrush(Qt::black);
            p.drawEllipse(10, 18, 5, 5);
            p.setPen(QPen(QColor(60, 30, 10), 3));
            p.drawLine(15, 17, 27, 5);
            p.setPen(QPen(Qt::black, 2));
            p.drawLine(25, 3, 29, 7);
            break;
        }
        case 2:  // drum
            p.setPen(dark);
            p.setBrush(QColor(230, 230, 230));
            p.drawRect(6, 12, 20, 13);
            p.setBrush(QColor(250, 240, 200));
            p.drawEllipse(6, 8, 20, 8);
            p.setPen(QPen(QColor(240, 220, 160), 2));
            p.drawLine(4, 2, 13, 10);
            p.drawLine(28, 2, 19, 10);
            break;
        case 3:  // keyboard
            p.setPen(QPen(Qt::black, 1));
            p.setBrush(Qt::white);
            p.drawRect(2, 8, 27, 17);
            for (int x = 2; x < 29; x += 4) p.drawLine(x, 8, x, 25);
            p.setBrush(Qt::black);
            for (int x : {4, 8, 16, 20, 24}) p.drawRect(x + 1, 8, 2, 10);
            break;
        case 4: {  // note
            p.setPen(Qt::NoPen);
            p.setBrush(Qt::white);
            p.drawEllipse(5, 20, 9, 7);
            p.drawEllipse(18, 17, 9, 7);
            p.setPen(QPen(Qt::white, 2));
            p.drawLine(13, 23, 13, 6);
            p.drawLine(26, 20, 26, 3);
            p.setPen(QPen(Qt::white, 4));
            p.drawLine(13, 7, 26, 4);
            break;
        }
        case 5: {  // speaker
            p.setPen(Qt::NoPen);
            p.setBrush(QColor(220, 220, 220));
            p.drawPolygon(QPolygon(
                {QPoint(4, 12), QPoint(10, 12), QPoint(17, 5), QPoint(17, 27), QPoint(10, 20), QPoint(4, 20)}));
            p.setPen(QPen(QColor(220, 220, 220), 2));
            p.setBrush(Qt::NoBrush);
            p.drawArc(14, 10, 8, 12, -60 * 16, 120 * 16);
            p.drawArc(14, 5, 14, 22, -60 * 16, 120 * 16);
            break;
        }
        case 6:  // headphones
            p.setPen(QPen(Qt::white, 3));
            p.setBrush(Qt::NoBrush);
            p.drawArc(5, 5, 22, 24, 0, 180 * 16);
            p.setPen(Qt::NoPen);
            p.setBrush(Qt::white);
            p.drawRoundedRect(3, 16, 7, 12, 2, 2);
            p.drawRoundedRect(22, 16, 7, 12, 2, 2);
            break;
        case 7: {  // horn
            p.setPen(QPen(QColor(120, 80, 0), 1));
            p.setBrush(QColor(250, 230, 120));
            p.drawPolygon(QPolygon(
                {QPoint(3, 14), QPoint(18, 14), QPoint(28, 6), QPoint(28, 26), QPoint(18, 18), QPoint(3, 18)}));
            p.setBrush(QColor(120, 80, 0));
            for (int x : {8, 11, 14}) p.drawRect(x, 10, 2, 4);
            break;
        }
        case 8: {  // waveform
            p.setPen(QPen(QColor(100, 230, 255), 2));
            QPainterPath wave;
            wave.moveTo(2, 16);
            for (int x = 2; x <= 30; ++x)
                wave.lineTo(x, 16 - 11 * std::sin((x - 2) * 0.45) * std::exp(-(x - 2) * 0.05));
            p.setBrush(Qt::NoBrush);
            p.drawPath(wave);
            break;
        }
        case 9: {  // violin
            p.setPen(Qt::NoPen);
            p.setBrush(QColor(200, 110, 40));
            p.drawEllipse(9, 4, 14, 12);
            p.drawEllipse(7, 14, 18, 15);
            p.setPen(dark);
            p.drawLine(16, 2, 16, 28);
            p.setPen(QPen(Qt::black, 1));
            p.drawLine(12, 17, 12, 22);
            p.drawLine(20, 17, 20, 22);
            break;
        }
        case 10: {  // voice: a singer's head with sound
            p.setPen(Qt::NoPen);
            p.setBrush(Qt::white);
            p.drawEllipse(4, 6, 14, 14);
            p.drawRoundedRect(3, 20, 16, 10, 4, 4);
            p.setPen(QPen(Qt::white, 2));
            p.setBrush(Qt::NoBrush);
            p.drawArc(17, 7, 8, 12, -50 * 16, 100 * 16);
            p.drawArc(18, 3, 12, 20, -50 * 16, 100 * 16);
            break;
        }
        case 11: {  // synthesizer knobs
            p.setPen(QPen(Qt::black, 1));
            for (int k = 0; k < 4; ++k) {
                const int x = 3 + (k % 2) * 14, y = 3 + (k / 2) * 14;
                p.setBrush(QColor(240, 240, 240));
                p.drawEllipse(x, y, 12, 12);
                p.setPen(QPen(Qt::red, 2));
                const double a = 0.8 + k * 1.2;
                p.drawLine(QPointF(x + 6, y + 6), QPointF(x + 6 + 5 * std::cos(a), y + 6 - 5 * std::sin(a)));
                p.setPen(QPen(Qt::black, 1));
            }
            break;
        }
        case 12: {  // star
            QPolygonF star;
            for (int k = 0; k < 10; ++k) {
                const double r = k % 2 ? 6.0 : 14.0;
                const double a = -M_PI / 2 + k * M_PI / 5;
                star << QPointF(16 + r * std::cos(a), 17 + r * std::sin(a));
            }
            p.setPen(QPen(QColor(120, 90, 0), 1));
            p.setBrush(QColor(255, 215, 0));
            p.drawPolygon(star);
            break;
        }
        default: break;
    }
}

QPixmap makeIcon(int index) {
    QPixmap pixmap(kTrackIconSize, kTrackIconSize);
    pixmap.fill(QColor(128, 128, 128));
    if (index >= 0 && index < kTrackIconCount) {
        QPainter p(&pixmap);
        drawIcon(p, index);
    }
    return pixmap;
}

}  // namespace

const QPixmap& trackIcon(int index) {
    static const std::array<QPixmap, kTrackIconCount + 1> icons = [] {
        std::array<QPixmap, kTrackIconCount + 1> all;
        for (int i = 0; i <= kTrackIconCount; ++i) all[i] = makeIcon(i < kTrackIconCount ? i : -1);
        return all;
    }();
    return icons[(index >= 0 && index < kTrackIconCount) ? index : kTrackIconCount];
}

const QPixmap& toggleButtonPicture() {
    static const QPixmap picture = [] {
        QPixmap pm(kToggleWidth, kToggleHeight);
        pm.fill(QColor(212, 208, 200));
        QPainter p(&pm);
        // A raised bevel: light top-left, dark bottom-right.
        p.setPen(Qt::white);
        p.drawLine(0, 0, kToggleWidth - 2, 0);
        p.drawLine(0, 0, 0, kToggleHeight - 2);
        p.setPen(QColor(128, 128, 128));
        p.drawLine(1, kToggleHeight - 2, kToggleWidth - 2, kToggleHeight - 2);
        p.drawLine(kToggleWidth - 2, 1, kToggleWidth - 2, kToggleHeight - 2);
        p.setPen(QColor(64, 64, 64));
        p.drawLine(0, kToggleHeight - 1, kToggleWidth - 1, kToggleHeight - 1);
        p.drawLine(kToggleWidth - 1, 0, kToggleWidth - 1, kToggleHeight - 1);
        return pm;
    }();
    return picture;
}

}  // namespace tqx
