#pragma once
// What rendering and writing an export use of the session: the project and the equalizer
// to render from, the dialogs that report failures and progress, and the main window's
// caption, which titles those reports.
#include "effects/equalizer.h"
#include "engine/window_texts.h"
#include "platform/user_dialogs.h"
#include "project/project_model.h"

namespace tqx {

struct ExportContext {
    const ProjectModel& model;
    const Equalizer& equalizer;
    UserDialogs& dialogs;
    WindowTexts& texts;
};

}  // namespace tqx
