// Track panels in their column: sliders, resizing, selection colour, deletion, swapping by
// dragging the number badge, and the column's scrolling.
#include "forms/track_panel.h"

#include <QComboBox>
#include <QLabel>
#include <QMenu>
#include <QMimeData>
#include <QSignalSpy>
#include <QtTest>

#include "app/track_column.h"
#include "audio/no_audio_system.h"
#include "platform/event_sink.h"
#include "platform/scripted_dialogs.h"
#include "platform/timer_service.h"

using namespace tqx;

namespace {

void sendMouse(QWidget* w, QEvent::Type type, QPoint pos, Qt::MouseButton button, Qt::MouseButtons buttons) {
    QMouseEvent e(type, QPointF(pos), w->mapToGlobal(QPointF(pos)), button, buttons, Qt::NoModifier);
    QApplication::sendEvent(w, &e);
}
void press(QWidget* w, QPoint pos) { sendMouse(w, QEvent::MouseButtonPress, pos, Qt::LeftButton, Qt::LeftButton); }
void dragTo(QWidget* w, QPoint pos) { sendMouse(w, QEvent::MouseMove, pos, Qt::NoButton, Qt::LeftButton); }
void hoverTo(QWidget* w, QPoint pos) { sendMouse(w, QEvent::MouseMove, pos, Qt::NoButton, Qt::NoButton); }
void release(QWidget* w, QPoint pos) { sendMouse(w, QEvent::MouseButtonRelease, pos, Qt::LeftButton, Qt::NoButton); }

QColor pixel(QWidget* w, QPoint at) { return w->grab().toImage().pixelColor(at); }

int pixelsOf(QWidget* w, QColor colour) {
    const QImage image = w->grab().toImage();
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) n += image.pixelColor(x, y) == colour;
    return n;
}

}  // namespace

class TrackPanelTest : public QObject {
    Q_OBJECT

    ScriptedDialogs dialogs;
    NoAudioSystem audio;
    ManualTimerService timer;
    QueuedEventSink events;
    std::unique_ptr<Studio> studio;
    std::unique_ptr<TrackColumn> column;

    void createTracks(int n) {
        for (int i = 0; i < n; ++i) studio->trackCommands().createTrack();
    }

private slots:
    void init() {
        dialogs.shown.clear();
        studio = std::make_unique<Studio>(Platform{dialogs, audio, timer, events});
        column = std::make_unique<TrackColumn>(*studio);
        column->resize(TrackColumn::kDefaultWidth, 300);
        column->show();
    }
    void cleanup() {
        column.reset();
        studio.reset();
    }

    void slidersStoreWhatTheDragShows() {
        createTracks(1);
        TrackPanel* p = column->panel(0);
        QVERIFY(p);
        const TrackSlot& t = studio->model.track(0);
        QCOMPARE(p->panLabel->text(), QString("Pan"));

        press(p->panSlider, {10, 5});
        dragTo(p->panSlider, {25, 5});
        QCOMPARE(p->panLabel->text(), QString("L0.50"));
        QCOMPARE(t.pan, -0.5f);
        dragTo(p->panSlider, {50, 5});
        QCOMPARE(p->panLabel->text(), QString("center"));
        QCOMPARE(t.pan, 0.0f);
        // Only the centre column is lit, darkest at the centre.
        QCOMPARE(pixel(p->panSlider, {50, 5}), QColor(0, 0, 150));
        QCOMPARE(pixel(p->panSlider, {49, 5}), QColor(0, 80, 150));
        dragTo(p->panSlider, {99, 5});
        dragTo(p->panSlider, {150, 5});  // past the right end: the last value stays
        QCOMPARE(p->panLabel->text(), QString("R0.98"));
        release(p->panSlider, {150, 5});
        QCOMPARE(p->panLabel->text(), QString("Pan"));
        // Moving without a press changes nothing.
        dragTo(p->panSlider, {10, 5});
        QCOMPARE(p->panLabel->text(), QString("Pan"));

        press(p->volumeSlider, {80, 5});
        dragTo(p->volumeSlider, {57, 5});
        QCOMPARE(p->volumeLabel->text(), QString("0.57"));
        release(p->volumeSlider, {57, 5});
        QCOMPARE(pixel(p->volumeSlider, {56, 5}), QColor(0, 255 * 56 / 100, 0));
        QCOMPARE(pixel(p->volumeSlider, {57, 5}), QColor(0, 80, 0));

        press(p->gainSlider, {50, 5});
        dragTo(p->gainSlider, {25, 5});
        QCOMPARE(p->gainLabel->text(), QString("-2.5dB"));
        release(p->gainSlider, {25, 5});
        QTest::mouseDClick(p->gainSlider, Qt::LeftButton, {}, {25, 5});
        QCOMPARE(t.gain, 0.0f);
        QCOMPARE(p->gainLabel->text(), QString(TrackCommands::kGainResetText));
        QCOMPARE(pixel(p->gainSlider, {25, 5}), QColor(150, 80, 0));
    }

    void bottomEdgeDragClampsTheRow() {
        createTracks(2);
        TrackPanel* p = column->panel(0);
        const int x = 230;  // right of the inner panel, on the panel itself
        hoverTo(p, {x, 48});
        QCOMPARE(p->cursor().shape(), Qt::SplitVCursor);
        press(p, {x, 48});
        dragTo(p, {x, 120});
        QCOMPARE(p->height(), 120);
        QCOMPARE(column->panel(1)->y(), p->y() + 130);  // the next panel follows
        dragTo(p, {x, 400});
        QCOMPARE(p->height(), kMaxPanelHeight);
        // Held at the largest height, further moves in the edge band do nothing...
        dragTo(p, {x, 218});
        QCOMPARE(p->height(), kMaxPanelHeight);
        // ...until the pointer goes above the band.
        dragTo(p, {x, 10});
        QCOMPARE(p->height(), kMinPanelHeight);
        release(p, {x, 10});
        QCOMPARE(studio->model.track(0).panelHeight, kMinPanelHeight);

        // A double click folds and unfolds; the release that follows resizes nothing.
        QTest::mouseDClick(p, Qt::LeftButton, {}, {x, 10});
        QCOMPARE(p->height(), kMaxPanelHeight);
        QCOMPARE(studio->model.SelectedTrack, 0);
    }

    void badgeShowsTheSelectedTrack() {
        createTracks(2);
        TrackPanel* a = column->panel(0);
        TrackPanel* b = column->panel(1);
        const QPoint inside(30, 15);  // clear of the number
        QCOMPARE(pixel(a->badge, inside), QColor(0, 0, 0));
        QTest::mouseClick(a->badge, Qt::LeftButton, {}, {5, 5});
        QCOMPARE(pixel(a->badge, inside), QColor(0, 0, 255));
        QCOMPARE(pixel(b->badge, inside), QColor(0, 0, 0));
        QCOMPARE(column->focusWidget(), column.get());
        // A right press on the inner panel selects as well.
        sendMouse(b->innerPanel, QEvent::MouseButtonPress, {200, 160}, Qt::RightButton, Qt::RightButton);
        QCOMPARE(pixel(a->badge, inside), QColor(0, 0, 0));
        QCOMPARE(pixel(b->badge, inside), QColor(0, 0, 255));
    }

    void togglesLightTheirLetter() {
        createTracks(1);
        TrackPanel* p = column->panel(0);
        QCOMPARE(pixelsOf(p->muteToggle, QColor(0, 0, 255)), 0);
        QTest::mouseClick(p->muteToggle, Qt::LeftButton);
        QVERIFY(studio->model.track(0).muted);
        QVERIFY(pixelsOf(p->muteToggle, QColor(0, 0, 255)) > 10);
        QTest::mouseClick(p->soloToggle, Qt::LeftButton);
        QVERIFY(studio->model.AnySolo);
        QVERIFY(pixelsOf(p->soloToggle, QColor(0, 128, 0)) > 10);
        QTest::mouseClick(p->armToggle, Qt::LeftButton);
        QVERIFY(pixelsOf(p->armToggle, QColor(255, 0, 0)) > 10);
        QTest::mouseClick(p->muteToggle, Qt::LeftButton);
        QCOMPARE(pixelsOf(p->muteToggle, QColor(0, 0, 255)), 0);
        // A double click (click, double click, release) counts once.
        QTest::mouseClick(p->muteToggle, Qt::LeftButton);
        QTest::mouseDClick(p->muteToggle, Qt::LeftButton);
        QTest::mouseRelease(p->muteToggle, Qt::LeftButton);
        QVERIFY(studio->model.track(0).muted);
    }

    void iconMenuChangesThePressedTracksIcon() {
        createTracks(2);
        TrackPanel* p = column->panel(1);
        const QImage before = p->icon->grab().toImage();
        QTest::mousePress(p->icon, Qt::LeftButton);
        const QList<QAction*> entries = p->iconMenu->actions();
        QCOMPARE(entries.size(), 13);
        QCOMPARE(entries.first()->text(), QString("アイコン１"));
        QCOMPARE(entries.last()->text(), QString("アイコン１３"));
        QVERIFY(!entries.last()->icon().isNull());
        p->iconMenu->hide();
        // Any panel's menu acts on the track whose icon was pressed.
        column->panel(0)->iconMenu->actions().at(12)->trigger();
        QCOMPARE(studio->model.track(1).icon, 12);
        QCOMPARE(studio->model.track(0).icon, 1);
        QVERIFY(p->icon->grab().toImage() != before);
    }

    void deletingAnUntouchedTrackAsksNothing() {
        createTracks(3);
        TrackPanel* p = column->panel(1);
        sendMouse(p->innerPanel, QEvent::MouseButtonPress, {200, 160}, Qt::RightButton, Qt::RightButton);
        p->deleteAction->trigger();
        QVERIFY(dialogs.shown.empty());
        QVERIFY(!studio->model.trackExists(1));
        QVERIFY(!column->panel(1));
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        // The last panel moved up into the freed row.
        QCOMPARE(column->panel(2)->y(), kRulerHeight + 60);
    }

    void droppedBadgeSwapsTracks() {
        createTracks(3);
        TrackPanel* target = column->panel(2);
        QMimeData mime;
        mime.setData(kTrackBadgeMimeType, "0");
        QDragEnterEvent enter({5, 5}, Qt::MoveAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(target->badge, &enter);
        QVERIFY(enter.isAccepted());
        QDropEvent drop(QPointF(5, 5), Qt::MoveAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(target->badge, &drop);
        QCOMPARE(column->panel(2)->y(), kRulerHeight);
        QCOMPARE(column->panel(0)->y(), kRulerHeight + 120);

        // Anything but a badge is refused.
        QMimeData text;
        text.setText("0");
        QDragEnterEvent other({5, 5}, Qt::MoveAction, &text, Qt::LeftButton, Qt::NoModifier);
        other.setAccepted(false);
        QApplication::sendEvent(target->badge, &other);
        QVERIFY(!other.isAccepted());
    }

    void nameFieldLooksFlatUntilEdited() {
        createTracks(1);
        TrackPanel* p = column->panel(0);
        QCOMPARE(p->nameField->text(), QString("トラック1"));
        QVERIFY(!p->nameField->editing());
        QTest::mouseClick(p->nameField, Qt::LeftButton);
        QVERIFY(p->nameField->editing());
        p->nameField->selectAll();
        QTest::keyClicks(p->nameField, "Bass");
        QCOMPARE(studio->model.track(0).name, std::string("Bass"));
        QTest::keyClick(p->nameField, Qt::Key_Return);
        QVERIFY(!p->nameField->editing());
        QCOMPARE(p->nameField->cursorPosition(), 0);
    }

    void wheelScrollsTheColumn() {
        createTracks(8);
        QSignalSpy spy(column.get(), &TrackColumn::wheelScrolled);
        QWheelEvent down(QPointF(100, 100), column->mapToGlobal(QPointF(100, 100)), {}, QPoint(0, -120), Qt::NoButton,
                         Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(column.get(), &down);
        QCOMPARE(spy.count(), 1);
        QCOMPARE(spy.at(0).at(0).toInt(), 10);
        QCOMPARE(studio->timeline.vScrollPosition, 10);
        QCOMPARE(column->panel(0)->y(), kRulerHeight - 10);
        QCOMPARE(column->headerStrip()->y(), -10);
        // Scrolling stops at the end of the tracks.
        column->setScroll(100000);
        QCOMPARE(column->scroll(), studio->model.totalTrackHeight() - column->height());
        column->setScroll(-5);
        QCOMPARE(column->scroll(), 0);
    }

    void deviceListsEndWithTheMapper() {
        createTracks(1);
        TrackPanel* p = column->panel(0);
        QCOMPARE(p->playbackList->itemText(p->playbackList->count() - 1), QString("WAVE MAPPER"));
        QCOMPARE(p->playbackList->currentIndex(), p->playbackList->count() - 1);
        QVERIFY(!p->playbackList->isEnabled());
        QVERIFY(!p->recordingList->isEnabled());
    }
};

QTEST_MAIN(TrackPanelTest)
#include "track_panel_test.moc"
