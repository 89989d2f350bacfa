#pragma once
// The main window's title: while a command shows its progress ("保存中...") that text; otherwise
// the project's name (its file's name without ".tqxproj") before the application title, led by
// "*" while the project holds unsaved changes: "*song - Tinderquillex".
#include <string>

namespace tqx {

class ProjectModel;

std::string mainWindowTitle(const ProjectModel& model, const std::string& caption);

}  // namespace tqx
