#include "app/window_set.h"

#include <QAction>

#include "app/main_window.h"
#include "forms/docking_window.h"
#include "forms/effect_window.h"
#include "forms/new_project_dialog.h"
#include "forms/track_view_window.h"
#include "session/studio.h"

namespace tqx {

WindowSet::WindowSet(Studio& studio, TForm1& main, TForm2& effect, TForm4& newProject, TForm5& trackView, TForm6& host)
    : studio_(studio), main_(main), effect_(effect), newProject_(newProject), trackView_(trackView), host_(host) {
    host_.setDockSite(main_.dockSite());

    auto wire = [this](QAction* action, auto handler) {
        action->setEnabled(true);
        connect(action, &QAction::triggered, this, handler);
    };
    wire(main_.newProjectAction, [this] { runNewProjectCommand(studio_, newProject_); });
    wire(main_.trackViewAction, [this] { host_.showPage(&trackView_); });
    wire(main_.effectAction, [this] { host_.showPage(&effect_); });
    wire(main_.dockAction, [this] { host_.dockAll(); });
    wire(main_.undockAction, [this] { host_.floatHost(); });
}

void WindowSet::firstShown() {
    host_.dockPage(&effect_);
    host_.dockPage(&trackView_);
    host_.dockAll();
    trackView_.RefreshTrackView();
    runNewProjectCommand(studio_, newProject_);
}

}  // namespace tqx
