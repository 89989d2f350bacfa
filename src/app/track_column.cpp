#include "app/track_column.h"

#include <algorithm>

#include <QDragEnterEvent>
#include <QKeyEvent>
#include <QPainter>
#include <QWheelEvent>

#include "app/wave_drop.h"
#include "engine/device_choice.h"
#include "engine/level_meters.h"
#include "forms/track_panel.h"

namespace tqx {

namespace {

class HeaderStrip : public QWidget {
public:
    using QWidget::QWidget;

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.fillRect(rect(), palette().color(QPalette::Button));
        p.setPen(Qt::black);
        p.drawRect(rect().adjusted(0, 0, -1, -1));
    }
};

}  // namespace

TrackColumn::TrackColumn(Studio& studio, QWidget* parent) : QWidget(parent), studio_(studio) {
    setFocusPolicy(Qt::ClickFocus);
    setAcceptDrops(true);
    header_ = new HeaderStrip(this);
    resize(kDefaultWidth, 400);
    refresh();
    tracksChanged_ =
        studio_.model.trackChanged.connect([this](int slot, TrackChange what) { trackChanged(slot, what); });
    replaced_ = studio_.model.replaced.connect([this] { refresh(); });
    devicesChanged_ = studio_.deviceChoice().changed.connect([this] { refresh(); });
    meterChanged_ = studio_.meters().trackMeterChanged.connect([this](int slot) {
        if (TrackPanel* p = panel(slot)) p->syncMeter();
    });
}

void TrackColumn::trackChanged(int slot, TrackChange what) {
    TrackPanel* p = panel(slot);
    if ((what == TrackChange::Values || what == TrackChange::Named) && p)
        p->sync();
    else
        refresh();
}

TrackPanel* TrackColumn::panel(int slot) const {
    const auto it = panels_.find(slot);
    return it == panels_.end() ? nullptr : it->second;
}

void TrackColumn::refresh() {
    const ProjectModel& m = studio_.model;
    for (auto it = panels_.begin(); it != panels_.end();) {
        if (m.trackExists(it->first)) {
            ++it;
            continue;
        }
        // Removal may come from one of the panel's own menu commands: let the handler
        // return before the panel goes.
        it->second->hide();
        it->second->deleteLater();
        it = panels_.erase(it);
    }
    for (int s = 0; s < kUsableTrackSlots; ++s) {
        if (!m.trackExists(s)) continue;
        TrackPanel*& p = panels_[s];
        if (!p) {
            p = new TrackPanel(studio_, s, this);
            p->show();
        } else {
            p->sync();
        }
    }
    layoutPanels();
}

int TrackColumn::maxScroll() const { return std::max(0, studio_.model.totalTrackHeight() - height()); }

void TrackColumn::setScroll(int y) {
    studio_.timeline.vScrollPosition = std::clamp(y, 0, maxScroll());
    layoutPanels();
}

void TrackColumn::layoutPanels() {
    int& scroll = studio_.timeline.vScrollPosition;
    scroll = std::clamp(scroll, 0, maxScroll());
    const int panelWidth = std::clamp(width(), kMinPanelWidth, kMaxPanelWidth);
    header_->setGeometry(0, -scroll, width(), kRulerHeight);
    for (auto& [slot, p] : panels_) {
        const TrackSlot& t = studio_.model.track(slot);
        p->setGeometry(0, t.panelTop - scroll, panelWidth, t.panelHeight);
    }
}

void TrackColumn::wheelEvent(QWheelEvent* event) {
    wheelRemainder_ += event->angleDelta().y();
    const int notches = wheelRemainder_ / QWheelEvent::DefaultDeltasPerStep;
    wheelRemainder_ -= notches * QWheelEvent::DefaultDeltasPerStep;
    event->accept();
    if (notches == 0) return;
    const int delta = -notches * kWheelStep;  // wheel down scrolls toward the later tracks
    setScroll(scroll() + delta);
    emit wheelScrolled(delta);
}

void TrackColumn::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    layoutPanels();
}

void TrackColumn::mousePressEvent(QMouseEvent* event) {
    setFocus(Qt::MouseFocusReason);
    QWidget::mousePressEvent(event);
}

void TrackColumn::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Up || event->key() == Qt::Key_Down) {
        selectNeighbour(event->key() == Qt::Key_Down ? 1 : -1);
        event->accept();
        return;
    }
    QWidget::keyPressEvent(event);
}

void TrackColumn::selectNeighbour(int step) {
    const std::deque<TrackOrderEntry> order = studio_.model.buildOrderedTrackList();
    if (order.empty()) return;
    const auto current = std::find_if(order.begin(), order.end(),
                                      [&](const TrackOrderEntry& e) { return e.slot == studio_.model.SelectedTrack; });
    // Without a selection the first key picks the first track.
    std::ptrdiff_t index = 0;
    if (current != order.end())
        index = std::clamp<std::ptrdiff_t>((current - order.begin()) + step, 0, std::ssize(order) - 1);
    const int slot = order[static_cast<std::size_t>(index)].slot;
    if (slot != studio_.model.SelectedTrack) studio_.trackCommands().selectTrack(slot);
    showTrack(slot);
}

void TrackColumn::showTrack(int slot) {
    const TrackSlot& t = studio_.model.track(slot);
    int y = scroll();
    if (t.panelTop + t.panelHeight > y + height()) y = t.panelTop + t.panelHeight - height();
    if (t.panelTop - kRulerHeight < y) y = t.panelTop - kRulerHeight;  // the header strip stays in sight
    if (y == scroll()) return;
    setScroll(y);
    emit trackShown();
}

void TrackColumn::dragEnterEvent(QDragEnterEvent* event) { acceptWaveDrag(event); }

void TrackColumn::dragMoveEvent(QDragMoveEvent* event) { acceptWaveDrag(event); }

void TrackColumn::dropEvent(QDropEvent* event) { importWaveDrop(studio_, event); }

}  // namespace tqx
