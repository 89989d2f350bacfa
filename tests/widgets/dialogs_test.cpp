// The new-project, track selection, track view and docking windows, offscreen.
#include <filesystem>

#include <QButtonGroup>
#include <QCheckBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTableWidget>
#include <QTimer>
#include <QtTest>

#include "forms/docking_window.h"
#include "forms/new_project_dialog.h"
#include "forms/track_selection_dialog.h"
#include "forms/track_view_window.h"
#include "session/new_project.h"
#include "session/project_file_commands.h"
#include "session/studio.h"
#include "session/track_commands.h"
#include "support/studio_rig.h"
#include "support/test_support.h"

using namespace tqx;

class DialogsTest : public QObject {
    Q_OBJECT

    using Rig = test::StudioRig;

private slots:
    void defaultNewProjectMakesEightTracksInHomeFolder() {
        test::ScratchDir home;
        qputenv("HOME", QByteArray::fromStdString(home.path().string()));
        Rig rig;
        TForm4 dialog(rig.studio);
        QCOMPARE(dialog.nameEdit()->text(), QString("NoName"));
        QCOMPARE(dialog.locationEdit()->text(), QString::fromStdString(home.file("Tinderquillex")));
        QVERIFY(dialog.folderBox()->isChecked());
        rig.dialogs.answers = {DialogAnswer::Yes};  // create the missing location
        QTimer::singleShot(0, &dialog, [&] { dialog.okButton()->click(); });
        runNewProjectCommand(rig.studio, dialog);
        QCOMPARE(rig.studio.model.trackCount(), 8);
        QCOMPARE(rig.studio.model.ProjectSampleRate, 44100);
        QCOMPARE(rig.studio.model.SavePath, home.file("Tinderquillex") + "/NoName/NoName.tqxproj");
        QVERIFY(std::filesystem::is_directory(home.file("Tinderquillex/NoName")));
    }

    void openButtonHandsOverToTheOpenCommand() {
        Rig rig;
        TForm4 dialog(rig.studio);
        QTimer::singleShot(0, &dialog, [&] { dialog.openButton()->click(); });
        runNewProjectCommand(rig.studio, dialog);
        // The open command showed its file dialog (cancelled by the script).
        QCOMPARE(rig.dialogs.shown.back().kind, ScriptedDialogs::Kind::OpenFile);
        QCOMPARE(rig.studio.model.trackCount(), 0);
    }

    void newProjectAsksAboutUnsavedChangesOnceBeforeTheDialog() {
        Rig rig;
        applyNewProject(rig.studio, 0, 4, "/p/song.tqxproj");
        rig.studio.trackCommands().setName(0, "ギター");
        TForm4 dialog(rig.studio);
        rig.dialogs.answers = {DialogAnswer::Cancel};
        runNewProjectCommand(rig.studio, dialog);  // the dialog is never shown
        QCOMPARE(rig.studio.model.track(0).name, std::string("ギター"));
        QCOMPARE(rig.dialogs.shown.size(), std::size_t(1));
        // No, then "open instead": the open command does not ask again.
        rig.dialogs.answers = {DialogAnswer::No};
        QTimer::singleShot(0, &dialog, [&] { dialog.openButton()->click(); });
        runNewProjectCommand(rig.studio, dialog);
        QCOMPARE(rig.dialogs.shown.size(), std::size_t(3));
        QCOMPARE(rig.dialogs.shown[1].text, std::string(ProjectFileCommands::kSaveChangesQuestion));
        QCOMPARE(rig.dialogs.shown[2].kind, ScriptedDialogs::Kind::OpenFile);
    }

    void selectionListsWhatItIsGivenAndStartsUnticked() {
        Rig rig;
        for (int i = 0; i < 3; ++i) rig.studio.trackCommands().createTrack();
        rig.studio.trackCommands().swapTracks(2, 0);  // Track3 now above Track1
        std::vector<std::string> names;
        for (const TrackOrderEntry& e : rig.studio.model.buildOrderedTrackList()) names.push_back(trackItemText(e));
        TForm3 dialog;
        QTimer::singleShot(0, &dialog, [&] {
            QCOMPARE(dialog.CheckListBox1->count(), 3);
            QCOMPARE(dialog.CheckListBox1->item(0)->text(), QString("Track3 (トラック3)"));
            dialog.Button1Click();
            dialog.Button2Click();
            dialog.CheckListBox1->item(2)->setCheckState(Qt::Checked);
            dialog.CheckListBox1->item(0)->setCheckState(Qt::Checked);
            dialog.accept();
        });
        QCOMPARE(dialog.chooseTracks(names), (std::optional<std::vector<int>>{{0, 2}}));

        // Shown again: nothing ticked; cancelled: nothing chosen.
        QTimer::singleShot(0, &dialog, [&] {
            QVERIFY(dialog.tickedItems().empty());
            dialog.Button1Click();
            dialog.reject();
        });
        QVERIFY(!dialog.chooseTracks(names));
    }

    void trackViewShowsAndEditsTheSelectedTrack() {
        Rig rig;
        rig.studio.trackCommands().createTrack();
        rig.studio.trackCommands().createTrack();
        TForm5 view(rig.studio);
        view.RefreshTrackView();
        QCOMPARE(view.ListBox1->count(), 2);
        QCOMPARE(view.ValueListEditor1->item(0, 1)->text(), QString("1"));
        QCOMPARE(view.ValueListEditor1->item(3, 1)->text(), QString("center"));
        view.ValueListEditor1->item(2, 1)->setText("0.5");
        QCOMPARE(rig.studio.model.track(0).volume, 0.5f);
        QCOMPARE(view.ValueListEditor1->item(2, 1)->text(), QString("0.50"));
        QCOMPARE(view.StringGrid1->rowCount(), 1);  // one empty row for a track without clips

        // Typed through the cell's editor: what is not a number gives the cell back its text.
        view.show();
        view.ValueListEditor1->setCurrentCell(2, 1);
        view.ValueListEditor1->editItem(view.ValueListEditor1->item(2, 1));
        QLineEdit* editor = view.ValueListEditor1->findChild<QLineEdit*>();
        QVERIFY(editor);
        editor->selectAll();
        QTest::keyClicks(editor, "abc");
        QTest::keyClick(editor, Qt::Key_Return);
        QCoreApplication::processEvents();
        QCOMPARE(view.ValueListEditor1->item(2, 1)->text(), QString("0.50"));
        QCOMPARE(rig.studio.model.track(0).volume, 0.5f);
        view.RadioGroup1->button(1)->click();
        QCOMPARE(rig.studio.model.recordingMode, 1);
    }

    // The list starts again from the top track when tracks come, go or are renamed, but a
    // slider moved on a panel leaves the selection where the user put it.
    void trackViewFollowsTheTrackListButNotValues() {
        Rig rig;
        for (int i = 0; i < 3; ++i) rig.studio.trackCommands().createTrack();
        TForm5 view(rig.studio);
        view.RefreshTrackView();
        view.ListBox1->setCurrentRow(2);
        emit view.ListBox1->itemClicked(view.ListBox1->item(2));
        QCOMPARE(rig.studio.model.SelectedTrack, 2);
        rig.studio.trackCommands().setVolumePosition(2, 30);
        rig.studio.trackCommands().resizePanel(1, 120);
        QCOMPARE(rig.studio.model.SelectedTrack, 2);
        QCOMPARE(view.ValueListEditor1->item(0, 1)->text(), QString("3"));

        rig.studio.trackCommands().setName(1, "ドラム");
        QCOMPARE(view.ListBox1->item(1)->text(), QString("Track2 (ドラム)"));
        QCOMPARE(rig.studio.model.SelectedTrack, 0);
        rig.studio.trackCommands().createTrack();
        QCOMPARE(view.ListBox1->count(), 4);
    }

    void startTimeMovesTheClipOnlyOnEnter() {
        Rig rig;
        rig.studio.trackCommands().createTrack();
        TMultiWave& clip = rig.studio.model.createClip(0);
        clip.SetTrack(0);
        clip.SetFormat(WaveFormat::pcm(2, 44100));
        std::vector<std::uint8_t> data(17640);
        clip.SetData(data.data(), static_cast<std::uint32_t>(data.size()));
        TForm5 view(rig.studio);
        view.show();
        view.RefreshTrackView();
        auto type = [&](const QString& text, bool enter) {
            view.StringGrid1->setCurrentCell(0, 0);
            view.StringGrid1->editItem(view.StringGrid1->item(0, 0));
            QLineEdit* editor = nullptr;
            for (auto* e : view.StringGrid1->findChildren<QLineEdit*>())
                if (e->isVisible()) editor = e;
            QVERIFY(editor);
            editor->selectAll();
            QTest::keyClicks(editor, text);
            if (enter)
                QTest::keyClick(editor, Qt::Key_Return);  // the view commits on its next turn
            else
                view.StringGrid1->setCurrentCell(0, 1);  // leaves the cell without Enter
            QCoreApplication::processEvents();
        };
        type("0002500", false);
        QCOMPARE(clip.GetStartTime(), 0.0f);
        type("0001500", true);
        QCOMPARE(clip.GetStartTime(), 1.5f);
    }

    void dockingHostsBothPagesAndFloats() {
        Rig rig;
        QWidget site;
        TForm2Stub effect;
        TForm5 view(rig.studio);
        TForm6 host(rig.studio);
        host.setDockSite(&site);
        host.dockPage(&effect);
        host.dockPage(&view);
        host.dockAll();
        QVERIFY(host.isDocked());
        QCOMPARE(host.PageControl1->count(), 2);
        QCOMPARE(host.PageControl1->tabText(1), QString("トラックビュー"));
        host.floatPage(&view);
        QCOMPARE(host.PageControl1->count(), 1);
        host.floatHost();
        QVERIFY(!host.isDocked());
        QCOMPARE(host.geometry().size(), QSize(700, 500));
        host.dockAll();
        QCOMPARE(host.PageControl1->count(), 2);
        QCOMPARE(host.parentWidget(), &site);
    }

private:
    struct TForm2Stub : QWidget {
        TForm2Stub() { setWindowTitle("エフェクト"); }
    };
};

QTEST_MAIN(DialogsTest)
#include "dialogs_test.moc"
