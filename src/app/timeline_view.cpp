#include "app/timeline_view.h"

#include <algorithm>

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyle>
#include <QWheelEvent>

#include "app/clip_view.h"
#include "app/ruler_painter.h"
#include "app/wave_drop.h"
#include "engine/transport.h"

namespace tqx {

// ---------------------------------------------------------------- rulers

RulerStrip::RulerStrip(Studio& studio, QWidget* parent) : QWidget(parent), studio_(studio) {
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void RulerStrip::paintEvent(QPaintEvent* event) {
    QPainter p(this);
    paintRuler(p, event->rect(), width(), height(), studio_.timeline.TimeScale, studio_.model.ProjectSampleRate,
               studio_.timeline.hScrollPosition);
}

// A press on a ruler moves the cursor line only; the play position stays.
void RulerStrip::mousePressEvent(QMouseEvent* event) {
    studio_.timeline.CursorX = std::max(0, event->position().toPoint().x() + studio_.timeline.hScrollPosition);
    studio_.timeline.cursorMoved();
}

// ---------------------------------------------------------------- canvas

ClipCanvas::ClipCanvas(Studio& studio, QWidget* parent) : QWidget(parent), studio_(studio) {
    setAcceptDrops(true);
    setAutoFillBackground(true);
}

void ClipCanvas::paintEvent(QPaintEvent* event) {
    QPainter p(this);
    const int x = studio_.timeline.CursorX.load() - studio_.timeline.hScrollPosition;
    drawnCursor_ = x;
    if (x < event->rect().left() || x > event->rect().right()) return;
    p.setPen(Qt::black);
    p.drawLine(x, 0, x, event->rect().bottom());
}

void ClipCanvas::repaintColumn(int x) {
    if (x < 0 || x >= width()) return;
    update(x, 0, 1, height());
    for (ClipView* v : findChildren<ClipView*>(Qt::FindDirectChildrenOnly))
        if (x >= v->x() && x < v->x() + v->width()) v->update(x - v->x(), 0, 1, v->height());
}

void ClipCanvas::cursorMoved() {
    const int x = studio_.timeline.CursorX.load() - studio_.timeline.hScrollPosition;
    if (x == drawnCursor_) return;
    repaintColumn(drawnCursor_);
    repaintColumn(x);
    drawnCursor_ = x;
}

void ClipCanvas::mousePressEvent(QMouseEvent* event) {
    parentWidget()->setFocus(Qt::MouseFocusReason);
    if (event->button() != Qt::LeftButton) return;
    // The column under the pointer, whatever the scroll position.
    studio_.transport().canvasClick(event->position().toPoint().x() + studio_.timeline.hScrollPosition);
}

void ClipCanvas::dragEnterEvent(QDragEnterEvent* event) { acceptWaveDrag(event); }

void ClipCanvas::dragMoveEvent(QDragMoveEvent* event) { acceptWaveDrag(event); }

void ClipCanvas::dropEvent(QDropEvent* event) { importWaveDrop(studio_, event); }

// ---------------------------------------------------------------- clip area

TimelineView::TimelineView(Studio& studio, QWidget* parent) : QWidget(parent), studio_(studio) {
    setFocusPolicy(Qt::ClickFocus);
    ruler_ = new RulerStrip(studio_, this);
    canvas_ = new ClipCanvas(studio_, this);
    hBar_ = new QScrollBar(Qt::Horizontal, this);
    vBar_ = new QScrollBar(Qt::Vertical, this);
    connect(hBar_, &QScrollBar::valueChanged, this, [this](int x) { setHScroll(x); });
    connect(vBar_, &QScrollBar::valueChanged, this, [this](int y) {
        if (y == studio_.timeline.vScrollPosition) return;
        setVScroll(y);
        emit verticalScrolled(studio_.timeline.vScrollPosition);
    });
    resize(600, 400);
    syncClips();
    tracksChanged_ = studio_.model.trackChanged.connect([this](int, TrackChange) { RelayoutClips(); });
    clipsChanged_ = studio_.model.clipChanged.connect([this](int, ClipChange) { RelayoutClips(); });
    replaced_ = studio_.model.replaced.connect([this] { RelayoutClips(); });
    scaleChanged_ = studio_.timeline.scaleChanged.connect([this] { RelayoutClips(); });
    cursorMoved_ = studio_.timeline.cursorMoved.connect([this] { followCursor(); });
}

ClipView* TimelineView::clipView(int slot) const {
    const auto it = views_.find(slot);
    return it == views_.end() ? nullptr : it->second;
}

void TimelineView::RelayoutClips() {
    syncClips();
    repaintAll();
}

void TimelineView::followCursor() {
    syncBars();
    if (placedHScroll_ != studio_.timeline.hScrollPosition) {
        placeClips();
        repaintAll();
    } else {
        canvas_->cursorMoved();
    }
}

void TimelineView::syncClips() {
    const ProjectModel& m = studio_.model;
    for (auto it = views_.begin(); it != views_.end();) {
        const TMultiWave* c = m.clip(it->first);
        if (c && c == it->second->clip() && c->onTimeline) {
            ++it;
            continue;
        }
        // The clip may be going from inside this view's own popup menu.
        it->second->hide();
        it->second->deleteLater();
        it = views_.erase(it);
    }
    for (int slot : m.clipSlots()) {
        if (!m.clip(slot)->onTimeline || views_.count(slot)) continue;
        auto* v = new ClipView(studio_, drag_, slot, canvas_);
        v->show();
        views_[slot] = v;
    }
    syncBars();
    placeClips();
}

void TimelineView::placeClips() {
    studio_.timeline.vScrollPosition = std::clamp(studio_.timeline.vScrollPosition, 0, maxVScroll());
    for (auto& [slot, v] : views_) {
        v->place();
        v->update();
    }
    placedHScroll_ = studio_.timeline.hScrollPosition;
}

int TimelineView::maxVScroll() const {
    // The same limit as the track column's, so both always show the same rows.
    return std::max(0, studio_.model.totalTrackHeight() - height());
}

void TimelineView::syncBars() {
    const Timeline& tl = studio_.timeline;
    QSignalBlocker hb(hBar_), vb(vBar_);
    // The play line may run past the laid-out range while recording; the bar follows it.
    hBar_->setRange(0, std::max({0, tl.hScrollRange - tl.viewWidth, tl.hScrollPosition}));
    hBar_->setPageStep(std::max(1, tl.viewWidth));
    hBar_->setSingleStep(20);
    hBar_->setValue(tl.hScrollPosition);
    vBar_->setRange(0, maxVScroll());
    vBar_->setPageStep(std::max(1, canvas_->height()));
    vBar_->setSingleStep(kWheelStep);
    vBar_->setValue(tl.vScrollPosition);
}

void TimelineView::repaintAll() {
    ruler_->update();
    canvas_->update();
    if (fixedRuler_) fixedRuler_->update();
}

void TimelineView::setVScroll(int y) {
    studio_.timeline.vScrollPosition = std::clamp(y, 0, maxVScroll());
    syncBars();
    placeClips();
    canvas_->update();
}

void TimelineView::setHScroll(int x) {
    Timeline& tl = studio_.timeline;
    x = std::max(0, x);
    if (x == tl.hScrollPosition && x == placedHScroll_) return;
    tl.hScrollPosition = x;
    syncBars();
    placeClips();
    repaintAll();
}

void TimelineView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    const int bar = style()->pixelMetric(QStyle::PM_ScrollBarExtent);
    const int w = std::max(0, width() - kLeftEdge - bar);
    const int canvasHeight = std::max(0, height() - kRulerHeight - bar);
    ruler_->setGeometry(kLeftEdge, 0, w, kRulerHeight);
    canvas_->setGeometry(kLeftEdge, kRulerHeight, w, canvasHeight);
    vBar_->setGeometry(kLeftEdge + w, kRulerHeight, bar, canvasHeight);
    hBar_->setGeometry(kLeftEdge, kRulerHeight + canvasHeight, w, bar);
    // The transport turns pages by this width while playing.
    studio_.timeline.viewWidth = std::max(1, w);
    syncBars();
    if (!studio_.closing) {
        placeClips();
        repaintAll();
    }
}

void TimelineView::wheelEvent(QWheelEvent* event) {
    wheelRemainder_ += event->angleDelta().y();
    const int notches = wheelRemainder_ / QWheelEvent::DefaultDeltasPerStep;
    wheelRemainder_ -= notches * QWheelEvent::DefaultDeltasPerStep;
    event->accept();
    if (notches == 0) return;
    setVScroll(studio_.timeline.vScrollPosition - notches * kWheelStep);  // down: later rows
    emit verticalScrolled(studio_.timeline.vScrollPosition);
}

void TimelineView::mousePressEvent(QMouseEvent* event) {
    setFocus(Qt::MouseFocusReason);
    // Outside the canvas the cursor line moves, the play position does not.
    studio_.timeline.CursorX =
        std::max(0, event->position().toPoint().x() - kLeftEdge + studio_.timeline.hScrollPosition);
    studio_.timeline.cursorMoved();
}

}  // namespace tqx
