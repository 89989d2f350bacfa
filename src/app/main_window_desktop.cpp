// The main window's desktop habits: the opening size, the keyboard, the recent projects of
// the file menu and the splitter positions the user set.
#include <algorithm>

#include <QAction>
#include <QFileInfo>
#include <QMenu>
#include <QMenuBar>
#include <QScrollBar>
#include <QSplitter>
#include <QStyle>
#include <QTimer>
#include <QToolButton>

#include "app/file_browser.h"
#include "app/main_window.h"
#include "app/recent_projects.h"
#include "app/timeline_view.h"
#include "app/track_column.h"
#include "app/transport_bar.h"
#include "session/project_file_commands.h"

namespace tqx {

namespace {

constexpr int kFrameWidth = 8;    // what a window manager's border takes of the screen
constexpr int kFrameHeight = 36;  // border and title bar
constexpr int kRowsShown = 4;     // folded track rows the middle band shows at least
// The docking site keeps this much beside the file browser; the file list gives way first.
constexpr int kDockSiteMinWidth = 400;
constexpr int kFileListMinWidth = 240;

int handles(const QSplitter* s) { return s->handleWidth() * std::max(0, s->count() - 1); }

}  // namespace

void TForm1::applyOpeningSize(const QRect& available) {
    const int width = std::min(kOpeningWidth, available.width() - kFrameWidth);
    const int height = std::min(kOpeningHeight, available.height() - kFrameHeight);
    resize(width, height);

    const int central = height - menuBar()->sizeHint().height();
    const int band = central - kTopPanelHeight - handles(rows_);
    const int scrollBar = timeline_->style()->pixelMetric(QStyle::PM_ScrollBarExtent);
    const int middleMin = kRulerHeight + kRowsShown * (kMinPanelHeight + kPanelGap) + scrollBar;
    // The bottom panel takes its share of the window, as much as the rows leave it.
    const int share = central * kBottomPanelHeight / kClientHeight;
    const int bottom = std::clamp(band - middleMin, 0, share);
    rows_->setSizes({band - bottom, bottom});

    columns_->setSizes({TrackColumn::kDefaultWidth, width - TrackColumn::kDefaultWidth - handles(columns_)});

    const int row = width - handles(bottomRow_);
    const int fileList = std::clamp(row - kDockSiteMinWidth - FileBrowser::kFolderPaneWidth - handles(fileBrowser_),
                                    kFileListMinWidth, FileBrowser::kFileListWidth);
    fileBrowser_->setSizes({FileBrowser::kFolderPaneWidth, fileList});
    const int browser = FileBrowser::kFolderPaneWidth + fileList + handles(fileBrowser_);
    bottomRow_->setSizes({std::max(0, row - browser), browser});
    alignFixedRuler();
}

// The menu commands keep their standard keys; the transport has Space, Home and R.
void TForm1::buildShortcuts() {
    newProjectAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_N));
    openAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
    saveAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
    saveAsAction->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S));
    importAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_I));
    exitAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));

    auto key = [this](QKeySequence keys, QToolButton* button) {
        auto* action = new QAction(this);
        action->setShortcut(keys);
        addAction(action);
        // The press goes through the button, as a click does.
        connect(action, &QAction::triggered, button, &QToolButton::click);
        return action;
    };
    playKeyAction = key(QKeySequence(Qt::Key_Space), transportBar_->SpeedButton1);
    toStartKeyAction = key(QKeySequence(Qt::Key_Home), transportBar_->SpeedButton2);
    recordKeyAction = key(QKeySequence(Qt::Key_R), transportBar_->SpeedButton3);

    connect(trackColumn_, &TrackColumn::trackShown, this,
            [this] { timeline_->setVScroll(studio_.timeline.vScrollPosition); });
}

void TForm1::useRecentProjects(std::unique_ptr<RecentProjects> recent) {
    recent_ = std::move(recent);
    showRecentProjects();
}

void TForm1::buildRecentProjects() {
    // An opened project, and a project saved by the file menu, become the most recent.
    projectReplaced_ = studio_.model.replaced.connect([this] { rememberProject(studio_.model.ProjectPath); });
    for (QAction* save : {saveAction, saveAsAction})
        connect(save, &QAction::triggered, this, [this] { rememberProject(studio_.model.SavePath); });
}

void TForm1::rememberProject(const std::string& path) {
    const QString file = QString::fromStdString(path);
    if (!recent_ || !QFileInfo(file).isFile()) return;
    recent_->add(file);
    showRecentProjects();
}

void TForm1::showRecentProjects() {
    for (QAction* a : recentActions_) {
        fileMenu_->removeAction(a);
        a->deleteLater();
    }
    recentActions_.clear();
    if (!recent_) return;
    recent_->pruneMissing();
    const QStringList paths = recent_->paths();
    int number = 0;
    for (const QString& path : paths) {
        auto* action = new QAction(QString("&%1 %2").arg(++number).arg(path), fileMenu_);
        connect(action, &QAction::triggered, this, [this, path] { openRecentProject(path); });
        fileMenu_->insertAction(exitSeparator_, action);
        recentActions_ << action;
    }
    if (!paths.isEmpty()) {
        QAction* separator = new QAction(fileMenu_);
        separator->setSeparator(true);
        fileMenu_->insertAction(recentActions_.first(), separator);
        recentActions_.prepend(separator);
    }
}

// As "開く(&O)..." with the file already chosen. A file gone since the menu was built is
// reported by the load and leaves the list.
void TForm1::openRecentProject(const QString& path) {
    studio_.StopAll();
    studio_.texts.setCaption(ProjectFileCommands::kOpeningCaption);
    studio_.projectFile().Load(path.toStdString());
    studio_.texts.setCaption(kApplicationTitle);
    showRecentProjects();
}

void TForm1::watchSplitters() {
    for (QSplitter* s : {rows_, columns_, bottomRow_, static_cast<QSplitter*>(fileBrowser_)})
        connect(s, &QSplitter::splitterMoved, this, [this, s] { movedSplitters_[s] = s->sizes(); });
    // Docking and floating change what the bottom panel holds; the panels keep their sizes.
    for (QAction* a : {dockAction, undockAction, trackViewAction, effectAction})
        connect(a, &QAction::triggered, this, [this] { QTimer::singleShot(0, this, [this] { restoreSplitters(); }); });
}

void TForm1::restoreSplitters() {
    for (const auto& [splitter, sizes] : movedSplitters_) splitter->setSizes(sizes);
    alignFixedRuler();
}

}  // namespace tqx
