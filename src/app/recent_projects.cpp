#include "app/recent_projects.h"

#include <QFileInfo>
#include <QSettings>

namespace tqx {

namespace {
constexpr char kKey[] = "recentProjects";
}

RecentProjects::RecentProjects(std::unique_ptr<QSettings> settings) : settings_(std::move(settings)) {
    paths_ = settings_->value(kKey).toStringList();
    paths_.removeAll(QString());
    while (paths_.size() > kMaxEntries) paths_.removeLast();
}

RecentProjects::~RecentProjects() = default;

std::unique_ptr<RecentProjects> RecentProjects::forUser() {
    return std::make_unique<RecentProjects>(
        std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope, "Tinderquillex", "Tinderquillex"));
}

void RecentProjects::add(const QString& path) {
    if (path.isEmpty()) return;
    const QString absolute = QFileInfo(path).absoluteFilePath();
    paths_.removeAll(absolute);
    paths_.prepend(absolute);
    while (paths_.size() > kMaxEntries) paths_.removeLast();
    store();
}

void RecentProjects::pruneMissing() {
    const qsizetype before = paths_.size();
    paths_.removeIf([](const QString& p) { return !QFileInfo(p).isFile(); });
    if (paths_.size() != before) store();
}

void RecentProjects::store() {
    settings_->setValue(kKey, paths_);
    settings_->sync();
}

}  // namespace tqx
