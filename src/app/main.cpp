// Tinderquillex: a multitrack audio recorder. Reads no command line; the only setting it
// keeps is the list of recent projects.
#include <exception>
#include <memory>

#include <QApplication>
#include <QIcon>
#include <QMessageBox>
#include <QTimer>

#include "app/main_window.h"
#include "app/project_folder.h"
#include "app/qt_event_sink.h"
#include "app/qt_user_dialogs.h"
#include "app/recent_projects.h"
#include "app/toolkit_translation.h"
#include "app/window_set.h"
#include "audio/platform_audio.h"
#include "forms/docking_window.h"
#include "forms/effect_window.h"
#include "forms/new_project_dialog.h"
#include "forms/track_selection_dialog.h"
#include "forms/track_view_window.h"

namespace {

// An exception escaping an event handler is shown and the program goes on.
class Application : public QApplication {
public:
    using QApplication::QApplication;
    bool notify(QObject* receiver, QEvent* event) override {
        try {
            return QApplication::notify(receiver, event);
        } catch (const std::exception& e) {
            QMessageBox::critical(nullptr, tqx::kApplicationTitle, QString::fromLocal8Bit(e.what()));
        } catch (...) {
            QMessageBox::critical(nullptr, tqx::kApplicationTitle, QString());
        }
        return false;
    }
};

}  // namespace

int main(int argc, char** argv) {
    Application app(argc, argv);
    app.setApplicationName(tqx::kApplicationTitle);
    app.setDesktopFileName("tinderquillex");
    app.setWindowIcon(QIcon::fromTheme("tinderquillex"));
    tqx::installToolkitTranslation(app);

    tqx::QtUserDialogs dialogs;
    tqx::QtEventSink events(&app);
    auto audio = tqx::createPlatformAudioSystem(events);
    tqx::ThreadTimerService timer;
    tqx::Studio studio({dialogs, *audio, timer, events});

    // The six windows, in this order; the first is the main window.
    tqx::TForm1 form1(studio);
    form1.useRecentProjects(tqx::RecentProjects::forUser());
    dialogs.setParent(&form1);
    dialogs.setStartFolder([&studio] { return tqx::projectFolder(studio.model); });
    tqx::TForm2 form2(studio);
    tqx::TForm3 form3(&form1);
    dialogs.setTrackSelection(&form3);
    tqx::TForm4 form4(studio, &form1);
    tqx::TForm5 form5(studio);
    tqx::TForm6 form6(studio);

    tqx::WindowSet windows(studio, form1, form2, form4, form5, form6);

    form1.show();
    QTimer::singleShot(0, &form1, [&windows] { windows.firstShown(); });
    return app.exec();
}
