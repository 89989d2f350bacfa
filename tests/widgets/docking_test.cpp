// The docking host and its pages: a tab dragged out floats its own page only, floating
// windows lie wholly on the screen above the main window, pages come back in their order, and
// closing the main window closes every window of the program.
#include <QAction>
#include <QMainWindow>
#include <QScreen>
#include <QTabBar>
#include <QTabWidget>
#include <QVBoxLayout>
#include <QtTest>

#include "app/main_window.h"
#include "app/window_set.h"
#include "forms/docking_window.h"
#include "forms/effect_window.h"
#include "forms/new_project_dialog.h"
#include "forms/track_view_window.h"
#include "session/track_commands.h"
#include "support/studio_rig.h"

using namespace tqx;

class DockingTest : public QObject {
    Q_OBJECT

    struct Page : QWidget {
        explicit Page(const char* title) { setWindowTitle(title); }
    };
    // A main window filling the screen's free area, the host docked in its bottom panel.
    struct Rig : test::SilentStudioRig {
        QMainWindow main;
        QWidget* site = new QWidget;
        Page effect{"エフェクト"};
        Page view{"トラックビュー"};
        TForm6 host{studio};
        Rig() {
            auto* central = new QWidget;
            auto* layout = new QVBoxLayout(central);
            layout->addStretch(1);
            site->setFixedHeight(223);
            layout->addWidget(site);
            main.setCentralWidget(central);
            main.setGeometry(QGuiApplication::primaryScreen()->availableGeometry());
            main.show();
            host.setDockSite(site);
            host.dockPage(&effect);
            host.dockPage(&view);
            host.dockAll();
        }
        QTabBar* tabs() const { return host.PageControl1->tabBar(); }
        static bool onScreen(const QWidget& w) { return w.screen()->availableGeometry().contains(w.frameGeometry()); }
        // A floating window of the program: a tool window above the main window.
        bool floatsAbove(const QWidget& w) const {
            return w.isWindow() && w.isVisible() && w.windowType() == Qt::Tool && w.parentWidget() == &main;
        }
    };

    static void drag(QTabBar* tabs, int index, QPoint away) {
        const QPoint start = tabs->tabRect(index).center();
        QTest::mousePress(tabs, Qt::LeftButton, {}, start);
        // Two moves beyond the bar: the tab that slides under the pointer after the first
        // must stay where it is.
        for (QPoint at : {away, away + QPoint(5, 5)}) {
            QMouseEvent move(QEvent::MouseMove, at, tabs->mapToGlobal(at), Qt::NoButton, Qt::LeftButton, {});
            QApplication::sendEvent(tabs, &move);
        }
        QTest::mouseRelease(tabs, Qt::LeftButton, {}, away);
    }

private slots:
    void tabDraggedOutFloatsOnlyItsPage() {
        Rig rig;
        drag(rig.tabs(), 0, QPoint(10, -200));
        QCOMPARE(rig.host.PageControl1->count(), 1);
        QCOMPARE(rig.host.PageControl1->widget(0), &rig.view);
        QVERIFY(rig.floatsAbove(rig.effect));
        QVERIFY(Rig::onScreen(rig.effect));
        QVERIFY(!rig.view.isWindow());
    }

    void pagesComeBackInTheirOrder() {
        Rig rig;
        rig.host.floatPage(&rig.effect);
        rig.host.dockAll();
        QCOMPARE(rig.host.PageControl1->tabText(0), QString("エフェクト"));
        QCOMPARE(rig.host.PageControl1->tabText(1), QString("トラックビュー"));
        rig.host.floatPage(&rig.view);
        rig.host.floatPage(&rig.effect);
        rig.host.dockPage(&rig.view);
        rig.host.dockPage(&rig.effect);
        QCOMPARE(rig.host.PageControl1->widget(0), &rig.effect);
        QCOMPARE(rig.host.PageControl1->widget(1), &rig.view);
    }

    // Undocked from the bottom of a full-screen main window, the host moves up far enough
    // for its whole frame to show, and stays above the main window.
    void floatingHostLiesOnTheScreen() {
        Rig rig;
        rig.host.floatHost();
        QVERIFY(!rig.host.isDocked());
        QVERIFY(rig.floatsAbove(rig.host));
        QCOMPARE(rig.host.size(), QSize(700, 500));
        QVERIFY(Rig::onScreen(rig.host));
        // A page taken out of the floating host also stays on the screen.
        rig.host.floatPage(&rig.view);
        QVERIFY(rig.floatsAbove(rig.view));
        QVERIFY(Rig::onScreen(rig.view));
        rig.host.dockAll();
        QVERIFY(rig.host.isDocked());
        QCOMPARE(rig.host.parentWidget(), rig.site);
        QCOMPARE(rig.host.PageControl1->count(), 2);
    }

    void closingTheMainWindowClosesEveryWindow() {
        test::SilentStudioRig rig;
        TForm1 form1(rig.studio);
        TForm2 form2(rig.studio);
        TForm4 form4(rig.studio, &form1);
        TForm5 form5(rig.studio);
        TForm6 form6(rig.studio);
        WindowSet windows(rig.studio, form1, form2, form4, form5, form6);
        form6.dockPage(&form2);
        form6.dockPage(&form5);
        form6.dockAll();
        form1.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form1));
        rig.studio.trackCommands().createTrack();
        form1.undockAction->trigger();
        form6.floatPage(&form5);
        QVERIFY(form6.isVisible() && form5.isVisible() && form5.isWindow());

        // Nothing is left open that would keep the program running.
        QVERIFY(form1.close());
        for (QWidget* w : QApplication::topLevelWidgets()) QVERIFY2(!w->isVisible(), qPrintable(w->windowTitle()));
        QCOMPARE(rig.studio.model.trackCount(), 0);  // the project was reset on the way
    }
};

QTEST_MAIN(DockingTest)
#include "docking_test.moc"
