// The main window: its Japanese menus, the layout of its panels, the fixed ruler's place,
// the vertical scrolling shared by the track column and the clip area, and the menu
// commands it runs itself.
#include "app/main_window.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QSplitter>
#include <QTest>
#include <QWheelEvent>

#include "app/file_browser.h"
#include "app/timeline_view.h"
#include "app/track_column.h"
#include "session/new_project.h"
#include "session/project_file_commands.h"
#include "session/track_commands.h"
#include "support/studio_rig.h"

namespace tqx {

class MainWindowTest : public QObject {
    Q_OBJECT

    struct Rig : test::SilentStudioRig {
        TForm1 form{studio};
        Rig() {
            form.show();
            QVERIFY(QTest::qWaitForWindowExposed(&form));
        }
    };

    static QStringList texts(const QList<QAction*>& actions) {
        QStringList t;
        for (QAction* a : actions)
            if (!a->isSeparator()) t << a->text();
        return t;
    }
    static void wheel(QWidget* w, int notchesDown) {
        QWheelEvent e(QPointF(10, 10), QPointF(w->mapToGlobal(QPoint(10, 10))), QPoint(), QPoint(0, -120 * notchesDown),
                      Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(w, &e);
    }

private slots:
    void showsItsJapaneseMenus() {
        Rig rig;
        QCOMPARE(rig.form.windowTitle(), QString("Tinderquillex"));
        const QList<QAction*> top = rig.form.menuBar()->actions();
        QCOMPARE(texts(top), (QStringList{"ファイル(&F)", "表示(&V)", "ヘルプ(&H)"}));
        QCOMPARE(
            texts(top[0]->menu()->actions()),
            (QStringList{"新規作成(&N)", "開く(&O)...", "上書き保存(&S)", "名前を付けて保存(&A)...",
                         "オーディオファイルのインポート(&I)...", "オーディオファイルのエクスポート(&E)", "終了(&X)"}));
        QCOMPARE(texts(top[1]->menu()->actions()),
                 (QStringList{"トラックビュー(&V)", "エフェクト(&E)", "ドッキング(&D)", "ドッキング解除(&C)",
                              "全て展開(&O)", "全て畳む(&F)"}));
        QCOMPARE(texts(rig.form.exportTrackAction->parentWidget()->actions()),
                 (QStringList{"トラック(&T)...", "トラック選択(&S)...", "全体(&A)..."}));
        for (QAction* a : {rig.form.newTrackAction, rig.form.openAction, rig.form.saveAction, rig.form.importAction,
                           rig.form.exportAllAction, rig.form.expandAllAction, rig.form.aboutAction})
            QVERIFY(a->isEnabled());

        rig.form.aboutAction->trigger();
        QVERIFY(!rig.dialogs.messages().empty());
        QVERIFY(QString::fromStdString(rig.dialogs.messages().back()).startsWith("Tinderquillex version 1.01\n"));
    }

    void panelsTakeTheirPlaces() {
        Rig rig;
        QCOMPARE(rig.form.centralWidget()->width(), TForm1::kClientWidth);
        QCOMPARE(rig.form.centralWidget()->height(), TForm1::kClientHeight);
        QCOMPARE(rig.form.trackColumn()->width(), TrackColumn::kDefaultWidth);
        QCOMPARE(rig.form.dockSite()->parentWidget()->height(), TForm1::kBottomPanelHeight);
        QCOMPARE(rig.form.fileBrowser()->sizes(),
                 (QList<int>{FileBrowser::kFolderPaneWidth, FileBrowser::kFileListWidth}));
        QCOMPARE(rig.form.fileBrowser()->mask(), QString("*.wav"));

        // The fixed ruler lines up with the clip area, also after the splitter moved.
        auto check = [&] {
            TimelineView* clips = rig.form.timeline();
            const int left = clips->mapTo(rig.form.centralWidget(), QPoint(0, 0)).x();
            QCOMPARE(rig.form.fixedRuler()->geometry(), QRect(left + 2, 109, clips->width() - 2, 20));
            QCOMPARE(rig.studio.timeline.viewWidth, clips->canvas()->width());
        };
        check();
        auto* columns = qobject_cast<QSplitter*>(rig.form.trackColumn()->parentWidget());
        columns->setSizes({300, TForm1::kClientWidth - 300});
        emit columns->splitterMoved(300, 1);
        check();
        rig.form.resize(1100, 700);
        QTest::qWait(10);
        check();
    }

    void bothColumnsScrollTogether() {
        Rig rig;
        for (int i = 0; i < 8; ++i) rig.studio.trackCommands().createTrack();
        QCOMPARE(rig.form.trackColumn()->scroll(), 0);
        wheel(rig.form.timeline(), 2);
        QCOMPARE(rig.studio.timeline.vScrollPosition, 20);
        QCOMPARE(rig.form.trackColumn()->scroll(), 20);
        QCOMPARE(rig.form.timeline()->verticalBar()->value(), 20);
        wheel(rig.form.trackColumn(), -1);
        QCOMPARE(rig.studio.timeline.vScrollPosition, 10);
        QCOMPARE(rig.form.timeline()->verticalBar()->value(), 10);
        rig.form.timeline()->verticalBar()->setValue(70);
        QCOMPARE(rig.form.trackColumn()->scroll(), 70);

        rig.form.expandAllAction->trigger();
        for (int s = 0; s < 8; ++s) QCOMPARE(rig.studio.model.track(s).panelHeight, kMaxPanelHeight);
        rig.form.foldAllAction->trigger();
        QCOMPARE(rig.studio.model.track(3).panelHeight, kMinPanelHeight);
    }

    void titleNamesTheProjectAndClosingAsksAboutUnsavedChanges() {
        Rig rig;
        applyNewProject(rig.studio, 0, 4, "/p/song.tqxproj");
        QCOMPARE(rig.form.windowTitle(), QString("song - Tinderquillex"));
        rig.studio.trackCommands().setName(0, "ギター");
        QCOMPARE(rig.form.windowTitle(), QString("*song - Tinderquillex"));
        // Cancel keeps the window and the project.
        rig.dialogs.answers = {DialogAnswer::Cancel};
        QVERIFY(!rig.form.close());
        QVERIFY(rig.form.isVisible());
        QCOMPARE(rig.dialogs.shown.back().text, std::string(ProjectFileCommands::kSaveChangesQuestion));
        QCOMPARE(rig.studio.model.trackCount(), 8);
        // Yes with a save that cannot be written keeps it too.
        rig.dialogs.answers = {DialogAnswer::Yes};
        QVERIFY(!rig.form.close());
        QVERIFY(rig.dialogs.showed(ProjectFileCommands::kCannotCreateMessage));
        // No closes without saving.
        rig.dialogs.answers = {DialogAnswer::No};
        QVERIFY(rig.form.close());
        QCOMPARE(rig.studio.model.trackCount(), 0);
    }

    void captionAndMemoFollowTheStudiosTexts() {
        Rig rig;
        rig.studio.texts.addMemo("first");
        rig.studio.texts.addMemo("second");
        QCOMPARE(rig.form.memo()->toPlainText(), QString("first\nsecond"));
        QVERIFY(rig.form.memo()->isReadOnly());
        rig.studio.texts.clearMemo();
        QCOMPARE(rig.form.memo()->toPlainText(), QString());

        rig.studio.texts.setCaption("保存中...");
        QCOMPARE(rig.form.windowTitle(), QString("保存中..."));
    }
};

}  // namespace tqx

QTEST_MAIN(tqx::MainWindowTest)
#include "main_window_test.moc"
