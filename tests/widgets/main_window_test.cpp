// The main window: its Japanese menus, the layout of its panels, the fixed ruler's place,
// the vertical scrolling shared by the track column and the clip area, and the menu
// commands it runs itself.
#include "app/main_window.h"

#include <QAction>
#include <QComboBox>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QSignalSpy>
#include <QSplitter>
#include <QTest>
#include <QToolButton>
#include <QWheelEvent>

#include "app/device_bar.h"
#include "app/file_browser.h"
#include "app/timeline_view.h"
#include "app/track_column.h"
#include "app/transport_bar.h"
#include "engine/transport.h"
#include "forms/track_panel.h"
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
        rig.form.applyOpeningSize(QRect(0, 0, 1280, 800));
        QTest::qWait(10);
        QCOMPARE(rig.form.trackColumn()->width(), TrackColumn::kDefaultWidth);
        QCOMPARE(rig.form.fileBrowser()->sizes().first(), FileBrowser::kFolderPaneWidth);
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
        columns->setSizes({300, rig.form.width() - 300});
        emit columns->splitterMoved(300, 1);
        check();
        rig.form.resize(1100, 700);
        QTest::qWait(10);
        check();
    }

    // The whole of `w` lies inside `area` (both on screen as the window shows them).
    static bool inside(const QWidget* w, const QWidget* area) {
        const QRect r(w->mapTo(w->window(), QPoint(0, 0)), w->size());
        const QRect a(area->mapTo(area->window(), QPoint(0, 0)), area->size());
        return a.contains(r);
    }

    void openingSizeFitsTheScreen_data() {
        QTest::addColumn<QSize>("screen");
        QTest::addColumn<QSize>("window");
        QTest::newRow("1280x800") << QSize(1280, 800) << QSize(1272, 764);
        QTest::newRow("1024x600") << QSize(1024, 600) << QSize(1016, 564);
        QTest::newRow("1920x1080") << QSize(1920, 1080) << QSize(1280, 800);
    }
    void openingSizeFitsTheScreen() {
        QFETCH(QSize, screen);
        QFETCH(QSize, window);
        test::StudioRig devices;
        devices.audio.addInputDevice("USB Audio CODEC アナログステレオ入力");
        devices.audio.addOutputDevice("HDA Intel PCH アナログステレオ出力 (ヘッドホン)");
        TForm1 form(devices.studio);
        form.applyOpeningSize(QRect(QPoint(0, 0), screen));
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        for (int i = 0; i < 8; ++i) devices.studio.trackCommands().createTrack();
        QTest::qWait(10);
        QCOMPARE(form.size(), window);

        // Four whole rows, with their mute, solo and arm toggles, in both columns.
        TrackColumn* column = form.trackColumn();
        for (int slot = 0; slot < 4; ++slot) {
            TrackPanel* p = column->panel(slot);
            QVERIFY(p);
            QVERIFY2(inside(p, column), qPrintable(QString("row %1").arg(slot + 1)));
            for (QWidget* toggle : {p->muteToggle, p->soloToggle, p->armToggle}) {
                QVERIFY(toggle->isVisible());
                QVERIFY(inside(toggle, p));
                QVERIFY(!toggle->geometry().intersects(p->badge->geometry()));
            }
            const TrackSlot& t = devices.studio.model.track(slot);
            QVERIFY(t.panelTop + t.panelHeight - kRulerHeight <= form.timeline()->canvas()->height());
        }

        // The whole wedge, the device names and every control of the top panel.
        DeviceBar* bar = form.deviceBar();
        QCOMPARE(bar->MasterVolume->size(), QSize(126, 20));
        for (QComboBox* list : {bar->ComboBox1, bar->ComboBox2}) {
            for (int i = 0; i < list->count(); ++i) {
                const int text = list->fontMetrics().horizontalAdvance(list->itemText(i));
                QVERIFY2(list->width() >= text + 20, qPrintable(list->itemText(i)));
            }
        }
        QWidget* top = form.fixedRuler()->parentWidget();
        for (QWidget* w : top->findChildren<QWidget*>())
            if (w->isVisible())
                QVERIFY2(inside(w, top), qPrintable(w->objectName() + " " + w->metaObject()->className()));
        QVERIFY(inside(form.transportBar(), top));
        QVERIFY(inside(form.memo(), top));
        QVERIFY(form.memo()->width() >= 80);
        // The folders keep their width; the docking site keeps room beside the browser.
        QCOMPARE(form.fileBrowser()->sizes().first(), FileBrowser::kFolderPaneWidth);
        QVERIFY(form.dockSite()->width() >= 300);
        QVERIFY(form.dockSite()->height() >= 100);
    }

    // Splitters the user moved keep their place when the docking commands rearrange the
    // bottom panel.
    void movedSplittersStayWhereTheUserPutThem() {
        Rig rig;
        rig.form.applyOpeningSize(QRect(0, 0, 1280, 800));
        QTest::qWait(10);
        QSplitter* rows = rig.form.rowsSplitter();
        QSplitter* bottom = rig.form.bottomSplitter();
        auto drag = [](QSplitter* s, QPoint by) {
            QSplitterHandle* h = s->handle(1);
            const QPoint at = h->rect().center();
            QMouseEvent press(QEvent::MouseButtonPress, at, h->mapToGlobal(at), Qt::LeftButton, Qt::LeftButton,
                              Qt::NoModifier);
            QApplication::sendEvent(h, &press);
            QMouseEvent move(QEvent::MouseMove, at + by, h->mapToGlobal(at + by), Qt::NoButton, Qt::LeftButton,
                             Qt::NoModifier);
            QApplication::sendEvent(h, &move);
            QMouseEvent release(QEvent::MouseButtonRelease, at + by, h->mapToGlobal(at + by), Qt::LeftButton,
                                Qt::NoButton, Qt::NoModifier);
            QApplication::sendEvent(h, &release);
        };
        const QList<int> rowsBefore = rows->sizes();
        drag(rows, {0, -40});
        drag(bottom, {60, 0});
        const QList<int> rowsMoved = rows->sizes(), bottomMoved = bottom->sizes();
        QCOMPARE(rowsMoved[0], rowsBefore[0] - 40);

        // The docking commands put everything back where the user had it.
        rows->setSizes(rowsBefore);
        bottom->setSizes({100, bottomMoved[0] + bottomMoved[1] - 100});
        rig.form.dockAction->setEnabled(true);
        rig.form.dockAction->trigger();
        QTest::qWait(20);
        QCOMPARE(rows->sizes(), rowsMoved);
        QCOMPARE(bottom->sizes(), bottomMoved);
    }

    void keysRunTheirCommands() {
        Rig rig;
        rig.form.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&rig.form));
        rig.form.newProjectAction->setEnabled(true);  // the window set enables it in the program
        // Shown in the menus.
        QCOMPARE(rig.form.newProjectAction->shortcut(), QKeySequence("Ctrl+N"));
        QCOMPARE(rig.form.openAction->shortcut(), QKeySequence("Ctrl+O"));
        QCOMPARE(rig.form.saveAction->shortcut(), QKeySequence("Ctrl+S"));
        QCOMPARE(rig.form.saveAsAction->shortcut(), QKeySequence("Ctrl+Shift+S"));
        QCOMPARE(rig.form.importAction->shortcut(), QKeySequence("Ctrl+I"));
        QCOMPARE(rig.form.exitAction->shortcut(), QKeySequence("Ctrl+Q"));

        struct Case {
            QAction* action;
            int key;
            Qt::KeyboardModifiers modifiers;
        };
        for (const Case& c : {Case{rig.form.newProjectAction, Qt::Key_N, Qt::ControlModifier},
                              Case{rig.form.openAction, Qt::Key_O, Qt::ControlModifier},
                              Case{rig.form.saveAction, Qt::Key_S, Qt::ControlModifier},
                              Case{rig.form.saveAsAction, Qt::Key_S, Qt::ControlModifier | Qt::ShiftModifier},
                              Case{rig.form.importAction, Qt::Key_I, Qt::ControlModifier}}) {
            QSignalSpy triggered(c.action, &QAction::triggered);
            QTest::keyClick(&rig.form, Qt::Key(c.key), c.modifiers);
            QCOMPARE(triggered.count(), 1);
        }
        // Open, save as and import asked for their files.
        int fileDialogs = 0;
        for (const auto& d : rig.dialogs.shown)
            if (d.kind == ScriptedDialogs::Kind::OpenFile || d.kind == ScriptedDialogs::Kind::SaveFile) ++fileDialogs;
        QVERIFY(fileDialogs >= 3);

        // The transport: R toggles recording, Space plays (and stops), Home goes to the start.
        QTest::keyClick(&rig.form, Qt::Key_R);
        QVERIFY(rig.studio.transport().recordToggle);
        QTest::keyClick(&rig.form, Qt::Key_R);
        QVERIFY(!rig.studio.transport().recordToggle);
        QSignalSpy played(rig.form.transportBar()->SpeedButton1, &QToolButton::clicked);
        QTest::keyClick(&rig.form, Qt::Key_Space);
        QCOMPARE(played.count(), 1);
        rig.studio.transport().canvasClick(120);
        QVERIFY(rig.studio.timeline.CursorX.load() != 0);
        QTest::keyClick(&rig.form, Qt::Key_Home);
        QCOMPARE(rig.studio.timeline.CursorX.load(), 0);
        // Typing in a track's name types the letter and the space.
        rig.studio.trackCommands().createTrack();
        QTest::qWait(10);
        TrackPanel* p = rig.form.trackColumn()->panel(0);
        p->nameField->setFocus();
        p->nameField->setText("");
        QTest::keyClicks(p->nameField, "R R");
        QCOMPARE(p->nameField->text(), QString("R R"));
        QVERIFY(!rig.studio.transport().recordToggle);
        QCOMPARE(played.count(), 1);

        QVERIFY(rig.form.isVisible());
        QTest::keyClick(&rig.form, Qt::Key_Q, Qt::ControlModifier);
        QVERIFY(!rig.form.isVisible());
    }

    void arrowKeysSelectAndShowTheTrack() {
        Rig rig;
        rig.form.applyOpeningSize(QRect(0, 0, 1024, 600));
        for (int i = 0; i < 12; ++i) rig.studio.trackCommands().createTrack();
        QTest::qWait(10);
        TrackColumn* column = rig.form.trackColumn();
        column->setFocus();
        rig.studio.trackCommands().selectTrack(0);
        for (int step = 1; step < 12; ++step) {
            QTest::keyClick(column, Qt::Key_Down);
            QCOMPARE(rig.studio.model.SelectedTrack, step);
            QVERIFY2(inside(column->panel(step), column), qPrintable(QString("row %1").arg(step + 1)));
            // The clip area shows the same rows.
            QCOMPARE(rig.form.timeline()->verticalBar()->value(), column->scroll());
        }
        QVERIFY(column->scroll() > 0);
        QTest::keyClick(column, Qt::Key_Down);  // the last track stays selected
        QCOMPARE(rig.studio.model.SelectedTrack, 11);
        for (int step = 10; step >= 0; --step) {
            QTest::keyClick(column, Qt::Key_Up);
            QCOMPARE(rig.studio.model.SelectedTrack, step);
            QVERIFY(inside(column->panel(step), column));
        }
        QCOMPARE(column->scroll(), 0);
        // Display order, not slot order: after a swap Down goes to the track shown below.
        std::deque<TrackOrderEntry> order = rig.studio.model.buildOrderedTrackList();
        std::swap(order[1].slot, order[2].slot);
        rig.studio.model.applyTrackOrder(order);
        QTest::qWait(10);
        QTest::keyClick(column, Qt::Key_Down);
        QCOMPARE(rig.studio.model.SelectedTrack, order[1].slot);
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
