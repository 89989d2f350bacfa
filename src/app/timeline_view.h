#pragma once
// The clip area right of the track column: a ruler strip (20 pixels) over the clip canvas,
// which holds one ClipView per clip and draws the black play line at CursorX, plus the two
// scroll bars. Every column here is an absolute timeline column less the horizontal scroll
// position, so the rulers, the clips, the play line and a click agree at any scroll.
// FixedRuler is the ruler in the top panel that shows the same ticks.
#include <map>

#include <QWidget>

#include "session/clip_commands.h"
#include "session/studio.h"

class QScrollBar;

namespace tqx {

class ClipView;

// A ruler that draws the timeline's ticks at the current horizontal scroll position.
class RulerStrip : public QWidget {
    Q_OBJECT
public:
    RulerStrip(Studio& studio, QWidget* parent);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    Studio& studio_;
};

// The ruler in the top panel; it does not scroll vertically with the rows.
using FixedRuler = RulerStrip;

class ClipCanvas : public QWidget {
    Q_OBJECT
public:
    ClipCanvas(Studio& studio, QWidget* parent);
    // Repaints the play line's old and new column (and the clips over them).
    void cursorMoved();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void repaintColumn(int x);

    Studio& studio_;
    int drawnCursor_ = 0;  // canvas column of the play line last drawn
};

class TimelineView : public QWidget {
    Q_OBJECT
public:
    static constexpr int kLeftEdge = 2;    // sunken edge left of the ruler and the canvas
    static constexpr int kWheelStep = 10;  // pixels per wheel notch

    explicit TimelineView(Studio& studio, QWidget* parent = nullptr);

    // The clip area follows the project, the time scale and the cursor by itself: a change
    // of clips, tracks or the scale places every clip again (views for new clips, none for
    // removed ones); the cursor moves the play line and follows the horizontal scroll.
    // Vertical position kept in step with the track column (clamped like the column).
    void setVScroll(int y);
    void setHScroll(int x);
    // Repainted with the ruler strip; the main window's fixed ruler.
    void attachFixedRuler(QWidget* ruler) { fixedRuler_ = ruler; }

    ClipCanvas* canvas() const { return canvas_; }
    RulerStrip* ruler() const { return ruler_; }
    QScrollBar* horizontalBar() const { return hBar_; }
    QScrollBar* verticalBar() const { return vBar_; }
    ClipView* clipView(int slot) const;
    ClipDragState& dragState() { return drag_; }

signals:
    // The clip area scrolled itself vertically (wheel or scroll bar) to y; the track column
    // follows.
    void verticalScrolled(int y);

protected:
    void resizeEvent(QResizeEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    // Every clip view on its track's row, with the row's top and height, repainted.
    void RelayoutClips();
    void followCursor();
    void syncClips();
    void placeClips();
    void syncBars();
    void repaintAll();
    int maxVScroll() const;

    Studio& studio_;
    RulerStrip* ruler_ = nullptr;
    ClipCanvas* canvas_ = nullptr;
    QScrollBar* hBar_ = nullptr;
    QScrollBar* vBar_ = nullptr;
    QWidget* fixedRuler_ = nullptr;
    std::map<int, ClipView*> views_;
    ClipDragState drag_;
    int placedHScroll_ = 0;
    int wheelRemainder_ = 0;
    Connection tracksChanged_, clipsChanged_, replaced_, scaleChanged_, cursorMoved_;
};

}  // namespace tqx
