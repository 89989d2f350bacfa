#pragma once
// The last five project files the user opened or saved, most recent first, kept in the
// user's settings (the program's only remembered setting; it belongs to no project).
#include <memory>

#include <QStringList>

class QSettings;

namespace tqx {

class RecentProjects {
public:
    static constexpr int kMaxEntries = 5;

    // Reads and writes the list through `settings`.
    explicit RecentProjects(std::unique_ptr<QSettings> settings);
    ~RecentProjects();

    // The standard place of the user's settings.
    static std::unique_ptr<RecentProjects> forUser();

    // Puts `path` first, removing an older entry of the same file and the sixth entry.
    void add(const QString& path);
    // Drops the entries whose file no longer exists.
    void pruneMissing();
    QStringList paths() const { return paths_; }

private:
    void store();

    std::unique_ptr<QSettings> settings_;
    QStringList paths_;
};

}  // namespace tqx
