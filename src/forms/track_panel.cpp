#include "forms/track_panel.h"

#include <QApplication>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QDrag>
#include <QLabel>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>

#include "engine/device_choice.h"
#include "engine/level_meters.h"
#include "forms/meter_images.h"
#include "forms/slider_image.h"
#include "forms/track_icons.h"
#include "io/exporter.h"
#include "io/wave_import.h"
#include "session/studio.h"

namespace tqx {

namespace {

constexpr int kBadgeWidth = 34;
constexpr int kBadgeHeight = 20;
constexpr int kLabelWidth = 31;
constexpr int kLabelHeight = 13;
constexpr int kListHeight = 21;
constexpr int kNameWidth = 80;
constexpr int kNameHeight = 21;

// One drag flag for every slider of the window, as a press on one slider starts a drag
// that only that slider's release ends.
bool sliderDragging = false;
// The track whose icon was pressed last; the icon menu changes its icon.
int iconMenuTarget = -1;

QFont smallFont(int pixels = 10) {
    QFont f = QApplication::font();
    f.setPixelSize(pixels);
    return f;
}

// The 31-pixel labels beside the sliders and lists take a narrower face.
QFont labelFont() {
    QFont f = smallFont(9);
    f.setStretch(QFont::SemiCondensed);
    return f;
}

// Full-width digits, as the icon menu names its entries ("アイコン１３").
QString fullWidthNumber(int n) {
    QString s = QString::number(n);
    for (QChar& c : s) c = QChar(c.unicode() - u'0' + 0xFF10);
    return s;
}

}  // namespace

// --- TrackBadge ---

TrackBadge::TrackBadge(Studio& studio, int slot, QWidget* parent) : QWidget(parent), studio_(studio), slot_(slot) {
    setFixedSize(kBadgeWidth, kBadgeHeight);
    setAcceptDrops(true);
}

bool TrackBadge::selected() const { return studio_.model.SelectedTrack == slot_; }

void TrackBadge::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), selected() ? QColor(0, 0, 255) : QColor(0, 0, 0));
    p.setPen(Qt::white);
    p.setFont(smallFont());
    p.drawText(QRect(2, 2, width() - 2, height() - 2), Qt::AlignLeft | Qt::AlignTop, QString::number(slot_ + 1));
}

void TrackBadge::mousePressEvent(QMouseEvent* e) {
    if (e->button() != Qt::LeftButton) return;
    pressed_ = true;
    pressPos_ = e->position().toPoint();
    if (auto* panel = qobject_cast<TrackPanel*>(parentWidget())) panel->selectByClick();
}

void TrackBadge::mouseMoveEvent(QMouseEvent* e) {
    if (!pressed_ || !(e->buttons() & Qt::LeftButton)) return;
    if ((e->position().toPoint() - pressPos_).manhattanLength() < QApplication::startDragDistance()) return;
    pressed_ = false;
    auto* drag = new QDrag(this);
    auto* mime = new QMimeData;
    mime->setData(kTrackBadgeMimeType, QByteArray::number(slot_));
    drag->setMimeData(mime);
    drag->setPixmap(grab());
    drag->exec(Qt::MoveAction);
}

namespace {
int draggedSlot(const QMimeData* mime) {
    if (!mime || !mime->hasFormat(kTrackBadgeMimeType)) return -1;
    bool ok = false;
    const int slot = mime->data(kTrackBadgeMimeType).toInt(&ok);
    return ok ? slot : -1;
}
}  // namespace

void TrackBadge::dragEnterEvent(QDragEnterEvent* e) {
    const int from = draggedSlot(e->mimeData());
    if (from >= 0 && from != slot_) e->acceptProposedAction();
}

void TrackBadge::dropEvent(QDropEvent* e) {
    const int from = draggedSlot(e->mimeData());
    if (from < 0 || from == slot_) return;
    e->acceptProposedAction();
    studio_.trackCommands().swapTracks(from, slot_);
}

// --- TrackImage ---

void TrackImage::paintEvent(QPaintEvent*) {
    QPainter p(this);
    if (paint) paint(p);
}
void TrackImage::mousePressEvent(QMouseEvent* e) {
    secondClick_ = false;
    if (press) press(e);
}
void TrackImage::mouseMoveEvent(QMouseEvent* e) {
    if (move) move(e);
}
void TrackImage::mouseReleaseEvent(QMouseEvent* e) {
    if (release) release(e);
    secondClick_ = false;
}
void TrackImage::mouseDoubleClickEvent(QMouseEvent* e) {
    secondClick_ = true;
    if (doubleClick)
        doubleClick(e);
    else if (press)
        press(e);
}
void TrackImage::enterEvent(QEnterEvent*) {
    if (enter) enter();
}
void TrackImage::leaveEvent(QEvent*) {
    if (leave) leave();
}

// --- TrackNameField ---

TrackNameField::TrackNameField(QWidget* parent) : QLineEdit(parent) { setEditing(false); }

void TrackNameField::setEditing(bool editing) {
    if (editing_ == editing) return;
    editing_ = editing;
    setFrame(editing);
    QPalette pal = palette();
    pal.setColor(QPalette::Base, editing ? QColor(Qt::white) : pal.color(QPalette::Button));
    setPalette(pal);
}

void TrackNameField::mousePressEvent(QMouseEvent* e) {
    setEditing(true);
    QLineEdit::mousePressEvent(e);
}

void TrackNameField::keyPressEvent(QKeyEvent* e) {
    if ((e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) && editing_) {
        setEditing(false);
        setCursorPosition(0);
        return;
    }
    setEditing(true);
    QLineEdit::keyPressEvent(e);
}

// --- TrackPanel ---

TrackPanel::TrackPanel(Studio& studio, int slot, QWidget* parent)
    : QFrame(parent), studio_(studio), commands_(studio.trackCommands()), slot_(slot) {
    setObjectName(QStringLiteral("Mypanel%1").arg(slot + 1));
    setMouseTracking(true);
    setAutoFillBackground(true);
    buildControls();
    buildMenus();
    sync();
}

void TrackPanel::buildControls() {
    badge = new TrackBadge(studio_, slot_, this);
    badge->move(0, 0);

    innerPanel = new QFrame(this);
    innerPanel->setObjectName(QStringLiteral("Mypanel2_%1").arg(slot_ + 1));
    innerPanel->setFrameStyle(QFrame::Box | QFrame::Plain);
    innerPanel->setLineWidth(1);
    innerPanel->setGeometry(0, kInnerTop, kInnerWidth, kInnerHeight);
    innerPanel->setMouseTracking(true);
    innerPanel->installEventFilter(this);

    icon = new TrackImage(innerPanel);
    icon->setGeometry(2, 2, kTrackIconSize, kTrackIconSize);
    icon->setContextMenuPolicy(Qt::PreventContextMenu);  // the icon has its own menu
    icon->paint = [this](QPainter& p) { p.drawPixmap(0, 0, trackIcon(studio_.model.track(slot_).icon)); };
    icon->press = [this](QMouseEvent* e) {
        iconMenuTarget = slot_;
        iconMenu->popup(e->globalPosition().toPoint());
    };

    meter = new TrackImage(innerPanel);
    meter->setGeometry(icon->geometry().right() + 1 + 6, 2, kTrackMeterWidth, kInnerHeight - 10);
    meter->paint = [this](QPainter& p) {
        p.drawImage(meter->rect(), toQImage(trackMeterImage(studio_.meters().trackMeter(slot_))));
    };
    const int meterRight = meter->geometry().right() + 1;

    nameField = new TrackNameField(innerPanel);
    nameField->setGeometry(meterRight + 4, 2, kNameWidth, kNameHeight);
    connect(nameField, &QLineEdit::textEdited, this, [this](const QString& text) {
        // The field holds at most 255 bytes; a longer text keeps the last accepted name.
        if (!commands_.setName(slot_, text.toStdString())) {
            const int caret = nameField->cursorPosition();
            nameField->setText(QString::fromStdString(studio_.model.track(slot_).name));
            nameField->setCursorPosition(caret - 1);
        }
    });

    const int left = meterRight + 6;
    const int toggleTop = nameField->geometry().bottom() + 1 + 4;
    toggleLeft_ = left;
    toggleTop_ = toggleTop;
    muteToggle = makeToggle(
        "M", 6, left, toggleTop, [](const TrackSlot& t) { return t.muted; }, QColor(0, 0, 255),
        &TrackCommands::toggleMute);
    soloToggle = makeToggle(
        "S", 8, muteToggle->geometry().right() + 1 + 6, toggleTop, [](const TrackSlot& t) { return t.soloed; },
        QColor(0, 128, 0), &TrackCommands::toggleSolo);
    armToggle = makeToggle(
        "R", 8, soloToggle->geometry().right() + 1 + 6, toggleTop, [](const TrackSlot& t) { return t.recordArmed; },
        QColor(255, 0, 0), &TrackCommands::toggleRecordArm);

    const int volumeTop = toggleTop + kToggleHeight + 6;
    volumeSlider = makeSlider(TrackSlider::Volume, volumeTop, volumeLabel);
    panSlider = makeSlider(TrackSlider::Pan, volumeTop + kSliderHeight + 6, panLabel);
    gainSlider = makeSlider(TrackSlider::Gain, volumeTop + 2 * (kSliderHeight + 6), gainLabel);

    const int gainBottom = gainSlider->geometry().bottom() + 1;
    playbackList = new QComboBox(innerPanel);
    playbackList->setGeometry(left, gainBottom + 6, kSliderWidth, kListHeight);
    recordingList = new QComboBox(innerPanel);
    recordingList->setGeometry(left, gainBottom + 6 + kListHeight + 6, kSliderWidth, kListHeight);
    for (QComboBox* list : {playbackList, recordingList}) {
        list->setFont(smallFont());
        list->setFocusPolicy(Qt::StrongFocus);
        list->installEventFilter(this);
    }
    connect(playbackList, &QComboBox::activated, this,
            [this](int index) { studio_.deviceChoice().setTrackPlaybackDevice(slot_, index); });
    connect(recordingList, &QComboBox::activated, this,
            [this](int index) { studio_.deviceChoice().setTrackRecordingDevice(slot_, index); });

    auto makeLabel = [this](const char* text, int left, int top) {
        auto* label = new QLabel(text, innerPanel);
        label->setFont(labelFont());
        label->setGeometry(left, top, kLabelWidth, kLabelHeight);
        return label;
    };
    const int labelLeft = left + kSliderWidth + 2;
    playLabel = makeLabel("Play", labelLeft, gainBottom + 10);
    recLabel = makeLabel("Rec", labelLeft, playbackList->geometry().bottom() + 1 + 10);
    fillDeviceLists();
}

TrackImage* TrackPanel::makeToggle(const char* letter, int letterX, int left, int top, bool (*on)(const TrackSlot&),
                                   QColor onColour, void (TrackCommands::*flip)(int)) {
    auto* toggle = new TrackImage(innerPanel);
    toggle->setGeometry(left, top, kToggleWidth, kToggleHeight);
    toggle->paint = [this, letter, letterX, on, onColour](QPainter& p) {
        p.drawPixmap(0, 0, toggleButtonPicture());
        QFont f = QApplication::font();
        f.setPointSize(12);
        f.setBold(true);
        p.setFont(f);
        p.setPen(on(studio_.model.track(slot_)) ? onColour : QColor(Qt::black));
        p.drawText(QRect(letterX, 2, kToggleWidth, kToggleHeight), Qt::AlignLeft | Qt::AlignTop,
                   QString::fromLatin1(letter));
    };
    toggle->release = [this, toggle, flip](QMouseEvent* e) {
        // A double click is one click on a toggle, not two.
        if (e->button() == Qt::LeftButton && !toggle->secondClick() && toggle->rect().contains(e->position().toPoint()))
            (commands_.*flip)(slot_);
    };
    return toggle;
}

TrackImage* TrackPanel::makeSlider(TrackSlider kind, int top, QLabel*& label) {
    auto* slider = new TrackImage(innerPanel);
    const int left = meter->geometry().right() + 1 + 6;
    slider->setGeometry(left, top, kSliderWidth, kSliderHeight);
    label = new QLabel(TrackCommands::sliderName(kind), innerPanel);
    label->setFont(labelFont());
    label->setGeometry(left + kSliderWidth + 2, top, kLabelWidth, kLabelHeight);

    QLabel* text = label;
    auto showValue = [this, kind, text] {
        text->setText(QString::fromStdString(TrackCommands::sliderText(kind, commands_.sliderValue(slot_, kind))));
    };
    auto showName = [kind, text] { text->setText(TrackCommands::sliderName(kind)); };

    slider->paint = [this, kind](QPainter& p) {
        p.drawImage(0, 0, toQImage(trackSliderImage(kind, commands_.sliderPosition(slot_, kind))));
    };
    slider->enter = showValue;
    slider->leave = showName;
    slider->press = [](QMouseEvent* e) {
        if (e->button() == Qt::LeftButton) sliderDragging = true;
    };
    slider->move = [this, kind, showValue](QMouseEvent* e) {
        if (!sliderDragging) return;
        const int p = static_cast<int>(e->position().x());
        if (p < 0 || p > kSliderWidth) return;  // past either end the last value stays
        commands_.setSliderPosition(slot_, kind, p);
        showValue();
    };
    slider->release = [showName](QMouseEvent*) {
        if (!sliderDragging) return;
        showName();
        sliderDragging = false;
    };
    if (kind == TrackSlider::Pan) {
        slider->doubleClick = [this, text](QMouseEvent* e) {
            if (e->button() != Qt::LeftButton) return;
            commands_.resetPan(slot_);
            text->setText("center");
        };
    } else if (kind == TrackSlider::Gain) {
        slider->doubleClick = [this, text](QMouseEvent* e) {
            if (e->button() != Qt::LeftButton) return;
            commands_.resetGain(slot_);
            text->setText(TrackCommands::kGainResetText);
        };
    }
    return slider;
}

void TrackPanel::buildMenus() {
    trackMenu = new QMenu(this);
    importAction = trackMenu->addAction("オーディオファイルのインポート(&I)...");
    exportAction = trackMenu->addAction("オーディオファイルのエクスポート(&E)...");
    deleteAction = trackMenu->addAction("削除(&D)");
    connect(importAction, &QAction::triggered, this, [this] { studio_.importer().N17Click(); });
    connect(exportAction, &QAction::triggered, this, [this] { studio_.exporter().N25Click(); });
    connect(deleteAction, &QAction::triggered, this, [this] { studio_.trackCommands().deleteSelectedTrack(); });

    iconMenu = new QMenu(this);
    for (int tag = 1; tag <= kTrackIconCount; ++tag) {
        QAction* a = iconMenu->addAction(QIcon(trackIcon(tag - 1)), "アイコン" + fullWidthNumber(tag));
        a->setData(tag);
        Studio* studio = &studio_;
        connect(a, &QAction::triggered, this, [studio, tag] {
            if (iconMenuTarget >= 0) studio->trackCommands().setIcon(iconMenuTarget, tag - 1);
        });
    }
}

void TrackPanel::fillDeviceLists() {
    DeviceChoice& devices = studio_.deviceChoice();
    const TrackSlot& t = studio_.model.track(slot_);
    auto fill = [](QComboBox* list, const std::vector<std::string>& items, int selected, bool enabled) {
        QStringList texts;
        for (const auto& s : items) texts << QString::fromStdString(s);
        QStringList current;
        for (int i = 0; i < list->count(); ++i) current << list->itemText(i);
        if (current != texts) {
            list->clear();
            list->addItems(texts);
        }
        list->setCurrentIndex(selected);
        list->setEnabled(enabled);
    };
    fill(playbackList, devices.outputItems(), devices.outputItemOf(t.playbackDevice),
         devices.trackPlaybackListsEnabled());
    fill(recordingList, devices.inputItems(), devices.inputItemOf(t.recordingDevice),
         devices.trackRecordingListsEnabled());
}

void TrackPanel::sync() {
    if (!studio_.model.trackExists(slot_)) return;
    const QString name = QString::fromStdString(studio_.model.track(slot_).name);
    if (nameField->text() != name) nameField->setText(name);
    fillDeviceLists();
    for (QWidget* w : std::initializer_list<QWidget*>{badge, icon, meter, muteToggle, soloToggle, armToggle,
                                                      volumeSlider, panSlider, gainSlider})
        w->update();
}

void TrackPanel::syncMeter() { meter->update(); }

void TrackPanel::selectByClick() {
    commands_.selectTrack(slot_);
    if (parentWidget()) parentWidget()->setFocus(Qt::MouseFocusReason);
}

void TrackPanel::mousePressEvent(QMouseEvent* e) {
    if (e->button() == Qt::LeftButton) selectByClick();
}

void TrackPanel::mouseMoveEvent(QMouseEvent* e) {
    if (heightToggled_) return;
    const int y = static_cast<int>(e->position().y());
    const bool left = e->buttons() & Qt::LeftButton;
    if (inEdgeZone(y)) {
        setCursor(Qt::SplitVCursor);
        if (!left) {
            resizeLatch_ = false;
        } else if (!resizeLatch_) {
            if (y > kMaxPanelHeight) resizeLatch_ = true;
            commands_.resizePanel(slot_, y);
        }
    } else if (!left) {
        unsetCursor();
    } else if (cursor().shape() == Qt::SplitVCursor) {
        commands_.resizePanel(slot_, y);
        resizeLatch_ = false;
    }
}

void TrackPanel::mouseReleaseEvent(QMouseEvent* e) {
    if (!heightToggled_ && cursor().shape() == Qt::SplitVCursor)
        commands_.resizePanel(slot_, static_cast<int>(e->position().y()));
    heightToggled_ = false;
}

void TrackPanel::mouseDoubleClickEvent(QMouseEvent* e) {
    if (e->button() != Qt::LeftButton) return;
    selectByClick();
    commands_.togglePanelFold(slot_);
    heightToggled_ = true;
}

void TrackPanel::leaveEvent(QEvent*) { unsetCursor(); }

void TrackPanel::resizeEvent(QResizeEvent* e) {
    QFrame::resizeEvent(e);
    placeToggles();
}

void TrackPanel::placeToggles() {
    // A row too low for the toggles' place under the name (a folded one) shows them on the
    // badge's row instead, so mute, solo and arm stay in reach.
    const bool low = height() < kInnerTop + toggleTop_ + kToggleHeight;
    QWidget* parent = low ? static_cast<QWidget*>(this) : innerPanel;
    int left = low ? kBadgeWidth + 6 : toggleLeft_;
    for (TrackImage* toggle : {muteToggle, soloToggle, armToggle}) {
        if (toggle->parentWidget() != parent) {
            toggle->setParent(parent);
            toggle->show();
        }
        toggle->QWidget::move(left, low ? 0 : toggleTop_);
        left += kToggleWidth + 6;
    }
}

bool TrackPanel::eventFilter(QObject* watched, QEvent* event) {
    if (watched == innerPanel) {
        switch (event->type()) {
            case QEvent::MouseButtonPress:
                if (static_cast<QMouseEvent*>(event)->button() == Qt::RightButton) commands_.selectTrack(slot_);
                break;
            case QEvent::MouseMove: nameField->setEditing(false); break;
            case QEvent::ContextMenu:
                // The menu acts on SelectedTrack; a right click anywhere on this panel makes
                // that this track, so "削除(&D)" never removes another one.
                commands_.selectTrack(slot_);
                trackMenu->popup(static_cast<QContextMenuEvent*>(event)->globalPos());
                return true;
            default: break;
        }
        return false;
    }
    // The device lists change only while they have the focus; otherwise the wheel scrolls
    // the track column.
    if (event->type() == QEvent::Wheel) {
        auto* list = qobject_cast<QComboBox*>(watched);
        if (list && !list->hasFocus()) {
            if (parentWidget()) QApplication::sendEvent(parentWidget(), event);
            return true;
        }
    }
    return false;
}

}  // namespace tqx
