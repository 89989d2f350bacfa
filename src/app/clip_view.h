#pragma once
// One clip on the canvas (TMultiWave's widget, tagged with the clip's slot). It draws the
// clip's waveform for the area being repainted and answers the mouse: a left press seeks and
// drags the clip in time, the release drops it onto the row under the pointer, the bottom
// 8-pixel band resizes the row, a double click folds or unfolds it, a right press opens the
// clip's popup menu.
#include <vector>

#include <QWidget>

#include "engine/clip_waveform.h"
#include "session/clip_commands.h"
#include "session/studio.h"

class QMenu;

namespace tqx {

class ClipView : public QWidget {
    Q_OBJECT
public:
    static constexpr int kEdgeBand = 8;  // bottom band that resizes the row

    ClipView(Studio& studio, ClipDragState& drag, int slot, QWidget* canvas);

    int slot() const { return slot_; }
    // The clip object this view was made for; a slot reused by a new clip gets a new view.
    const TMultiWave* clip() const { return clip_; }
    // Moves and sizes the view to the clip's place: x = left - horizontal scroll, y = row top on
    // the canvas (panel top - ruler height - vertical scroll), the row's height.
    void place();
    // The popup menu of the last right press (for tests; null before).
    QMenu* popupMenu() const { return menu_; }
    // Opens the popup without blocking (tests and keyboard use).
    bool nonBlockingPopup = false;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    void ClipMouseDown(QMouseEvent* event);
    void ClipMouseMove(QMouseEvent* event);
    void ClipMouseUp(QMouseEvent* event);
    void ClipDblClick();
    void ClipMouseLeave();
    // Waveform, guide lines, play cursor, start time and file name within `r`.
    void DrawClipWaveform(const QRect& r);
    bool resizing() const;
    void showPopup(const QPoint& globalPos);

    Studio& studio_;
    ClipDragState& drag_;
    int slot_;
    const TMultiWave* clip_;
    QMenu* menu_ = nullptr;
    std::vector<WavePoint> points_;  // reused between repaints
};

}  // namespace tqx
