#include "app/clip_view.h"

#include <QFileInfo>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPolygon>

#include "io/exporter.h"
#include "platform/number_format.h"
#include "session/track_commands.h"

namespace tqx {

namespace {

constexpr int kFontPoints = 8;

void strokePolyline(QPainter& p, const std::vector<WavePoint>& points) {
    if (points.size() < 2) return;
    QPolygon poly(static_cast<int>(points.size()));
    for (std::size_t i = 0; i < points.size(); ++i) poly.setPoint(static_cast<int>(i), points[i].x, points[i].y);
    p.drawPolyline(poly);
}

}  // namespace

ClipView::ClipView(Studio& studio, ClipDragState& drag, int slot, QWidget* canvas)
    : QWidget(canvas), studio_(studio), drag_(drag), slot_(slot), clip_(studio.model.clip(slot)) {
    setMouseTracking(true);  // the bottom band shows its pointer without a button down
    setAttribute(Qt::WA_OpaquePaintEvent);
    QFont f = font();
    f.setPointSize(kFontPoints);
    setFont(f);
    place();
}

void ClipView::place() {
    const TMultiWave* c = studio_.model.clip(slot_);
    if (!c) return;
    const Timeline& tl = studio_.timeline;
    const int track = c->GetTrack();
    int top = 0, h = kMinPanelHeight;
    if (studio_.model.trackExists(track)) {
        top = studio_.model.track(track).panelTop;
        h = studio_.model.track(track).panelHeight;
    }
    const QRect want(c->left - tl.hScrollPosition, top - kRulerHeight - tl.vScrollPosition, std::max(1, c->width), h);
    if (geometry() != want) setGeometry(want);
}

void ClipView::paintEvent(QPaintEvent* event) { DrawClipWaveform(event->rect()); }

void ClipView::DrawClipWaveform(const QRect& r) {
    const TMultiWave* c = studio_.model.clip(slot_);
    if (!c) return;
    QPainter p(this);
    const int rRight = r.x() + r.width();  // first column past the area
    const WaveFormat f = c->GetFormat();
    // A missing clip has no audio: a grey box with a red frame, and "ファイルなし" instead of its start.
    const bool missing = c->IsMissing();
    const QColor back = missing ? QColor(208, 208, 208) : palette().color(QPalette::ToolTipBase);

    p.fillRect(r, back);
    if (missing) {
        p.setPen(Qt::red);
        p.drawRect(0, 0, width() - 1, height() - 1);
    }
    const WaveformRows rows = waveformRows(missing ? 0 : f.channels, height());
    if (!rows.centres.empty()) {
        p.setPen(Qt::black);
        for (int y : rows.guides) p.drawLine(r.left(), y, r.right(), y);
        const WaveformInput in = waveformInput(*c, studio_.timeline.TimeScale, studio_.model.ProjectSampleRate);
        const int e = waveformEnd(rRight, c->GetDataSize());
        const QColor colours[2] = {Qt::blue, Qt::red};
        for (std::size_t ch = 0; ch < rows.centres.size(); ++ch) {
            waveformPoints(in, static_cast<int>(ch), rows.centres[ch], rows.divisor, r.left(), e, points_);
            p.setPen(colours[ch]);
            strokePolyline(p, points_);
        }
    }

    p.setPen(QColor(128, 0, 128));
    p.drawLine(r.left(), height() - 1, waveformEnd(rRight, c->GetDataSize()), height() - 1);

    // The play cursor in the inverse of the clip's background, so it shows on any waveform.
    const int cursor = studio_.timeline.CursorX.load() - c->left;
    if (cursor >= r.left() && cursor <= r.right()) {
        p.setPen(QColor(255 - back.red(), 255 - back.green(), 255 - back.blue()));
        p.drawLine(cursor, 0, cursor, height());
    }

    p.setPen(Qt::black);
    p.setBrush(Qt::NoBrush);
    const int fontSize = font().pointSize() > 0 ? font().pointSize() : kFontPoints;
    const QFontMetrics fm(font());
    const QString start = missing ? QString("ファイルなし") : QString::fromStdString(formatFixed(c->GetStartTime(), 3));
    if (QRect(2, 2, fm.horizontalAdvance(start) + 2, fm.height()).intersects(r)) p.drawText(2, 2 + fm.ascent(), start);
    const QString name = QFileInfo(QString::fromStdString(c->FileName())).fileName();
    const int nameTop = height() - 2 * fontSize;
    if (QRect(2, nameTop, fm.horizontalAdvance(name) + 2, fm.height()).intersects(r))
        p.drawText(2, nameTop + fm.ascent(), name);
}

bool ClipView::resizing() const { return cursor().shape() == Qt::SplitVCursor && testAttribute(Qt::WA_SetCursor); }

void ClipView::mousePressEvent(QMouseEvent* event) { ClipMouseDown(event); }
void ClipView::mouseMoveEvent(QMouseEvent* event) { ClipMouseMove(event); }
void ClipView::mouseReleaseEvent(QMouseEvent* event) { ClipMouseUp(event); }
void ClipView::mouseDoubleClickEvent(QMouseEvent*) { ClipDblClick(); }

void ClipView::ClipMouseDown(QMouseEvent* event) {
    const QPoint pos = event->position().toPoint();
    if (event->button() == Qt::LeftButton) {
        if (!resizing()) ClipPress(studio_, drag_, slot_, pos.x());
    } else if (event->button() == Qt::RightButton) {
        ClipSelect(studio_, slot_);
        showPopup(event->globalPosition().toPoint());
    }
}

void ClipView::ClipMouseMove(QMouseEvent* event) {
    if (drag_.heightToggled) return;
    const QPoint pos = event->position().toPoint();
    const bool leftDown = event->buttons() & Qt::LeftButton;
    TrackCommands& tracks = studio_.trackCommands();
    if (pos.y() > height() - kEdgeBand) {
        if (!drag_.dragging) {
            setCursor(Qt::SplitVCursor);
            if (leftDown && !drag_.resizeLatch) drag_.resizeLatch = tracks.ResizeTrackRow(slot_, pos.y());
            if (!leftDown) drag_.resizeLatch = false;
        }
    } else {
        if (!leftDown) {
            unsetCursor();
        } else if (resizing()) {
            tracks.ResizeTrackRow(slot_, pos.y());
            drag_.resizeLatch = false;
        }
    }
    if (drag_.dragging && !resizing() && ClipDragMove(studio_, drag_, slot_, pos.x())) {
        place();
        update();
    }
}

void ClipView::ClipMouseUp(QMouseEvent* event) {
    const int y = event->position().toPoint().y();
    if (resizing()) studio_.trackCommands().ResizeTrackRow(slot_, y);
    drag_.resizeLatch = false;
    ClipDrop(studio_, drag_, slot_, y);
}

void ClipView::ClipDblClick() {
    studio_.trackCommands().ToggleTrackRow(slot_);
    drag_.heightToggled = true;
}

void ClipView::leaveEvent(QEvent* event) {
    ClipMouseLeave();
    QWidget::leaveEvent(event);
}

void ClipView::ClipMouseLeave() { unsetCursor(); }

void ClipView::showPopup(const QPoint& globalPos) {
    if (!menu_) {
        menu_ = new QMenu(this);
        QAction* remove = menu_->addAction("削除(&D)");
        menu_->addSeparator();
        QAction* exportClip = menu_->addAction("エクスポート(&E)");
        // Deleting the clip removes this view; the view goes later, after the menu returns.
        connect(remove, &QAction::triggered, this, [this] { N23Click(studio_); });
        connect(exportClip, &QAction::triggered, this, [this] { studio_.exporter().E1Click(); });
    }
    if (nonBlockingPopup)
        menu_->popup(globalPos);
    else
        menu_->exec(globalPos);
}

}  // namespace tqx
