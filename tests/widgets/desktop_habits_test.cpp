// What a desktop program is expected to do: the toolkit's own texts in Japanese, file
// dialogs that start in the project's folder, and the recent projects of the file menu.
#include <QAction>
#include <QApplication>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QSettings>
#include <QTest>
#include <QTimer>

#include "app/main_window.h"
#include "app/project_folder.h"
#include "app/qt_user_dialogs.h"
#include "app/recent_projects.h"
#include "app/toolkit_translation.h"
#include "session/project_file_commands.h"
#include "session/track_commands.h"
#include "support/studio_rig.h"
#include "support/test_support.h"

namespace tqx {

class DesktopHabitsTest : public QObject {
    Q_OBJECT

    static QString q(const std::string& s) { return QString::fromStdString(s); }

    // Settings of the test's own, in a scratch file.
    static std::unique_ptr<RecentProjects> recentIn(const test::ScratchDir& dir) {
        return std::make_unique<RecentProjects>(
            std::make_unique<QSettings>(q(dir.file("settings.ini")), QSettings::IniFormat));
    }

    // Runs `open` (which shows a modal file dialog) and returns the folder the dialog showed
    // first; the dialog is then cancelled.
    static QString folderShownBy(const std::function<void()>& open) {
        QString shown = "(no dialog)";
        QTimer::singleShot(0, [&] {
            auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            if (!dialog) return;
            shown = dialog->directory().absolutePath();
            dialog->reject();
        });
        open();
        return shown;
    }

private slots:
    void toolkitTextsAreJapanese() {
        QVERIFY(installToolkitTranslation(*QCoreApplication::instance()));
        QDialogButtonBox box(QDialogButtonBox::Yes | QDialogButtonBox::No | QDialogButtonBox::Cancel |
                             QDialogButtonBox::Open | QDialogButtonBox::Save);
        QCOMPARE(box.button(QDialogButtonBox::Cancel)->text(), QString("キャンセル"));
        QVERIFY(box.button(QDialogButtonBox::Yes)->text().startsWith("はい"));
        QVERIFY(box.button(QDialogButtonBox::No)->text().startsWith("いいえ"));
        QVERIFY(box.button(QDialogButtonBox::Open)->text().startsWith("開く"));
        QVERIFY(box.button(QDialogButtonBox::Save)->text().startsWith("保存"));
    }

    void fileDialogsStartInTheProjectsFolder() {
        test::ScratchDir dir;
        const QString folder = QDir(q(dir.path().string())).canonicalPath();
        test::SilentStudioRig rig;
        QtUserDialogs dialogs;
        dialogs.setStartFolder([&] { return projectFolder(rig.studio.model); });

        // No project file yet: nothing to start from.
        QCOMPARE(projectFolder(rig.studio.model), QString());
        // A new project's file (not written yet) in an existing folder.
        rig.studio.model.ProjectPath = dir.file("song.tqxproj");
        QCOMPARE(projectFolder(rig.studio.model), folder);
        // The folder saved to wins over the one opened from; a folder that is gone gives none.
        rig.studio.model.SavePath = dir.file("sub/other.tqxproj");
        QCOMPARE(projectFolder(rig.studio.model), folder);
        std::filesystem::create_directory(dir.path() / "sub");
        QCOMPARE(projectFolder(rig.studio.model), folder + "/sub");
        rig.studio.model.SavePath.clear();

        const FileFilter filter{"WAVEファイル", "*.wav"};
        QCOMPARE(folderShownBy([&] { dialogs.openFile(filter, "wav"); }), folder);
        QCOMPARE(folderShownBy([&] { dialogs.saveFile("NoName", filter, "wav", true); }), folder);
        QCOMPARE(folderShownBy([&] { dialogs.chooseFolder("場所"); }), folder);
    }

    void recentProjectsListTheLastFive() {
        test::ScratchDir dir;
        std::vector<QString> files;
        for (int i = 0; i < 7; ++i) {
            files.push_back(q(dir.file("p" + std::to_string(i) + ".tqxproj")));
            test::writeFile(files.back().toStdString(), {1});
        }
        {
            auto recent = recentIn(dir);
            QVERIFY(recent->paths().isEmpty());
            for (const QString& f : files) recent->add(f);
            recent->add(files[3]);  // again: moves to the front, listed once
            QCOMPARE(recent->paths(), (QStringList{files[3], files[6], files[5], files[4], files[2]}));
        }
        // Kept in the settings for the next run; a file gone since is left out.
        std::filesystem::remove(files[5].toStdString());
        auto recent = recentIn(dir);
        QCOMPARE(recent->paths().size(), 5);
        recent->pruneMissing();
        QCOMPARE(recent->paths(), (QStringList{files[3], files[6], files[4], files[2]}));
        QCOMPARE(recentIn(dir)->paths(), recent->paths());
    }

    void fileMenuOpensARecentProject() {
        test::ScratchDir dir;
        test::SilentStudioRig rig;
        TForm1 form(rig.studio);
        form.useRecentProjects(recentIn(dir));
        QVERIFY(form.recentProjectActions().isEmpty());
        // A one-track project saved through the menu, a two-track one written behind its back
        // and then opened: both become recent, the latest first.
        const std::string first = dir.file("first.tqxproj"), second = dir.file("second.tqxproj");
        rig.studio.trackCommands().createTrack();
        rig.dialogs.files = {first};
        form.saveAsAction->trigger();
        rig.studio.trackCommands().createTrack();
        QVERIFY(rig.studio.projectFile().Write(second));
        QCOMPARE(form.recentProjects()->paths(), (QStringList{q(first)}));
        rig.dialogs.files = {second};
        form.openAction->trigger();
        QCOMPARE(rig.studio.model.trackCount(), 2);
        QCOMPARE(form.recentProjects()->paths(), (QStringList{q(second), q(first)}));

        // The file menu lists them above "終了(&X)", numbered, most recent first.
        QMenu* file = form.menuBar()->actions().first()->menu();
        const QList<QAction*> items = file->actions();
        const QList<QAction*> recent = form.recentProjectActions();
        QCOMPARE(recent.size(), 3);  // a separator, then the two
        QVERIFY(recent[0]->isSeparator());
        QCOMPARE(recent[1]->text(), "&1 " + q(second));
        QCOMPARE(recent[2]->text(), "&2 " + q(first));
        QCOMPARE(items.indexOf(recent[2]) + 2, items.indexOf(form.exitAction));

        recent[2]->trigger();
        QCOMPARE(rig.studio.model.trackCount(), 1);
        QCOMPARE(q(rig.studio.model.ProjectPath), q(first));
        QCOMPARE(form.recentProjects()->paths().first(), q(first));

        // A file removed meanwhile: the load reports it and the entry goes.
        std::filesystem::remove(second);
        const int shown = int(rig.dialogs.shown.size());
        form.recentProjectActions()[2]->trigger();
        QCOMPARE(int(rig.dialogs.shown.size()), shown + 1);
        QCOMPARE(rig.dialogs.shown.back().text, std::string(ProjectFileCommands::kCannotOpenMessage));
        QCOMPARE(form.recentProjects()->paths(), (QStringList{q(first)}));
        QCOMPARE(form.recentProjectActions().size(), 2);
    }
};

}  // namespace tqx

QTEST_MAIN(tqx::DesktopHabitsTest)
#include "desktop_habits_test.moc"
