#include "session/window_title.h"

#include "platform/user_dialogs.h"
#include "project/project_model.h"

namespace tqx {

namespace {

constexpr const char* kModifiedMark = "*";
constexpr const char* kProjectExtension = ".tqxproj";

// The file Save writes to names the project; before there is one, the file it came from.
std::string projectName(const ProjectModel& model) {
    const std::string& path = model.SavePath.empty() ? model.ProjectPath : model.SavePath;
    std::string name = path.substr(path.rfind('/') + 1);
    const std::string ext = kProjectExtension;
    if (name.size() > ext.size() && name.compare(name.size() - ext.size(), ext.size(), ext) == 0)
        name.resize(name.size() - ext.size());
    return name;
}

}  // namespace

std::string mainWindowTitle(const ProjectModel& model, const std::string& caption) {
    if (caption != kApplicationTitle) return caption;
    const std::string name = projectName(model);
    const std::string title = name.empty() ? std::string(kApplicationTitle) : name + " - " + kApplicationTitle;
    return model.modified() ? kModifiedMark + title : title;
}

}  // namespace tqx
