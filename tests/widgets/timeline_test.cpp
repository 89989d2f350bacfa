// The clip area: rulers, canvas clicks, clip views with their drawing and mouse handling,
// and the file browser that feeds the canvas.
#include <QAction>
#include <QApplication>
#include <QDir>
#include <QImage>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QScrollBar>
#include <QTest>
#include <QUrl>

#include "app/clip_view.h"
#include "app/file_browser.h"
#include "app/file_properties_dialog.h"
#include "app/ruler_painter.h"
#include "app/timeline_view.h"
#include "app/track_column.h"
#include "engine/transport.h"
#include "session/track_commands.h"
#include "support/studio_rig.h"
#include "support/test_support.h"

namespace tqx {

class TimelineTest : public QObject {
    Q_OBJECT

    struct Rig : test::SilentStudioRig {
        TimelineView view{studio};
        Rig() {
            view.resize(600, 400);
            view.show();
        }

        // Tracks, then a one-second clip of `channels` on `track` at `start` seconds whose
        // samples are all `value`.
        int addClip(int tracks, int track, float start, int channels = 1, std::int16_t value = 0) {
            while (studio.model.trackCount() < tracks) studio.trackCommands().createTrack();
            const int slot = studio.model.firstFreeClipSlot();
            TMultiWave& clip = studio.model.createClip(slot);
            clip.SetTrack(track);
            clip.SetFormat(WaveFormat::pcm(channels, 44100));
            std::vector<std::uint8_t> data(44100u * 2u * channels);
            for (std::size_t i = 0; i + 1 < data.size(); i += 2) {
                data[i] = static_cast<std::uint8_t>(value & 0xff);
                data[i + 1] = static_cast<std::uint8_t>((static_cast<std::uint16_t>(value) >> 8) & 0xff);
            }
            clip.SetData(data.data(), static_cast<std::uint32_t>(data.size()));
            clip.SetStartTime(start);
            clip.SetFileName("/some/folder/take.wav");
            studio.timeline.layClip(clip, studio.model.ProjectSampleRate);
            studio.model.changedClip(slot, ClipChange::Added);
            return slot;
        }
    };

    static void send(QWidget* w, QEvent::Type type, QPoint pos, Qt::MouseButton button, Qt::MouseButtons buttons) {
        QMouseEvent e(type, QPointF(pos), QPointF(w->mapToGlobal(pos)), button, buttons, Qt::NoModifier);
        QApplication::sendEvent(w, &e);
    }
    // A left-button drag on a widget from `from` to `to` (widget coordinates of the press).
    static void drag(QWidget* w, QPoint from, QPoint to) {
        send(w, QEvent::MouseButtonPress, from, Qt::LeftButton, Qt::LeftButton);
        send(w, QEvent::MouseMove, to, Qt::NoButton, Qt::LeftButton);
        // After the move the widget sits elsewhere; the release comes at the same screen point.
        send(w, QEvent::MouseButtonRelease, to - QPoint(0, 0), Qt::LeftButton, Qt::NoButton);
    }
    static QString label(const RulerTick& t) { return QString::fromStdString(t.label); }

private slots:
    void ticksShowTheTimeAtEachTick() {
        // Smallest scale at 44,100 Hz: one second is 100 px, no gap.
        auto t = rulerTicks(441.0, 44100, 0, 300);
        QCOMPARE(int(t.size()), 3);
        QCOMPARE(t[1].x, 100);
        QCOMPARE(label(t[1]), QString("1.000"));
        QCOMPARE(label(t[2]), QString("2.000"));
        // The slider's start: 40 px a second plus a 20 px gap.
        t = rulerTicks(1102.5, 44100, 0, 121);
        QCOMPARE(int(t.size()), 3);
        QCOMPARE(t[1].x, 60);
        QCOMPARE(t[2].x, 120);
        QCOMPARE(label(t[0]), QString("0.000"));
        QCOMPARE(label(t[1]), QString("1.500"));
        QCOMPARE(label(t[2]), QString("3.000"));
        // The largest scale: 20 px a second plus 40.
        t = rulerTicks(2205.0, 44100, 0, 121);
        QCOMPARE(t[1].x, 60);
        QCOMPARE(label(t[1]), QString("3.000"));
        QCOMPARE(label(t[2]), QString("6.000"));
        // A range that starts inside the timeline begins at the next tick.
        t = rulerTicks(1102.5, 44100, 61, 200);
        QCOMPARE(t.front().x, 120);
        QCOMPARE(rulerGap(499.9), 0);
        QCOMPARE(rulerGap(500), 10);
        QCOMPARE(rulerGap(1999.5), 30);
    }

    void renderedRulerDrawsTicksAtTheScrolledColumns() {
        Rig rig;
        QWidget* ruler = rig.view.ruler();
        QImage image = ruler->grab().toImage();
        const QRgb black = qRgb(0, 0, 0);
        QCOMPARE(image.pixel(60, 15), black);   // 1.500
        QCOMPARE(image.pixel(120, 15), black);  // 3.000
        QVERIFY(image.pixel(90, 15) != black);
        QVERIFY(image.pixel(60, 4) != black);  // ticks start at y = 7

        rig.view.setHScroll(100);  // ticks at absolute 120 and 180 show at 20 and 80
        image = ruler->grab().toImage();
        QCOMPARE(image.pixel(20, 15), black);
        QCOMPARE(image.pixel(80, 15), black);
        QVERIFY(image.pixel(60, 15) != black);
    }

    void canvasClickSetsThePositionUnderThePointer() {
        Rig rig;
        QTest::mouseClick(rig.view.canvas(), Qt::LeftButton, {}, QPoint(0, 30));
        QCOMPARE(rig.studio.texts.timeText(), std::string("00:00.000"));
        QCOMPARE(rig.studio.timeline.StartPosition, 0.0f);

        rig.addClip(1, 0, 20.0f);  // widen the scroll range
        rig.view.horizontalBar()->setValue(300);
        QCOMPARE(rig.studio.timeline.hScrollPosition, 300);
        QTest::mouseClick(rig.view.canvas(), Qt::LeftButton, {}, QPoint(40, 30));
        QCOMPARE(rig.studio.timeline.CursorX.load(), 340);
        QCOMPARE(rig.studio.texts.timeText(), std::string("00:08.500"));  // 340 x 1102.5 / 44100
        // The play line is drawn at the clicked column.
        const QImage image = rig.view.canvas()->grab().toImage();
        QCOMPARE(image.pixel(40, 200), qRgb(0, 0, 0));

        // A right click changes nothing.
        QTest::mouseClick(rig.view.canvas(), Qt::RightButton, {}, QPoint(200, 30));
        QCOMPARE(rig.studio.timeline.CursorX.load(), 340);
    }

    void clipViewSitsOnItsRowAndDrawsItsWaveform() {
        Rig rig;
        const int slot = rig.addClip(2, 1, 1.5f);
        ClipView* v = rig.view.clipView(slot);
        QVERIFY(v);
        const TrackSlot& row = rig.studio.model.track(1);
        QCOMPARE(v->geometry(), QRect(60, row.panelTop - kRulerHeight, 40, row.panelHeight));

        const QImage image = v->grab().toImage();
        const QColor back = v->palette().color(QPalette::ToolTipBase);
        QCOMPARE(image.pixelColor(36, 19), back);                               // clear of both texts
        QCOMPARE(image.pixelColor(30, row.panelHeight / 2), QColor(Qt::blue));  // silence on the centre line
        QCOMPARE(image.pixelColor(30, row.panelHeight - 1), QColor(128, 0, 128));

        // The play cursor crosses the clip in the inverse of its background.
        rig.studio.timeline.CursorX = 70;
        rig.studio.timeline.cursorMoved();
        const QImage withCursor = v->grab().toImage();
        QCOMPARE(withCursor.pixelColor(10, 19), QColor(255 - back.red(), 255 - back.green(), 255 - back.blue()));
        QCOMPARE(withCursor.pixelColor(11, 19), back);

        // Scrolling moves the view with the timeline.
        rig.view.setHScroll(50);
        QCOMPARE(v->x(), 10);
        // A removed clip loses its view.
        rig.studio.model.destroyClip(slot);
        QVERIFY(!rig.view.clipView(slot));
    }

    void aMissingClipIsDrawnAsAGreyBoxWithARedFrame() {
        Rig rig;
        rig.addClip(2, 0, 0.0f);
        const int slot = rig.studio.model.firstFreeClipSlot();
        TMultiWave& missing = rig.studio.model.createClip(slot);
        missing.SetMissing(true);
        missing.SetTrack(1);
        missing.SetFileName("/away/take.wav");
        missing.SetStartTime(0.5f);
        rig.studio.timeline.layClip(missing, rig.studio.model.ProjectSampleRate);
        rig.studio.model.changedClip(slot, ClipChange::Added);
        ClipView* v = rig.view.clipView(slot);
        QVERIFY(v);
        const TrackSlot& row = rig.studio.model.track(1);
        QCOMPARE(v->geometry(), QRect(20, row.panelTop - kRulerHeight, Timeline::kMissingClipWidth, row.panelHeight));
        const QImage image = v->grab().toImage();
        QCOMPARE(image.pixelColor(90, row.panelHeight / 2), QColor(208, 208, 208));
        QCOMPARE(image.pixelColor(0, row.panelHeight / 2), QColor(Qt::red));
        QCOMPARE(image.pixelColor(Timeline::kMissingClipWidth - 1, row.panelHeight / 2), QColor(Qt::red));
    }

    void draggingAClipMovesItInTimeAndToAnotherRow() {
        Rig rig;
        const int slot = rig.addClip(3, 0, 1.5f);
        ClipView* v = rig.view.clipView(slot);
        drag(v, QPoint(10, 10), QPoint(10 - 500, 10));
        TMultiWave* clip = rig.studio.model.clip(slot);
        QCOMPARE(clip->left, 0);
        QCOMPARE(clip->GetStartTime(), 0.0f);
        QCOMPARE(v->x(), 0);

        // Dropped on the third row: the clip and its view go there.
        v = rig.view.clipView(slot);
        const int rowY = rig.studio.model.track(2).panelTop - rig.studio.model.track(0).panelTop + 5;
        drag(v, QPoint(10, 10), QPoint(10, rowY));
        QCOMPARE(clip->GetTrack(), 2);
        QCOMPARE(rig.view.clipView(slot)->y(), rig.studio.model.track(2).panelTop - kRulerHeight);

        // While its stream plays it stays put.
        clip->SetPlaying(1);
        v = rig.view.clipView(slot);
        drag(v, QPoint(10, 10), QPoint(80, -200));
        QCOMPARE(clip->left, 0);
        QCOMPARE(clip->GetTrack(), 2);
    }

    void bottomBandResizesTheRowAndDoubleClickFoldsIt() {
        Rig rig;
        const int slot = rig.addClip(1, 0, 0.0f);
        ClipView* v = rig.view.clipView(slot);
        QCOMPARE(rig.studio.model.track(0).panelHeight, kMinPanelHeight);
        const int y = v->height() - 3;
        send(v, QEvent::MouseMove, QPoint(5, y), Qt::NoButton, Qt::NoButton);
        QCOMPARE(v->cursor().shape(), Qt::SplitVCursor);
        send(v, QEvent::MouseButtonPress, QPoint(5, y), Qt::LeftButton, Qt::LeftButton);
        send(v, QEvent::MouseMove, QPoint(5, 400), Qt::NoButton, Qt::LeftButton);
        send(v, QEvent::MouseButtonRelease, QPoint(5, 400), Qt::LeftButton, Qt::NoButton);
        QCOMPARE(rig.studio.model.track(0).panelHeight, kMaxPanelHeight);  // stops at 220
        QCOMPARE(v->height(), kMaxPanelHeight);
        QCOMPARE(rig.studio.model.clip(slot)->left, 0);  // resizing is no drag

        QTest::mouseDClick(v, Qt::LeftButton, {}, QPoint(20, 20));
        QCOMPARE(rig.studio.model.track(0).panelHeight, kMinPanelHeight);
    }

    void rightPressSelectsTheClipForItsMenu() {
        Rig rig;
        const int slot = rig.addClip(1, 0, 0.0f);
        ClipView* v = rig.view.clipView(slot);
        v->nonBlockingPopup = true;
        QTest::mousePress(v, Qt::RightButton, {}, QPoint(5, 5));
        QCOMPARE(rig.studio.selectedClip, slot);
        QVERIFY(v->popupMenu());
        const QList<QAction*> items = v->popupMenu()->actions();
        QCOMPARE(items.size(), 3);
        QCOMPARE(items[0]->text(), QString("削除(&D)"));
        QVERIFY(items[1]->isSeparator());
        QCOMPARE(items[2]->text(), QString("エクスポート(&E)"));
        v->popupMenu()->hide();
    }

    void canvasRefusesDragsFromElsewhere() {
        Rig rig;
        rig.addClip(1, 0, 0.0f);
        const int clips = rig.studio.model.clipCount();
        QMimeData text;
        text.setText("/tmp/a.wav");
        QDragEnterEvent enter(QPoint(50, 50), Qt::CopyAction, &text, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(rig.view.canvas(), &enter);
        QVERIFY(!enter.isAccepted());
        // Our own format without a drag started in this program is refused too.
        QMimeData ours;
        ours.setData(kWaveFileMimeType, "/tmp/a.wav");
        QDropEvent drop(QPointF(50, 50), Qt::CopyAction, &ours, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(rig.view.canvas(), &drop);
        QVERIFY(!drop.isAccepted());
        QCOMPARE(rig.studio.model.clipCount(), clips);
        QVERIFY(rig.dialogs.shown.empty());
    }

    // Files dragged from the desktop's file manager arrive as a list of file URLs.
    void waveFilesFromTheFileManagerImport() {
        Rig rig;
        test::ScratchDir dir;
        test::writeFile(dir.file("a.wav"), test::makeWave(1, 44100, std::vector<std::int16_t>(4410, 7)));
        test::writeFile(dir.file("B.WAV"), test::makeWave(2, 44100, std::vector<std::int16_t>(8820, 9)));
        test::writeFile(dir.file("notes.txt"), {1, 2, 3});
        rig.studio.trackCommands().createTrack();
        rig.studio.trackCommands().createTrack();
        rig.studio.trackCommands().selectTrack(1);
        auto urls = [&](std::initializer_list<const char*> names) {
            auto* data = new QMimeData;
            QList<QUrl> list;
            for (const char* n : names) list << QUrl::fromLocalFile(QString::fromStdString(dir.file(n)));
            data->setUrls(list);
            return std::unique_ptr<QMimeData>(data);
        };

        // Nothing to import: a text file, a remote file, a file that is not there.
        auto none = urls({"notes.txt", "gone.wav"});
        QList<QUrl> withRemote = none->urls();
        withRemote << QUrl("https://example.org/c.wav");
        none->setUrls(withRemote);
        QDragEnterEvent refused(QPoint(50, 50), Qt::CopyAction, none.get(), Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(rig.view.canvas(), &refused);
        QVERIFY(!refused.isAccepted());

        auto two = urls({"a.wav", "notes.txt", "B.WAV"});
        QDragEnterEvent enter(QPoint(50, 50), Qt::CopyAction, two.get(), Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(rig.view.canvas(), &enter);
        QVERIFY(enter.isAccepted());
        QDropEvent drop(QPointF(50, 50), Qt::CopyAction, two.get(), Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(rig.view.canvas(), &drop);
        QVERIFY(drop.isAccepted());
        // Both WAVE files, in the order dropped, on the selected track, as from the browser.
        QCOMPARE(rig.studio.model.clipCount(), 2);
        QCOMPARE(rig.studio.model.clip(0)->FileName(), dir.file("a.wav"));
        QCOMPARE(rig.studio.model.clip(1)->FileName(), dir.file("B.WAV"));
        QCOMPARE(rig.studio.model.clip(0)->GetTrack(), 1);
        QCOMPARE(rig.studio.model.clip(1)->GetTrack(), 1);
        QVERIFY(rig.dialogs.shown.empty());

        // The track column takes the same drop.
        TrackColumn column(rig.studio);
        column.show();
        auto one = urls({"a.wav"});
        QDragEnterEvent enterColumn(QPoint(250, 5), Qt::CopyAction, one.get(), Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&column, &enterColumn);
        QVERIFY(enterColumn.isAccepted());
        QDropEvent onColumn(QPointF(250, 5), Qt::CopyAction, one.get(), Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&column, &onColumn);
        QVERIFY(onColumn.isAccepted());
        QCOMPARE(rig.studio.model.clipCount(), 3);
    }

    void fileBrowserMaskPopupAndProperties() {
        test::ScratchDir dir;
        test::writeFile(dir.file("b.wav"), test::makeWave(2, 22050, std::vector<std::int16_t>(22050 * 2 * 3, 0)));
        test::writeFile(dir.file("a.txt"), {1, 2, 3});
        test::writeFile(dir.file("C.WAV"), test::makeWave(1, 44100, {1, 2}));
        FileBrowser browser;
        browser.setFolder(QString::fromStdString(dir.path().string()));
        auto names = [&] {
            QStringList n;
            for (int i = 0; i < browser.fileList->count(); ++i) n << browser.fileList->item(i)->text();
            return n;
        };
        QCOMPARE(names(), (QStringList{"b.wav", "C.WAV"}));
        QVERIFY(browser.waveFilesAction->isChecked());

        // The checked entry flips the state; the other one takes its own.
        browser.waveFilesAction->trigger();
        QCOMPARE(browser.mask(), QString("*.*"));
        QVERIFY(browser.allFilesAction->isChecked());
        QVERIFY(!browser.waveFilesAction->isChecked());
        QCOMPARE(names(), (QStringList{"a.txt", "b.wav", "C.WAV"}));
        browser.waveFilesAction->trigger();
        QCOMPARE(browser.mask(), QString("*.wav"));
        browser.waveFilesAction->trigger();
        browser.allFilesAction->trigger();  // checked: back to WAVE files
        QCOMPARE(browser.mask(), QString("*.wav"));
        QVERIFY(browser.waveFilesAction->isChecked());
        browser.allFilesAction->trigger();  // not checked: its own state
        QCOMPARE(browser.mask(), QString("*.*"));
        browser.allFilesAction->trigger();

        // Nothing selected: no properties.
        browser.propertiesAction->trigger();
        QVERIFY(!browser.lastProperties);
        browser.fileList->setCurrentRow(0);
        browser.propertiesAction->trigger();
        QVERIFY(browser.lastProperties);
        const auto rows = browser.lastProperties->rows();
        QCOMPARE(int(rows.size()), 4);
        QCOMPARE(rows[1].second, QString("%1 バイト").arg(44 + 22050 * 2 * 3 * 2));
        QCOMPARE(rows[2].second, QString("PCM 16 ビット ステレオ 22050 Hz"));
        QCOMPARE(rows[3].second, QString("3.000 秒"));
        QCOMPARE(FilePropertiesDialog::describe(QString::fromStdString(dir.file("a.txt"))).size(), std::size_t(2));

        // Activation (double click, Enter) opens the file.
        QString opened;
        browser.openFile = [&](const QString& p) { opened = p; };
        emit browser.fileList->itemActivated(browser.fileList->item(0));
        QCOMPARE(opened, QString::fromStdString(dir.file("b.wav")));
        // The drag carries the file's path in the program's own format.
        std::unique_ptr<QMimeData> mime(browser.fileList->model()->mimeData({browser.fileList->model()->index(0, 0)}));
        QCOMPARE(QString::fromUtf8(mime->data(kWaveFileMimeType)), opened);
    }
};

}  // namespace tqx

QTEST_MAIN(tqx::TimelineTest)
#include "timeline_test.moc"
