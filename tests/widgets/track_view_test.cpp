// The track view follows the project wherever it changes, without moving the selection, and
// its editors apply what was typed and only that.
#include <QLineEdit>
#include <QListWidget>
#include <QTableWidget>
#include <QtTest>

#include "engine/transport.h"
#include "forms/track_view_window.h"
#include "io/wave_import.h"
#include "platform/number_format.h"
#include "session/clip_commands.h"
#include "session/studio.h"
#include "session/track_commands.h"
#include "support/studio_rig.h"
#include "support/test_support.h"

using namespace tqx;

class TrackViewTest : public QObject {
    Q_OBJECT

    // Three tracks, the view shown, the third track selected in it.
    struct Rig : test::StudioRig {
        test::ScratchDir dir;
        TForm5 view{studio};
        Rig() {
            studio.model.ProjectPath = dir.file("song.tqxproj");
            for (int i = 0; i < 3; ++i) studio.trackCommands().createTrack();
            view.show();
            view.ListBox1->setCurrentRow(2);
            emit view.ListBox1->itemClicked(view.ListBox1->item(2));
        }
        // A clip of `seconds` of silence on `track`, starting at `start`, as an import lays it.
        TMultiWave& addClip(int track, float start, float seconds = 0.1f) {
            const int slot = studio.model.firstFreeClipSlot();
            TMultiWave& clip = studio.model.createClip(slot);
            clip.SetTrack(track);
            clip.SetFormat(WaveFormat::pcm(2, 44100));
            std::vector<std::uint8_t> data(std::size_t(seconds * 44100) * 4);
            clip.SetData(data.data(), static_cast<std::uint32_t>(data.size()));
            clip.SetFileName(dir.file(std::to_string(slot) + ".wav"));
            clip.SetStartTime(start);
            studio.timeline.layClip(clip, 44100);
            studio.model.changedClip(slot, ClipChange::Added);
            return clip;
        }
        std::string wavFile(const std::string& name) {
            test::writeFile(dir.file(name), test::makeWave(2, 44100, std::vector<std::int16_t>(8820)));
            return dir.file(name);
        }
        QString cell(int row, int column = 0) const {
            auto* item = view.StringGrid1->item(row, column);
            return item ? item->text() : QString();
        }
        QString value(int row) const { return view.ValueListEditor1->item(row - 1, 1)->text(); }
        int rows() const { return view.StringGrid1->rowCount(); }
        // The selection stayed on the third track, in the main window and in the view.
        bool selectionKept() const {
            return studio.model.SelectedTrack == 2 && view.ListBox1->currentRow() == 2 && value(1) == "3";
        }
        // Types into a cell's editor of `table` and leaves it with Enter.
        static void type(QTableWidget* table, int row, int column, const QString& text) {
            table->setCurrentCell(row, column);
            table->editItem(table->item(row, column));
            QLineEdit* editor = nullptr;
            for (auto* e : table->findChildren<QLineEdit*>())
                if (e->isVisible()) editor = e;
            QVERIFY(editor);
            editor->selectAll();
            QTest::keyClicks(editor, text);
            QTest::keyClick(editor, Qt::Key_Return);
            QCoreApplication::processEvents();
        }
    };

private slots:
    void followsClipsDraggedDeletedAndDropped() {
        Rig rig;
        TMultiWave& clip = rig.addClip(2, 0.0f);
        QCOMPARE(rig.cell(0), QString("0000.000"));
        QVERIFY(rig.selectionKept());

        // Dragged along its row: the row shows where it went.
        ClipDragState drag;
        ClipPress(rig.studio, drag, clip.SlotIndex(), 0);
        const int pixels = rig.studio.timeline.pixelAtSeconds(2.5f, 44100);
        QVERIFY(ClipDragMove(rig.studio, drag, clip.SlotIndex(), pixels));
        ClipDrop(rig.studio, drag, clip.SlotIndex(), 10);
        QCOMPARE(rig.cell(0), QString::fromStdString(formatFixed(clip.GetStartTime(), 3, 4)));
        QVERIFY(clip.GetStartTime() > 2.4f);
        QVERIFY(rig.selectionKept());

        // Deleted from its popup: the row goes.
        rig.studio.selectedClip = clip.SlotIndex();
        rig.dialogs.answers = {DialogAnswer::Yes};
        N23Click(rig.studio);
        QCOMPARE(rig.rows(), 1);
        QCOMPARE(rig.cell(0), QString());
        QVERIFY(rig.selectionKept());

        // Dropped from the browser and imported by the menu: onto the selected track, shown.
        rig.studio.importer().importInteractive(rig.wavFile("drop.wav"));
        QCOMPARE(rig.rows(), 1);
        QCOMPARE(rig.cell(0, 1), QString::fromStdString(rig.dir.file("drop.wav")));
        rig.dialogs.files = {rig.wavFile("menu.wav")};
        rig.studio.importer().N17Click();
        QCOMPARE(rig.rows(), 2);
        QCOMPARE(rig.cell(1, 1), QString::fromStdString(rig.dir.file("menu.wav")));
        QVERIFY(rig.selectionKept());
    }

    void followsARecording() {
        Rig rig;
        rig.studio.trackCommands().toggleRecordArm(2);
        rig.studio.transport().setRecordToggle(true);
        rig.studio.transport().SpeedButton1Click();  // records onto the armed track
        rig.audio.advance(300, [&] { rig.sink.pump(); });
        rig.studio.transport().SpeedButton1Click();  // stops: the take is read back
        rig.sink.pump();
        QCOMPARE(rig.rows(), 1);
        QCOMPARE(rig.cell(0, 1), QString::fromStdString(rig.dir.file("0.wav")));
        QVERIFY(rig.cell(0, 4) != QString("0000.000秒"));
        QVERIFY(rig.selectionKept());
    }

    void followsTrackCommandsAndTheMainWindowsSelection() {
        Rig rig;
        rig.studio.trackCommands().setVolumePosition(2, 30);
        QCOMPARE(rig.value(3), QString::fromStdString(TrackCommands::volumeText(rig.studio.model.track(2).volume)));
        rig.studio.trackCommands().setGainPosition(2, 100);
        QCOMPARE(rig.value(5), QString("5.0"));
        rig.studio.trackCommands().toggleMute(2);
        rig.studio.trackCommands().resizePanel(2, 120);
        QVERIFY(rig.selectionKept());

        // A click on another track's panel shows that track here too.
        rig.studio.trackCommands().selectTrack(1);
        QCOMPARE(rig.value(1), QString("2"));
        QCOMPARE(rig.view.ListBox1->currentRow(), 1);

        // The track's clip moved to another track by a drag leaves this track's rows.
        TMultiWave& clip = rig.addClip(1, 1.0f);
        QCOMPARE(rig.cell(0), QString("0001.000"));
        rig.studio.trackCommands().MoveClipToTrackAt(rig.studio.model.track(0).panelTop + 5, clip.SlotIndex());
        QCOMPARE(clip.GetTrack(), 0);
        QCOMPARE(rig.cell(0), QString());
        QCOMPARE(rig.studio.model.SelectedTrack, 1);
    }

    void showsTheNewProjectWhenReplaced() {
        Rig rig;
        rig.addClip(2, 4.0f);
        {
            ProjectModel::BulkChange bulk(rig.studio.model);
            rig.studio.model.resetProject();
            rig.studio.model.createTrack();
        }
        QCOMPARE(rig.view.ListBox1->count(), 1);
        QCOMPARE(rig.value(1), QString("1"));
        QCOMPARE(rig.cell(0), QString());
    }

    // Hidden, it still follows; shown again, it fetches afresh and keeps the selection.
    void showingFetchesAfreshWithoutMovingTheSelection() {
        Rig rig;
        rig.view.hide();
        rig.studio.model.track(2).gain = 2.5f;  // changed without a word, as a bulk load might
        rig.view.show();
        QCOMPARE(rig.value(5), QString("2.5"));
        QVERIFY(rig.selectionKept());
    }

    void enterAppliesOnlyTheEditedRow() {
        Rig rig;
        TMultiWave& first = rig.addClip(2, 0.0f);
        TMultiWave& second = rig.addClip(2, 9.0f);
        QCOMPARE(rig.rows(), 2);
        Rig::type(rig.view.StringGrid1, 0, 0, "0002500");
        QCOMPARE(first.GetStartTime(), 2.5f);
        QCOMPARE(second.GetStartTime(), 9.0f);
        QCOMPARE(rig.cell(0), QString("0002.500"));
        QCOMPARE(rig.cell(1), QString("0009.000"));
    }

    void longStartTimesDisplayAndApply() {
        Rig rig;
        TMultiWave& clip = rig.addClip(2, 12000.0f);
        QCOMPARE(rig.cell(0), QString("12000.000"));
        QCOMPARE(TForm5::StringGrid1GetEditMask(rig.cell(0)), QString("00000.000;_"));
        QCOMPARE(TForm5::StringGrid1GetEditMask("0012.500"), QString("0000.000;_"));
        Rig::type(rig.view.StringGrid1, 0, 0, "12345250");
        QCOMPARE(clip.GetStartTime(), 12345.25f);
        QCOMPARE(rig.cell(0), QString("12345.250"));
    }

    void badValuesGetTheirTextBack() {
        Rig rig;
        rig.studio.trackCommands().setVolumePosition(2, 50);
        const QString volume = rig.value(3), gain = rig.value(5);
        Rig::type(rig.view.ValueListEditor1, 2, 1, "abc");
        QCOMPARE(rig.value(3), volume);
        Rig::type(rig.view.ValueListEditor1, 4, 1, "zz");
        QCOMPARE(rig.value(5), gain);
        QCOMPARE(rig.studio.model.track(2).gain, 0.0f);
        // A good value is applied, announced to the panels and shown as the pattern writes it.
        Rig::type(rig.view.ValueListEditor1, 4, 1, "-9");
        QCOMPARE(rig.value(5), QString("-5.0"));
        QCOMPARE(rig.studio.model.track(2).gain, -5.0f);
        QVERIFY(rig.selectionKept());
    }

    // Squeezed to its smallest, the value editor still shows every row and both columns.
    void theValueEditorShowsEveryRowAtItsSmallest() {
        Rig rig;
        rig.view.resize(rig.view.minimumSizeHint());
        QCoreApplication::processEvents();
        QTableWidget* editor = rig.view.ValueListEditor1;
        const QRect viewport = editor->viewport()->rect();
        for (int row = 0; row < editor->rowCount(); ++row)
            for (int column = 0; column < 2; ++column) {
                const QRect cell = editor->visualRect(editor->model()->index(row, column));
                QVERIFY2(viewport.contains(cell), qPrintable(QString("row %1 column %2").arg(row).arg(column)));
            }
    }
};

QTEST_MAIN(TrackViewTest)
#include "track_view_test.moc"
