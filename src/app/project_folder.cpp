#include "app/project_folder.h"

#include <QFileInfo>

#include "project/project_model.h"

namespace tqx {

QString projectFolder(const ProjectModel& model) {
    for (const std::string* path : {&model.SavePath, &model.ProjectPath}) {
        if (path->empty()) continue;
        const QFileInfo folder(QFileInfo(QString::fromStdString(*path)).absolutePath());
        if (folder.isDir()) return folder.absoluteFilePath();
    }
    return {};
}

}  // namespace tqx
