#pragma once
// The folder the file dialogs start in: that of the project's file.
#include <QString>

namespace tqx {

class ProjectModel;

// The folder of the file the project was saved to, else of the file it was opened from or
// set up for; "" when there is none or it does not exist (the dialog then starts where it
// likes).
QString projectFolder(const ProjectModel& model);

}  // namespace tqx
