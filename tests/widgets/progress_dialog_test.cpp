// The progress dialog of long commands: it shows while a command reports and is gone as soon
// as the command is over, however it ended, so it never blocks the main window afterwards.
#include <QApplication>
#include <QMessageBox>
#include <QProgressDialog>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

#include "app/qt_user_dialogs.h"
#include "audio/simulated_audio.h"
#include "io/exporter.h"
#include "platform/timer_service.h"
#include "session/studio.h"
#include "session/track_commands.h"
#include "support/test_support.h"

using namespace tqx;

namespace {

// The Qt dialogs with the question and the file chooser answered, the progress shown at once,
// and what the progress dialog looked like while the command reported.
struct ExportDialogs : QtUserDialogs {
    std::string target;
    bool seenShowing = false;
    std::vector<std::string> messages;
    DialogAnswer messageBox(const std::string& text, const std::string&, DialogIcon, DialogButtons) override {
        messages.push_back(text);
        return DialogAnswer::Yes;
    }
    std::optional<std::string> saveFile(const std::string&, const FileFilter&, const std::string&, bool) override {
        return target;
    }
    bool progress(const std::string& what, double fraction) override {
        const bool goOn = QtUserDialogs::progress(what, fraction);
        for (auto* d : QApplication::topLevelWidgets())
            if (qobject_cast<QProgressDialog*>(d) && d->isVisible()) seenShowing = true;
        return goOn;
    }
};

}  // namespace

class ProgressDialogTest : public QObject {
    Q_OBJECT

    // The program's dialogs over a shown main window, the progress shown at once.
    struct Rig {
        QWidget main;
        QtUserDialogs dialogs;
        Rig() {
            main.show();
            dialogs.setParent(&main);
            dialogs.setProgressDelay(0);
        }
    };

    static QProgressDialog* shownProgress() {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* d = qobject_cast<QProgressDialog*>(w); d && d->isVisible()) return d;
        return nullptr;
    }
    // The program's event loop gets its turn: the command that reported is over.
    static void backInTheEventLoop() {
        QCoreApplication::processEvents();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

private slots:
    void closesWhenTheReportEnds() {
        Rig rig;
        QtUserDialogs& dialogs = rig.dialogs;
        for (int i = 0; i < 10; ++i) QVERIFY(dialogs.progress("エクスポート中...", i / 10.0));
        QProgressDialog* shown = shownProgress();
        QVERIFY(shown);
        QCOMPARE(shown->labelText(), QString("エクスポート中..."));
        QVERIFY(dialogs.progress("エクスポート中...", 1.0));
        QVERIFY(!shownProgress());
        backInTheEventLoop();
        QVERIFY(!QApplication::activeModalWidget());
    }

    // A command that fails or stops half-way reports no end; its dialog goes all the same.
    void closesWhenTheCommandStopsReporting() {
        Rig rig;
        QtUserDialogs& dialogs = rig.dialogs;
        QVERIFY(dialogs.progress("開いてます... 3/20", 0.15));
        QVERIFY(dialogs.progress("開いてます... 4/20", 0.2));
        QVERIFY(shownProgress());
        backInTheEventLoop();
        QVERIFY(!shownProgress());

        // A failure's message comes without the bar behind it.
        QVERIFY(dialogs.progress("エクスポート中...", 0.4));
        bool barDuringMessage = true;
        QTimer::singleShot(0, &rig.main, [&] {
            barDuringMessage = shownProgress() != nullptr;
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) box->accept();
        });
        dialogs.messageBox("エラー", kApplicationTitle, DialogIcon::Error, DialogButtons::Ok);
        QVERIFY(!barDuringMessage);
    }

    // キャンセル stops the command it was pressed on, not the next one.
    void cancelStopsOnlyItsOwnCommand() {
        Rig rig;
        QtUserDialogs& dialogs = rig.dialogs;
        QVERIFY(dialogs.progress("エクスポート中...", 0.1));
        QProgressDialog* shown = shownProgress();
        QVERIFY(shown);
        QPushButton* cancel = shown->findChild<QPushButton*>();
        QVERIFY(cancel);
        QCOMPARE(cancel->text(), QString("キャンセル"));
        cancel->click();
        QVERIFY(!dialogs.progress("エクスポート中...", 0.2));
        QVERIFY(!shownProgress());
        backInTheEventLoop();
        QVERIFY(dialogs.progress("エクスポート中...", 0.1));
        QVERIFY(dialogs.progress("エクスポート中...", 1.0));
    }

    // A whole export through the program's own dialogs: shown while it writes, gone after.
    void closesAfterALongExport() {
        QWidget main;
        main.show();
        test::ScratchDir dir;
        ExportDialogs dialogs;
        dialogs.setParent(&main);
        dialogs.setProgressDelay(0);
        dialogs.target = dir.file("mix.wav");
        QueuedEventSink sink;
        SimulatedAudioSystem audio{sink};
        ManualTimerService timer;
        Studio studio({dialogs, audio, timer, sink});
        const int track = studio.trackCommands().createTrack();
        TMultiWave& clip = studio.model.createClip(0);
        clip.SetTrack(track);
        clip.SetFormat(WaveFormat::pcm(2, 44100));
        std::vector<std::uint8_t> data(44100 * 4 * 20);  // twenty seconds
        clip.SetData(data.data(), static_cast<std::uint32_t>(data.size()));
        studio.timeline.layClip(clip, 44100);

        studio.exporter().A2Click();
        QCOMPARE(dialogs.messages.size(), std::size_t(1));  // the question, no error
        QVERIFY(dialogs.seenShowing);
        QVERIFY(std::filesystem::file_size(dialogs.target) > data.size());
        QVERIFY(!shownProgress());
        backInTheEventLoop();
        QVERIFY(!shownProgress());
    }
};

QTEST_MAIN(ProgressDialogTest)
#include "progress_dialog_test.moc"
