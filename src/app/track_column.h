#pragma once
// The track column left of the clip area: a header strip (20 pixels, button face, black
// frame) and one TrackPanel per existing track, placed at the model's panel top and height
// less the vertical scroll position. It has no scroll bars of its own; the main window keeps
// it and the clip area at the same vertical position (studio.timeline.vScrollPosition).
#include <map>

#include <QWidget>

#include "session/studio.h"

namespace tqx {

class TrackPanel;

class TrackColumn : public QWidget {
    Q_OBJECT
public:
    static constexpr int kDefaultWidth = 260;
    static constexpr int kMinPanelWidth = 240;
    static constexpr int kMaxPanelWidth = 320;
    static constexpr int kWheelStep = 10;  // pixels per wheel notch

    explicit TrackColumn(Studio& studio, QWidget* parent = nullptr);

    // Follows the project by itself: panels for new tracks, none for removed ones, every panel
    // moved and sized to its row and redrawn; a track's meter when it changes.
    void refresh();
    // Scrolls to y, kept within 0 .. total track height - column height, and stores it in
    // studio.timeline.vScrollPosition.
    void setScroll(int y);
    int scroll() const { return studio_.timeline.vScrollPosition; }

    TrackPanel* panel(int slot) const;
    QWidget* headerStrip() const { return header_; }
    QSize sizeHint() const override { return {kDefaultWidth, 400}; }

signals:
    // The wheel scrolled the column by delta pixels (+10 a notch down, -10 up); the clip
    // area should follow to scroll().
    void wheelScrolled(int delta);
    // The arrow keys selected a track and scrolled the column to show it; the clip area
    // should follow to scroll().
    void trackShown();

protected:
    void wheelEvent(QWheelEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    // Up and Down select the track above or below the selected one and scroll it into view.
    void keyPressEvent(QKeyEvent* event) override;
    // WAVE files dropped on the column import as on the clip canvas.
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void layoutPanels();
    int maxScroll() const;

    void trackChanged(int slot, TrackChange what);
    // Selects the track `step` places below (or above) the selected one in display order.
    void selectNeighbour(int step);
    // Scrolls as little as it takes for the track's whole row to show.
    void showTrack(int slot);

    Studio& studio_;
    QWidget* header_ = nullptr;
    std::map<int, TrackPanel*> panels_;
    int wheelRemainder_ = 0;
    Connection tracksChanged_, replaced_, devicesChanged_, meterChanged_;
};

}  // namespace tqx
